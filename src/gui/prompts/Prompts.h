#pragma once

#include "session/ImportPreview.h"

#include <QString>

class QUrl;
class QWidget;

namespace talven {

enum class ImportChoice { Cancel, Replace, Append, ForceReplace };

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
    // The file to write, or an empty string when cancelled; selectedFilter names the chosen type.
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& path,
                             const QString& filter, QString* selectedFilter) = 0;
    // Opens a file with the desktop's application for it; false when none could be started.
    virtual bool openLocalFile(const QString& path) = 0;
    // Opens a web page or a local page in the desktop's browser.
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens the file; when no program does, says so and offers to open its folder instead.
    bool openOrOfferFolder(QWidget* parent, const QString& title, const QString& path);
    virtual ImportChoice previewImport(QWidget* parent, const ImportPreview& preview) = 0;
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
    QString saveFile(QWidget* parent, const QString& caption, const QString& path, const QString& filter,
                     QString* selectedFilter) override;
    bool openLocalFile(const QString& path) override;
    bool openUrl(const QUrl& url) override;
    ImportChoice previewImport(QWidget* parent, const ImportPreview& preview) override;
};

} // namespace talven
