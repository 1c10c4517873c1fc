#include "core/module1.h"
#include "core/psc_catalogue.h"
#include "core/scramble.h"
#include "core/technical_data.h"
#include "db/query.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"

using namespace testing_support;

namespace {
class Catalogue : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        core::InitKeys();
        core::InitIdentityTable();
        core::AppPath = appPath();
        core::Lang = "_ita";
    }
    vb::Form form{"Scratch"};
    vb::ListBox list{form, "List"};
};
} // namespace

TEST_F(Catalogue, PositionIndexAndLookUps) {
    db::DataControl data;
    const std::string index = core::loadCatalogueIndex(data);
    EXPECT_EQ(index.substr(0, 20), "A100:A200:B100:B200:");
    EXPECT_EQ(index.size() % 5, 0u);
    EXPECT_EQ(core::recordOfPosition(11), 2);
    EXPECT_EQ(core::recordOfPosition(1), 0);
    EXPECT_EQ(core::recordOfPosition(0), 0);
    ASSERT_TRUE(core::positionOnCode(data, index, "c011")); // not case-sensitive
    EXPECT_EQ(data.Recordset().AbsolutePosition(), 4);
    EXPECT_EQ(core::DescrambleLineConv(*data.Recordset().Fields("Psc_Codice")), "C011");
    // A code that is not there is no record at all.
    EXPECT_FALSE(core::positionOnCode(data, index, "Z999"));
    EXPECT_FALSE(core::isNewFormatDiagram(data, index, "Z999"));
    EXPECT_TRUE(core::isNewFormatDiagram(data, index, "B100"));
    EXPECT_FALSE(core::isNewFormatDiagram(data, index, "A100"));
    ASSERT_TRUE(core::positionOnCode(data, index, "A100"));
    auto pars = core::parameterFields(data.Recordset());
    ASSERT_EQ(pars.size(), 20u);
    EXPECT_EQ(pars[0], "120");
    EXPECT_EQ(pars[2], "650");
    EXPECT_EQ(pars[19], "   ");
}

TEST_F(Catalogue, ParameterDescriptions) {
    std::string index;
    ASSERT_TRUE(core::loadParameterDescriptions(index, list));
    EXPECT_EQ(index.substr(0, 5), "0031:");
    std::string d;
    EXPECT_TRUE(core::findParameterDescription("120", index, list, d));
    EXPECT_EQ(d, "Sensore temperatura acqua");
    EXPECT_FALSE(core::findParameterDescription("099", index, list, d));
    EXPECT_EQ(core::parameterTooltip("120", index, list), "0120 = Sensore temperatura acqua");
    EXPECT_EQ(core::parameterTooltip("099", index, list), "0099");

    // Missing file: the standard message, the lists keep what they held.
    core::Lang = "_xxx";
    EXPECT_FALSE(core::loadParameterDescriptions(index, list));
    EXPECT_EQ(svc.boxes.at(0).prompt, "Error: file " + appPath() + "\\ark\\par_xxx.cpt not available");
    EXPECT_GT(list.ListCount(), 0);
    // An empty file: empty lists, no message.
    writeBytes(appPath() + "/Ark/par_xxx.cpt", "");
    EXPECT_TRUE(core::loadParameterDescriptions(index, list));
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(index, "");
    EXPECT_EQ(svc.boxes.size(), 1u);
}

TEST_F(Catalogue, TypeList) {
    core::loadPscTypeList(list);
    EXPECT_EQ(list.ListCount(), 11);
    core::Lang = "_xxx";
    core::loadPscTypeList(list);
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(svc.boxes.at(0).prompt, "File  psc_xxx.cpt not found.");
    EXPECT_EQ(svc.boxes.at(0).title, std::optional<std::string>("Warning!"));
    EXPECT_EQ(svc.boxes.at(0).flags, 16);
}

// Short of descriptors or memory as it reads a list it has found, or as it
// looks for the lists' and the index's folder in another letter case ("ark"
// for "Ark"), the catalogue says so of the file and calls nothing missing.
TEST_F(Catalogue, ShortageOnAListIsToldAsItself) {
    const QString self = "Catalogue.ShortageOnAListIsToldAsItself";
    if (!shortageChild()) {
        expectShortagesTold(self, {"par_ita.cpt", "psc_ita.cpt@1"});
        expectShortagesTold(self, {"*"});
        return;
    }
    ASSERT_TRUE(injectToldShortage(appPath()));
    // As the windows call them: what escapes is reported.
    std::string index;
    vb::runEvent([&] { core::loadParameterDescriptions(index, list); });
    vb::runEvent([&] { core::loadPscTypeList(list); });
    vb::runEvent([] {
        db::DataControl data;
        core::loadCatalogueIndex(data);
    });
    reportBoxesToParent(svc);
}

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    EXPECT_EQ(core::leadingNumber("120"), 120);
    EXPECT_EQ(core::leadingNumber(" 650"), 650);
    EXPECT_EQ(core::leadingNumber("031"), 31);
    EXPECT_EQ(core::leadingNumber("A12"), 0);
    EXPECT_EQ(core::leadingNumber("   "), 0);
}

TEST(TechnicalData, TighteningAndAirConditioningScans) {
    // Items: two hex digits of length, then the text; groups of five.
    auto item = [](const std::string& s) {
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02X", unsigned(s.size()));
        return std::string(buf) + s;
    };
    auto group = [&](const std::string& code, const std::string& value = "x") {
        return item(code) + item(value) + item("") + item("") + item("");
    };
    EXPECT_FALSE(core::Has_DatiSerraggio(""));
    EXPECT_FALSE(core::Has_DatiSerraggio(group("R02")));
    EXPECT_TRUE(core::Has_DatiSerraggio(group("R02") + group("R05")));
    EXPECT_TRUE(core::Has_DatiSerraggio(group("R07")));
    EXPECT_FALSE(core::Has_DatiSerraggio(group("A01") + group("S01")));
    // Only the group's code counts, not a value that looks like one.
    EXPECT_FALSE(core::Has_DatiSerraggio(group("A01", "R01")));
    // The code is tested when the group's second item is reached.
    EXPECT_FALSE(core::Has_DatiSerraggio(item("R01")));
    // Broken lengths end the walk instead of looping.
    EXPECT_FALSE(core::Has_DatiSerraggio("ZZZZZZ"));
    EXPECT_FALSE(core::Has_DatiSerraggio("FF"));
    EXPECT_TRUE(core::Has_DatiClima(group("A01", "xu01x")));
    EXPECT_FALSE(core::Has_DatiClima(group("U02")));
}
