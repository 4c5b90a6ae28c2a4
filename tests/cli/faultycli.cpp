// talven-cli with a fault injected into the backups' file moves, for the crash and failure tests:
// TALVEN_FAULT=fail@STEP or kill@STEP (see Backups::injectFault). Built with the tests only.
#include "CliApp.h"
#include "store/Backups.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    talven::Backups::injectFault(qEnvironmentVariable("TALVEN_FAULT"));
    return talven::CliApp::run(QCoreApplication::arguments());
}
