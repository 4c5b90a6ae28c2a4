#include "windows/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return talven::MainWindow::runProgram(app);
}
