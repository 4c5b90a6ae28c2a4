#include "prompts/Prompts.h"
#include "windows/ImportPreviewDialog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace talven {

namespace {

// A box at least as wide as its title, which the window frame would otherwise cut to "…".
int showBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, parent);
    const int room = box.fontMetrics().horizontalAdvance(title) * 3 / 2 + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(room, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                      1, grid->columnCount());
    return box.exec();
}

} // namespace

void QtPrompts::information(QWidget* parent, const QString& title, const QString& text) {
    showBox(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

void QtPrompts::warning(QWidget* parent, const QString& title, const QString& text) {
    showBox(parent, QMessageBox::Warning, title, text, QMessageBox::Ok);
}

bool QtPrompts::question(QWidget* parent, const QString& title, const QString& text) {
    return showBox(parent, QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel) ==
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
