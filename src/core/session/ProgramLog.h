#pragma once

#include <QLoggingCategory>
#include <QString>

namespace talven {

Q_DECLARE_LOGGING_CATEGORY(lcTalven)

// The program's log, talven.log in the data folder: every refused change and every failure with
// its cause and time, and Qt's own warnings, which never reach the terminal. Rotated at 1 MB to
// talven.log.1.
namespace ProgramLog {

QString path(const QString& dataDir);

// Sends every message to the log of dataDir from now on; with passOn, also to the handler that
// was in place (the test framework's), never to the terminal otherwise.
void install(const QString& dataDir, bool passOn = false);

// Where the installed log writes; empty when none is installed.
QString installedPath();

} // namespace ProgramLog

} // namespace talven
