#pragma once
// Window tests of the mechanical viewers start the program and choose a
// model in the main window, as the user does before opening them.
#include "selection/main_window.h"
#include "support/harness.h"

#include <string_view>

namespace mechanical_tests {

class VehicleTest : public testing_support::WindowTest {
  protected:
    selection::Form2& choose(std::string_view brand, std::string_view family, std::string_view model) {
        startProgram();
        selection::Form2& f = selection::Form2::get();
        for (int i = 0; i < f.ListaMarche.ListCount(); ++i)
            if (f.ListaMarche.List(i) == brand) f.ListaMarche.setListIndex(i);
        const int r = rowOf(f.GridFamiglie, family);
        EXPECT_GE(r, 0) << family;
        if (r >= 0 && f.GridFamiglie.Row() != r) f.GridFamiglie.setRow(r);
        const int m = rowOf(f.MSGrid1, model);
        EXPECT_GE(m, 1) << model;
        if (m >= 1 && f.MSGrid1.Row() != m) f.MSGrid1.setRow(m);
        return f;
    }
    static int rowOf(const vb::Grid& g, std::string_view text) {
        for (int r = 0; r < g.Rows(); ++r)
            if (g.TextMatrix(r, 0) == text) return r;
        return -1;
    }
    // The row whose description code (column 8) is code, -1 when none.
    static int rowOfCode(const vb::Grid& g, std::string_view code, int from = 0) {
        for (int r = from; r < g.Rows(); ++r)
            if (g.TextMatrix(r, 8) == code) return r;
        return -1;
    }
};

} // namespace mechanical_tests
