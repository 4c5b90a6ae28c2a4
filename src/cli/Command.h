#pragma once

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTextStream;

namespace talven {

class Session;

// What one command gets: the open session, its own arguments and the two output streams.
struct CommandContext {
    Session* session; // null for commands that open no session
    QStringList args; // after the command name, without --data-dir
    QTextStream& out;
    QTextStream& err;
    QString dataDir;
};

// One talven-cli command. Exit codes: 0 success, 1 refused input or failure (message on stderr).
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString usage() const = 0;
    // False for commands that open no session of their own (demo).
    virtual bool needsSession() const { return true; }
    virtual int run(CommandContext& ctx) = 0;

    static std::vector<std::unique_ptr<Command>> all();

protected:
    // Value of "--name VALUE" in args, removing both; null when absent.
    static QString takeOption(QStringList& args, const QString& name);
    // True when "--name" is in args, removing it.
    static bool takeFlag(QStringList& args, const QString& name);
    static int fail(CommandContext& ctx, const QString& message);
    // A formula kind 0..15 given as text; `absent` for a null text; empty when it is no kind.
    static std::optional<int> parseKind(const QString& text, int absent);
};

} // namespace talven
