#include "app/windows.h"

#include "core/start_window.h"
#include "diagrams/register.h"
#include "documents/register.h"
#include "mechanical/register.h"
#include "platform/events.h"
#include "platform/form.h"
#include "platform/services.h"
#include "selection/main_window.h"

#include <QCoreApplication>

void registerAllWindows() {
    core::registerCoreWindows();
    selection::registerSelectionWindows();
    diagrams::registerDiagramWindows();
    mechanical::registerMechanicalWindows();
    documents::registerDocumentWindows();
}

void startProgram() {
    vb::FormRegistry::get("Form1")->Show();
}

int runProgram() {
    registerAllWindows();
    try {
        startProgram();
    } catch (const vb::ProgramEnded&) {
        // Ended while the start window loaded (a fatal data error).
    }
    const int status = vb::execProgram();
    // The windows go before the application object, so that nothing is
    // left for the leak checker but what really leaked.
    vb::FormRegistry::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
