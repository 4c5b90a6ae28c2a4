#include "prompts/Prompts.h"
#include "prompts/QtChinese.h"
#include "session/DataDirectory.h"
#include "session/ProgramArguments.h"
#include "session/ProgramLog.h"
#include "session/Session.h"
#include "windows/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSettings>
#include <QTextStream>

#include <cstring>

using namespace Qt::StringLiterals;
using namespace talven;

namespace {

// --version and --help open no window, so they need no display either.
bool asksOnlyForInformation(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char* option : {"-v", "--version", "-h", "--help", "--log"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

// Opens the session in the data directory and shows the window; a database that cannot be opened
// is reported in a message box and the program ends.
int runProgram(QApplication& app) {
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TALVEN_VERSION));
    // The desktop entry and the icon of the installed program (org.talven.Talven).
    QGuiApplication::setDesktopFileName(u"org.talven.Talven"_s);
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(u":/icons/%1/org.talven.Talven.png"_s.arg(size));
    QApplication::setWindowIcon(icon);
    installQtChinese();
    QtPrompts prompts;
    if (auto readable = checkSettingsFiles(); !readable) {
        prompts.warning(nullptr, u"无法读取设置"_s, readable.error().shown());
        return 1;
    }
    QSettings settings;
    auto args = ProgramArguments::parse(QCoreApplication::arguments().mid(1));
    if (!args) {
        prompts.warning(nullptr, u"命令行参数错误"_s, args.message());
        return 1;
    }
    // --version and --help answer on the terminal, without a window or a session.
    if (args->versionRequested() || args->helpRequested()) {
        QTextStream out(stdout);
        if (args->versionRequested())
            out << args->versionText(u"talven"_s);
        else
            out << u"用法：talven [--data-dir 目录]"_s << Qt::endl
                << Qt::endl
                << u"TALVEN 公式分析的窗口程序；命令行程序是 talven-cli。"_s << Qt::endl
                << Qt::endl
                << u"选项："_s << Qt::endl
                << ProgramArguments::globalOptionsHelp();
        return 0;
    }
    // Qt's own warnings and every failure go to the data folder's log, not the terminal.
    ProgramLog::install(args->dataDirectory());
    if (args->isSet(u"log"_s)) {
        QTextStream(stdout) << QDir::toNativeSeparators(ProgramLog::path(args->dataDirectory())) << Qt::endl;
        return 0;
    }
    auto session = Session::open(args->dataDirectory(), settings);
    if (!session) {
        prompts.warning(nullptr, u"无法打开数据库"_s, session.error().shown());
        return 1;
    }
    // The window's sizes and folders are its own settings object: the session's keeps the options.
    QSettings viewSettings;
    MainWindow window(*session.value(), prompts, &viewSettings);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (asksOnlyForInformation(argc, argv))
        qputenv("QT_QPA_PLATFORM", "minimal");
    QApplication app(argc, argv);
    return runProgram(app);
}
