#include "prompts/Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace talven {

bool Prompts::openOrOfferFolder(QWidget* parent, const QString& title, const QString& path) {
    if (openLocalFile(path))
        return true;
    const QString folder = QFileInfo(path).absolutePath();
    if (question(parent, title,
                 u"%1 已保存，但没有找到能打开它的程序。要打开它所在的文件夹吗？"_s.arg(
                     QDir::toNativeSeparators(path))) &&
        !openUrl(QUrl::fromLocalFile(folder)))
        warning(parent, title, u"也没有找到能打开文件夹 %1 的程序。"_s.arg(QDir::toNativeSeparators(folder)));
    return false;
}

} // namespace talven
