// Starts the catalogue: the start window is the only entry point.
#include "app/first_frame.h"
#include "app/windows.h"
#include "core/start_window.h"
#include "platform/events.h"
#include "platform/fonts.h"
#include "platform/qt_setup.h"

#include <QScopeGuard>
#include <memory>

int main(int argc, char** argv) {
    // Changes the environment and the working folder: before any other
    // thread of ours starts (platform/qt_setup.h).
    vb::prepareProcessForQt();
    // Read beside the application's own set-up (see platform/fonts.h).
    vb::FontWarmUp fonts({core::kStartWindowFont});
    vb::Application app(argc, argv);
    // The warm-up's thread uses the application object: it is joined before
    // the application goes, however the run ends.
    const auto joinFonts = qScopeGuard([&fonts] { fonts.finish(); });
    fonts.applicationReady();
    app.setApplicationName("Catalogue");
    std::unique_ptr<AfterFirstFrame> report;
    if (firstFrameReportAsked())
        report = std::make_unique<AfterFirstFrame>([] {
            printFirstFrameTime();
            vb::requestEnd(0);
        });
    return runProgram();
}
