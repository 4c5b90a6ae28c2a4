#pragma once

// A fault in the backups' steps for the tests: "fail@STEP" makes that step's file move fail,
// "kill@STEP" stops the process with SIGKILL right after it; empty removes the fault.

#include "store/Backups.h"

#include <QString>

#include <signal.h>

namespace talven::test {

inline void injectBackupFault(const QString& fault) {
    if (fault.isEmpty()) {
        Backups::setStepHook({});
        return;
    }
    const QString kind = fault.section(u'@', 0, 0);
    const QString step = fault.section(u'@', 1);
    Backups::setStepHook([kind, step](const QString& at, bool done) {
        if (at != step)
            return true;
        if (kind == QStringLiteral("kill") && done)
            ::raise(SIGKILL);
        return !(kind == QStringLiteral("fail") && !done);
    });
}

} // namespace talven::test
