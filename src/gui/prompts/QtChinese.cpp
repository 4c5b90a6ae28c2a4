#include "prompts/QtChinese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace talven {

namespace {

// The few words of Qt's dialogs that its own Chinese translation lacks.
class MissingQtWords : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override {
        const QByteArrayView text(source ? source : "");
        if (text == "Folder" || text == "File Folder")
            return QStringLiteral("文件夹");
        return {};
    }
};

} // namespace

bool installQtChinese() {
    // Asked after Qt's own translation, which is installed below and so asked first.
    QCoreApplication::installTranslator(new MissingQtWords(QCoreApplication::instance()));
    // The program's own texts are Chinese only, so Qt's follow them rather than the system locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace talven
