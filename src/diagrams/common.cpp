#include "diagrams/common.h"

#include "core/module1.h"
#include "platform/controls.h"
#include "selection/main_window.h"

#include <algorithm>

namespace diagrams {

std::string modelCell(int c) {
    auto& grid = selection::Form2::get().MSGrid1;
    const int r = grid.Row();
    if (r < 0 || r >= grid.Rows() || c >= grid.Cols()) return {};
    return grid.TextMatrix(r, c);
}

std::string vehicleLine() {
    auto& f2 = selection::Form2::get();
    using core::Des;
    return f2.LabelMarca.Caption() + " " + f2.LabelFamiglia.Caption() + " " + modelCell(0) + " (" +
           modelCell(1) + ") " + Des[13] + ": " + modelCell(2) + " " + Des[79] + " " + modelCell(3) +
           " cm\xB3 " + " " + Des[80] + " " + modelCell(4) + " CV(KW)/Rpm";
}

std::string modelField(const char* name) {
    return selection::Form2::get().modelField(name);
}

std::string windowCaption() {
    using core::Des;
    return Des[0] + " " + Des[1] + " - " + Des[3] + " - Tel: " + Des[4];
}

void keepOnOneLine(vb::Label& label, int right) {
    label.setAutoSize(true); // one line, as wide as its text
    if (label.Left() + label.Width() > right) label.setWidth(std::max(0, right - label.Left()));
}

} // namespace diagrams
