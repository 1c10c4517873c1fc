// Starts the catalogue: the start window is the only entry point.
#include "app/windows.h"
#include "platform/events.h"
#include "platform/services.h"

int main(int argc, char** argv) {
    vb::Application app(argc, argv);
    app.setApplicationName("Catalogue");
    registerAllWindows();
    try {
        startProgram();
    } catch (const vb::ProgramEnded&) {
        // Ended while the start window loaded (a fatal data error).
    }
    return vb::execProgram();
}
