#include "CliApp.h"

#include "Command.h"
#include "session/DataDirectory.h"
#include "session/ProgramArguments.h"
#include "session/ProgramLog.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

void printUsage(QTextStream& out, const std::vector<std::unique_ptr<Command>>& commands) {
    out << u"用法：talven-cli [--data-dir 目录] 命令 [参数]"_s << Qt::endl << Qt::endl;
    out << u"命令："_s << Qt::endl;
    for (const auto& c : commands)
        out << u"  "_s << c->usage() << Qt::endl;
    out << Qt::endl << u"选项："_s << Qt::endl << ProgramArguments::globalOptionsHelp();
}

} // namespace

int CliApp::run(const QStringList& arguments) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = run(arguments, out, err, true);
    out.flush();
    err.flush();
    return code;
}

int CliApp::run(const QStringList& arguments, QTextStream& out, QTextStream& err, bool toLog) {
    QCoreApplication::setOrganizationName(u"TALVEN"_s);
    QCoreApplication::setApplicationName(u"TALVEN"_s);
    const QStringList args = arguments.mid(1);
    const auto commands = Command::all();
    // The global options first; the command, named by the first positional argument, then parses
    // the same arguments with its own options added.
    auto global = ProgramArguments::parse(args);
    if (!global) {
        err << global.message() << Qt::endl;
        return 1;
    }
    if (toLog)
        ProgramLog::install(global->dataDirectory());
    if (global->versionRequested()) {
        out << global->versionText(u"talven-cli"_s) << Qt::flush;
        return 0;
    }
    if (global->isSet(u"log"_s)) {
        out << QDir::toNativeSeparators(ProgramLog::path(global->dataDirectory())) << Qt::endl;
        return 0;
    }
    const QString name = global->positional().value(0);
    // Without a command the usage is the answer to a mistake: on stderr, exit 1.
    if (name.isEmpty() && !global->helpRequested()) {
        printUsage(err, commands);
        return 1;
    }
    if (global->helpRequested() || name == u"help"_s) {
        printUsage(out, commands);
        return 0;
    }
    for (const auto& command : commands) {
        if (command->name() != name)
            continue;
        auto parsed = ProgramArguments::parse(args, command->options(), command->repeatableOptions());
        if (!parsed) {
            err << parsed.message() << Qt::endl;
            return 1;
        }
        const QStringList rest = parsed->positional().mid(1);
        // Refused before the session opens: opening may already bring stored rows in line.
        if (rest.size() > command->maxArguments()) {
            err << (command->maxArguments() == 0 ? u"命令 %1 不接受参数：%2"_s.arg(name, rest.join(u' '))
                                                 : u"命令 %1 最多接受 %2 个参数，多出：%3"_s.arg(name)
                                                       .arg(command->maxArguments())
                                                       .arg(rest.mid(command->maxArguments()).join(u' ')))
                << Qt::endl
                << u"用法：talven-cli "_s << command->usage().simplified() << Qt::endl;
            return 1;
        }
        if (!command->needsSession()) {
            CommandContext ctx{
                nullptr, rest, parsed.value(),
                out,     err,  parsed->dataDirectoryGiven() ? parsed->dataDirectory() : QString()};
            return command->run(ctx);
        }
        if (auto readable = checkSettingsFiles(); !readable) {
            err << readable.error().shown() << Qt::endl;
            return 1;
        }
        QSettings settings;
        const QString dataDir = parsed->dataDirectory();
        // A command that only reads opens no database that is not there: an empty one in a scratch
        // folder answers instead.
        std::unique_ptr<QTemporaryDir> scratch;
        if (command->onlyReads(parsed.value()) && !Session::databaseExists(dataDir))
            scratch = std::make_unique<QTemporaryDir>();
        auto session = Session::open(scratch ? scratch->path() : dataDir, settings);
        if (!session) {
            err << session.error().shown() << Qt::endl;
            return 1;
        }
        if (!session.value()->openingNotice().isEmpty())
            err << session.value()->openingNotice() << Qt::endl;
        CommandContext ctx{session.value().get(), rest, parsed.value(), out, err, dataDir};
        return command->run(ctx);
    }
    err << u"未知命令：%1"_s.arg(name) << Qt::endl;
    printUsage(err, commands);
    return 1;
}

} // namespace talven
