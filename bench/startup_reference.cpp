// The floor for the program's start-up: the least a Qt Widgets program does
// to put a line of text on the screen. One label the size of the screen, so
// that it fills as many pixels as the start window; it reports its first
// painted frame as the program does and quits. bench/startup.sh times the
// two against each other.
#include "app/first_frame.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Catalogo tecnico per l'officina"));
    label.setAlignment(Qt::AlignCenter);
    label.resize(QGuiApplication::primaryScreen()->size());
    AfterFirstFrame report([] {
        printFirstFrameTime();
        QCoreApplication::quit();
    });
    label.show();
    return app.exec();
}
