#pragma once

#include <QString>

class QWidget;

namespace talven {

// Every dialog the windows show goes through this interface, so tests can script the answers.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // True for OK.
    virtual bool question(QWidget* parent, const QString& title, const QString& text) = 0;
    // The entered text, or a null string when cancelled.
    virtual QString inputText(QWidget* parent, const QString& title, const QString& prompt,
                              const QString& defaultText) = 0;
    // The chosen file, or an empty string when cancelled.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) = 0;
    virtual void openLocalFile(const QString& path) = 0;
};

// The real dialogs of the desktop program.
class QtPrompts : public Prompts {
public:
    void information(QWidget* parent, const QString& title, const QString& text) override;
    void warning(QWidget* parent, const QString& title, const QString& text) override;
    bool question(QWidget* parent, const QString& title, const QString& text) override;
    QString inputText(QWidget* parent, const QString& title, const QString& prompt,
                      const QString& defaultText) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override;
    void openLocalFile(const QString& path) override;
};

} // namespace talven
