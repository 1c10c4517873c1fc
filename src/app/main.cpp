// Starts the catalogue: the start window is the only entry point.
#include "app/windows.h"
#include "platform/events.h"

int main(int argc, char** argv) {
    vb::Application app(argc, argv);
    app.setApplicationName("Catalogue");
    return runProgram();
}
