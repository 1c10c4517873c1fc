#include "selection/windows.h"

#include "core/start_window.h"
#include "platform/fonts.h"
#include "platform/form.h"
#include "selection/main_window.h"

void registerAllWindows() {
    core::registerCoreWindows();
    selection::registerSelectionWindows();
}

void startProgram() {
    vb::registerFonts();
    vb::FormRegistry::get("Form1")->Show();
}
