#pragma once
// Opens the diagram windows the way a user gets there: start, choose the
// model in the main window, open the diagram list from its menu.
#include "core/module1.h"
#include "diagrams/diagram_list.h"
#include "diagrams/diagram_viewer.h"
#include "diagrams/location_viewer.h"
#include "selection/main_window.h"
#include "support/harness.h"

#include <functional>
#include <map>
#include <string>

namespace diagram_tests {

class DiagramTest : public testing_support::WindowTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    selection::Form2& mainWindow();
    // Brand, family and model by their shown names.
    void choose(const std::string& brand, const std::string& family, const std::string& model);
    // What to do when a window opens, by name; a window with no entry is
    // closed again at once. Each must run before it is replaced or the test
    // ends.
    std::map<std::string, testing_support::Hook<vb::Form*>> on;
    // Opens the diagram list from the menu of the chosen model.
    void openList();
    // Opens the diagram at row r of the list (the viewer handler runs).
    void openDiagram(int row);
    // Opens the viewer on a diagram code directly, as its openers leave the
    // hand-over variables.
    void openViewer(const std::string& code, int mode, const std::string& caption = "Schema");
    std::string file(const std::string& rel) const;
    int boxesWith(const std::string& text) const;
    // Where the navy text of a header line is drawn on the screen, in pixels
    // of its window: the bounds of its glyphs inside the header frame, drawn
    // with the other header line hidden.
    static QRect headerLineInk(vb::Form& window, vb::Shape& frame, vb::Label& other);
    // Shows the window, gives it each size in turn as the window manager
    // would, and checks that header line `line` stays on its own line, above
    // `next` and inside the frame.
    static void expectOneHeaderLine(vb::Form& window, vb::Shape& frame, vb::Label& line, vb::Label& next);
};

} // namespace diagram_tests
