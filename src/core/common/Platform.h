#pragma once

#include <QtGlobal>

namespace talven::Platform {

// The operating system's calls, in one place, so that another system needs only this file anew.

// True while a process with this id runs (or cannot be asked); false once it has ended.
bool processRunning(qint64 pid);
// The longest path and the longest single name the file system takes, in bytes.
int pathLimit();
int nameLimit();

} // namespace talven::Platform
