#include "core/component_lists.h"
#include "core/module1.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "sampledata/diagram_data.h"
#include "support/fixtures.h"
#include "support/harness.h"

using namespace testing_support;

namespace {

class ListsWindow : public vb::Form {
  public:
    ListsWindow() : vb::Form("ListsWindow") {}
    vb::ListBox ListDescrComp{*this, "ListDescrComp"};
    vb::ListBox ListDescrSecond{*this, "ListDescrSecond"};
};

class ComponentLists : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        startProgram(); // the description tables
    }
    std::string txt(const std::string& name) { return core::AppPath + "\\psc\\psc_txt\\" + name; }
    void fill(ListsWindow& lists, const std::string& code) {
        core::FillListDescrSecond(lists, txt(code + "&.cpt"));
        core::FillListDescrComp(lists, txt(code + ".cpt"));
    }
    ListsWindow w;
};

TEST_F(ComponentLists, ItemsCarryTheirDescriptionAndSecondaryTexts) {
    fill(w, "B100");
    EXPECT_TRUE(svc.boxes.empty());
    ASSERT_EQ(w.ListDescrSecond.ListCount(), 4);
    EXPECT_EQ(w.ListDescrSecond.List(0), "00201Cilindro 1");
    const auto& sheet = sampledata::newFormatSheets()[0];
    ASSERT_EQ(w.ListDescrComp.ListCount(), int(sheet.components.size()));
    EXPECT_EQ(w.ListDescrComp.List(0),
              sampledata::componentRecord(sheet.components[0]) + "Centralina iniezione");
    EXPECT_EQ(w.ListDescrComp.List(5),
              sampledata::componentRecord(sheet.components[5]) + "Iniettore Cilindro 1");
    // The relay's text has an accented letter (Windows-1252).
    EXPECT_EQ(w.ListDescrComp.List(9).substr(42), "Rel\xE8 pompa carburante");
    // A code missing from the description table gives no text and no message.
    EXPECT_EQ(w.ListDescrComp.List(11).size(), 42u);

    // Both fillers append: a second diagram follows the first.
    fill(w, "B200");
    EXPECT_EQ(w.ListDescrComp.ListCount(), int(sheet.components.size()) + 4);
    EXPECT_EQ(core::FindDescrComp("31"), "Bobina di accensione");
    EXPECT_EQ(core::FindDescrComp("99"), "");
    EXPECT_EQ(core::FindDescrSecond("00104"), "Posteriore destro");
}

TEST_F(ComponentLists, SecondaryCodesMissingFromTheWindowOrTheTable) {
    fill(w, "K100");
    // 00199 is not in K100&.cpt: one beep and one message, no secondary text.
    EXPECT_EQ(svc.beeps, 1);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Codice Descrizione Secondaria 00199 non Trovato!");
    EXPECT_FALSE(svc.boxes[0].title.has_value());
    ASSERT_EQ(w.ListDescrComp.ListCount(), 5);
    EXPECT_EQ(w.ListDescrComp.List(1).substr(42), "Sensore giri motore");
    // A description code of two characters after two blanks.
    EXPECT_EQ(w.ListDescrComp.List(2).substr(42), "Centralina iniezione");
    // The short line ends in 00000: no search; it still becomes an item.
    EXPECT_EQ(w.ListDescrComp.List(4), "  9000   300 10500  12000000");

    ListsWindow e;
    fill(e, "E100");
    // 00105 is in the secondary file but not in the table: the item ends in a blank.
    EXPECT_EQ(e.ListDescrSecond.List(4), "00105");
    EXPECT_EQ(e.ListDescrComp.List(4).substr(42), "Sensore velocit\xE0 ruota ");
    EXPECT_EQ(e.ListDescrComp.List(1).substr(42), "Sensore velocit\xE0 ruota Anteriore sinistro");

    // Components read before their secondary file all warn.
    ListsWindow early;
    svc.boxes.clear();
    core::FillListDescrComp(early, txt("B100.cpt"));
    EXPECT_EQ(svc.boxes.size(), 4u);
}

TEST_F(ComponentLists, MissingEmptyOversizedAndUndecodableFiles) {
    // Secondary file missing: silent. Component file missing: "Error file".
    fill(w, "M100");
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error file " + txt("M100.cpt"));
    EXPECT_EQ(svc.boxes[0].title, core::Des[2]);

    // Empty component file: warning, the list keeps what it has.
    svc.boxes.clear();
    w.ListDescrComp.AddItem("kept");
    core::FillListDescrComp(w, txt("J100.cpt"));
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Il file " + txt("J100.cpt") + "\r\n non contiene Descrizioni.");
    EXPECT_EQ(svc.boxes[0].title, "Warning");
    EXPECT_EQ(w.ListDescrComp.ListCount(), 1);

    // Empty secondary file: warning, and the list is emptied.
    writeBytes(file("psc/psc_txt/J100&.cpt"), "");
    w.ListDescrSecond.AddItem("00101x");
    core::FillListDescrSecond(w, txt("J100&.cpt"));
    EXPECT_EQ(w.ListDescrSecond.ListCount(), 0);
    EXPECT_EQ(svc.boxes.size(), 2u);

    // Last line without CR LF counts once; then a line too long to decode
    // stops the file with the items before it kept.
    const std::string good = "   600   900  2400  210012  07010701100000";
    writeBytes(file("psc/psc_txt/T100.cpt"), scrambledLines({good, good}, false));
    ListsWindow t;
    core::FillListDescrComp(t, txt("T100.cpt"));
    EXPECT_EQ(t.ListDescrComp.ListCount(), 2);
    // The second line stored with 82 characters: past the 80 a line can have.
    std::string stored = scrambledLines({good, good + std::string(38, '1'), good});
    stored.insert(stored.find("\r\n", stored.find("\r\n") + 2), "11");
    writeBytes(file("psc/psc_txt/T200.cpt"), stored);
    svc.boxes.clear();
    ListsWindow u;
    core::FillListDescrComp(u, txt("T200.cpt"));
    EXPECT_EQ(u.ListDescrComp.ListCount(), 1);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error file " + txt("T200.cpt"));

    // More than a 16-bit length can hold.
    std::vector<std::string> many(800, good);
    writeBytes(file("psc/psc_txt/T300.cpt"), scrambledLines(many));
    svc.boxes.clear();
    ListsWindow v;
    core::FillListDescrComp(v, txt("T300.cpt"));
    EXPECT_EQ(v.ListDescrComp.ListCount(), 0);
    EXPECT_EQ(svc.boxes.size(), 1u);
}

} // namespace
