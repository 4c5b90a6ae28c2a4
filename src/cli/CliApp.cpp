#include "CliApp.h"

#include "Command.h"
#include "app/DataDirectory.h"
#include "app/Session.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QString takeDataDir(QStringList& args) {
    const int at = args.indexOf(u"--data-dir"_s);
    QString given;
    if (at >= 0 && at + 1 < args.size()) {
        given = args.at(at + 1);
        args.remove(at, 2);
    }
    return resolveDataDirectory(given);
}

void printUsage(QTextStream& out, const std::vector<std::unique_ptr<Command>>& commands) {
    out << u"用法：talven-cli [--data-dir 目录] 命令 [参数]"_s << Qt::endl;
    for (const auto& c : commands)
        out << u"  "_s << c->usage() << Qt::endl;
}

} // namespace

int CliApp::run(const QStringList& arguments) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = run(arguments, out, err);
    out.flush();
    err.flush();
    return code;
}

int CliApp::run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    QStringList args = arguments.mid(1);
    const bool dirGiven = args.contains(u"--data-dir"_s);
    const QString dataDir = takeDataDir(args);
    const auto commands = Command::all();
    if (args.isEmpty() || args.first() == u"--help"_s || args.first() == u"help"_s) {
        printUsage(out, commands);
        return args.isEmpty() ? 1 : 0;
    }
    const QString name = args.takeFirst();
    for (const auto& command : commands) {
        if (command->name() != name)
            continue;
        QSettings settings;
        if (!command->needsSession()) {
            CommandContext ctx{nullptr, args, out, err, dirGiven ? dataDir : QString()};
            return command->run(ctx);
        }
        auto session = Session::open(dataDir, settings);
        if (!session) {
            err << session.error() << Qt::endl;
            return 1;
        }
        CommandContext ctx{session.value().get(), args, out, err, dataDir};
        return command->run(ctx);
    }
    err << u"未知命令：%1"_s.arg(name) << Qt::endl;
    printUsage(err, commands);
    return 1;
}

} // namespace talven
