#pragma once

// Answers every dialog of the windows from a script and records what was shown, so that no modal
// box ever blocks a window test.

#include "prompts/Prompts.h"
#include "windows/ImportPreviewDialog.h"

#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <QUrl>

namespace talven::test {

class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString kind; // "information", "warning", "question", "input"
        QString title;
        QString text;
    };
    QList<Shown> shown;
    QStringList opened;                // files and pages handed to the desktop
    QList<bool> questionAnswers;       // default: yes
    QList<QString> inputAnswers;       // default: the default text
    QList<QString> openFileAnswers;    // default: cancelled
    QList<QString> saveFileAnswers;    // default: cancelled
    QList<ImportChoice> importChoices; // default: cancelled
    QStringList dialogFolders;         // the folder each file dialog opened in

    void information(QWidget*, const QString& title, const QString& text) override {
        shown.append({QStringLiteral("information"), title, text});
    }
    void warning(QWidget*, const QString& title, const QString& text) override {
        shown.append({QStringLiteral("warning"), title, text});
    }
    bool question(QWidget*, const QString& title, const QString& text) override {
        shown.append({QStringLiteral("question"), title, text});
        return questionAnswers.isEmpty() ? true : questionAnswers.takeFirst();
    }
    QString inputText(QWidget*, const QString& title, const QString& prompt,
                      const QString& defaultText) override {
        shown.append({QStringLiteral("input"), title, prompt});
        return inputAnswers.isEmpty() ? defaultText : inputAnswers.takeFirst();
    }
    QString openFile(QWidget*, const QString&, const QString& dir, const QString&) override {
        dialogFolders.append(dir);
        return openFileAnswers.isEmpty() ? QString() : openFileAnswers.takeFirst();
    }
    QString saveFile(QWidget*, const QString&, const QString& path, const QString&, QString*) override {
        dialogFolders.append(QFileInfo(path).path());
        return saveFileAnswers.isEmpty() ? QString() : saveFileAnswers.takeFirst();
    }
    ImportChoice previewImport(QWidget*, const ImportPreview& preview) override {
        shown.append({QStringLiteral("preview"), previewQuestion(preview), previewSummary(preview)});
        return importChoices.isEmpty() ? ImportChoice::Cancel : importChoices.takeFirst();
    }
    bool openLocalFile(const QString& path) override {
        opened.append(path);
        return true;
    }
    bool openUrl(const QUrl& url) override {
        opened.append(url.toString());
        return true;
    }

    // The texts of every box shown, in order.
    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown)
            out.append(s.text);
        return out;
    }
};

} // namespace talven::test
