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
        return chooseVehicle(std::string(brand), std::string(family), std::string(model));
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
