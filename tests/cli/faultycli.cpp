// talven-cli with a fault injected into the backups' file moves, for the crash and failure tests:
// TALVEN_FAULT=fail@STEP or kill@STEP (see tests/BackupFaults.h). Built with the tests only.
#include "BackupFaults.h"
#include "CliApp.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    talven::test::injectBackupFault(qEnvironmentVariable("TALVEN_FAULT"));
    return talven::CliApp::run(QCoreApplication::arguments());
}
