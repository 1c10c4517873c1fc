#include "core/module1.h"
#include "sampledata/expected.h"
#include "selection/main_window.h"
#include "support/harness.h"

using namespace testing_support;
using selection::Form2;

namespace {
class MainWindow : public WindowTest {
protected:
    Form2& open() {
        startProgram();
        return Form2::get();
    }
};
} // namespace

TEST_F(MainWindow, OpensWithFirstBrandFamilyAndModelChosen) {
    Form2& f = open();
    for (auto& b : svc.boxes) ADD_FAILURE() << b.prompt;
    EXPECT_EQ(f.ListaMarche.ListCount(), sampledata::expected::kOfferedBrands);
    EXPECT_EQ(core::BrandName, std::string(sampledata::expected::kBrands[0].name));
    EXPECT_EQ(f.LabelMarca.Caption(), core::BrandName);
    EXPECT_EQ(core::FamilyName, std::string(sampledata::expected::kFamilies[0].name));
    EXPECT_EQ(f.MSGrid1.Row(), 1);
    EXPECT_TRUE(f.ModelGridReady);
    EXPECT_FALSE(core::VehicleName.empty());
}
