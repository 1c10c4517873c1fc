// Starts the catalogue: the start window is the only entry point.
#include "app/first_frame.h"
#include "app/windows.h"
#include "platform/events.h"

#include <memory>

int main(int argc, char** argv) {
    vb::Application app(argc, argv);
    app.setApplicationName("Catalogue");
    std::unique_ptr<FirstFrameReport> report;
    if (FirstFrameReport::asked()) report = std::make_unique<FirstFrameReport>([] { vb::requestEnd(0); });
    return runProgram();
}
