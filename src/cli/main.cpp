#include "CliApp.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return talven::CliApp::run(QCoreApplication::arguments());
}
