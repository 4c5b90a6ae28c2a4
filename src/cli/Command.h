#pragma once

#include "session/ProgramArguments.h"

#include <QCommandLineOption>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTextStream;

namespace talven {

class Session;

// What one command gets: the open session, its own arguments and options, and the two output
// streams.
struct CommandContext {
    Session* session;                // null for commands that open no session
    QStringList args;                // positional arguments after the command name
    const ProgramArguments& options; // the command's options and the global ones
    QTextStream& out;
    QTextStream& err;
    QString dataDir;

    bool isSet(const QString& name) const { return options.isSet(name); }
    // The option's value; null when it is not given.
    QString value(const QString& name) const { return isSet(name) ? options.value(name) : QString(); }
};

// One talven-cli command. Exit codes: 0 success, 1 refused input or failure (message on stderr).
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString usage() const = 0;
    // The options the command takes besides the global ones.
    virtual QList<QCommandLineOption> options() const { return {}; }
    // The options that may be given more than once; every other option only once.
    virtual QStringList repeatableOptions() const { return {}; }
    // False for commands that open no session of their own (demo).
    virtual bool needsSession() const { return true; }
    // How many positional arguments the command takes at most; more are refused before anything
    // is opened.
    virtual int maxArguments() const { return 0; }
    // True when the command, with these arguments, only reads: without a database it answers as for
    // an empty history and creates neither the database nor its folder.
    virtual bool onlyReads(const ProgramArguments&) const { return false; }
    virtual int run(CommandContext& ctx) = 0;

    static std::vector<std::unique_ptr<Command>> all();

protected:
    static QCommandLineOption flag(const QString& name, const QString& description) {
        return QCommandLineOption(name, description);
    }
    static QCommandLineOption valueOption(const QString& name, const QString& valueName) {
        return QCommandLineOption(name, QString(), valueName);
    }
    static int fail(CommandContext& ctx, const QString& message);
    // A formula kind 0..15 given as text; `absent` for a null text; empty when it is no kind.
    static std::optional<int> parseKind(const QString& text, int absent);
    // "1,3,5" -> formula ordinals; empty when a part is not a formula of the list (an empty part
    // too: "1,,2" or "" is a typing slip, not a request to select nothing).
    static std::optional<QList<int>> parseOrdinals(const QString& text, int formulaCount);
};

} // namespace talven
