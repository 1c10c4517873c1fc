// Starts the catalogue: the start window is the only entry point.
#include "app/windows.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Catalogue");
    registerAllWindows();
    startProgram();
    return app.exec();
}
