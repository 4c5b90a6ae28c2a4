#include "prompts/Prompts.h"
#include "windows/ImportPreviewDialog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace talven {

void QtPrompts::information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text);
}

void QtPrompts::warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
}

bool QtPrompts::question(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

QString QtPrompts::inputText(QWidget* parent, const QString& title, const QString& prompt,
                             const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString QtPrompts::openFile(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtPrompts::saveFile(QWidget* parent, const QString& caption, const QString& path,
                            const QString& filter, QString* selectedFilter) {
    return QFileDialog::getSaveFileName(parent, caption, path, filter, selectedFilter);
}

bool QtPrompts::openLocalFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtPrompts::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

ImportChoice QtPrompts::previewImport(QWidget* parent, const ImportPreview& preview) {
    ImportPreviewDialog dialog(preview, parent);
    dialog.exec();
    return dialog.choice();
}

} // namespace talven
