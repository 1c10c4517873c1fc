#include "app/windows.h"

#include "core/start_window.h"
#include "diagrams/register.h"
#include "documents/register.h"
#include "mechanical/register.h"
#include "platform/form.h"
#include "selection/main_window.h"

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
