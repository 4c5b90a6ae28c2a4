#include "common/Platform.h"

#include <cerrno>
#include <climits>

#include <signal.h>

namespace talven::Platform {

bool processRunning(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

int pathLimit() {
    return PATH_MAX;
}

int nameLimit() {
    return NAME_MAX;
}

} // namespace talven::Platform
