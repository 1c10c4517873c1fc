#include "selection/windows.h"

#include "core/start_window.h"
#include "platform/fonts.h"
#include "platform/form.h"

void registerAllWindows() {
    core::registerCoreWindows();
}

void startProgram() {
    vb::registerFonts();
    vb::FormRegistry::get("Form1")->Show();
}
