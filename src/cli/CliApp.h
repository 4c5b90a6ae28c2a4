#pragma once

#include <QStringList>

class QTextStream;

namespace talven {

// The command line program: parses the arguments, runs one command, returns the exit code.
class CliApp {
public:
    static int run(const QStringList& arguments);
    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err);
};

} // namespace talven
