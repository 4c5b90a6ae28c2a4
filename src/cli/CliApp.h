#pragma once

#include <QStringList>

class QTextStream;

namespace talven {

// The command line program: parses the arguments, runs one command, returns the exit code.
class CliApp {
public:
    // As a program: messages of Qt and of the session go to the data folder's log, not the terminal.
    static int run(const QStringList& arguments);
    // In a test's process: the test framework keeps its own message handling.
    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err, bool toLog = false);
};

} // namespace talven
