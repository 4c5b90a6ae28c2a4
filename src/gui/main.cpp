#include "windows/MainWindow.h"

#include <QApplication>

#include <cstring>

namespace {

// --version and --help open no window, so they need no display either.
bool asksOnlyForInformation(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char* option : {"-v", "--version", "-h", "--help"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (asksOnlyForInformation(argc, argv))
        qputenv("QT_QPA_PLATFORM", "minimal");
    QApplication app(argc, argv);
    return talven::MainWindow::runProgram(app);
}
