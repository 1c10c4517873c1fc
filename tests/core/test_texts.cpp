#include "core/module1.h"
#include "core/scramble.h"
#include "core/start_window.h"
#include "core/texts.h"
#include "platform/controls.h"
#include "support/fixtures.h"
#include "support/harness.h"

using namespace testing_support;

namespace {

class Texts : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        core::InitKeys();
        core::InitIdentityTable();
        core::AppPath = appPath();
        core::Lang = "_tst";
    }
    std::string labels() const { return appPath() + "/des/des_tst.cpt"; }
    std::string lc() const { return appPath() + "/ark/lc_tst.cpt"; }
    vb::Form form{"Scratch"};
    vb::ListBox list{form, "List"};
};

} // namespace

TEST_F(Texts, LabelTableFillsInPlace) {
    core::Des.fill("old");
    writeBytes(labels(), scrambledLines({"zero", "", "two"}));
    core::LoadDescrTable();
    EXPECT_EQ(core::Des[0], "zero");
    EXPECT_EQ(core::Des[1], ""); // an empty line in the middle is an empty entry
    EXPECT_EQ(core::Des[2], "two");
    EXPECT_EQ(core::Des[3], "old"); // past the file's end nothing changes
    EXPECT_TRUE(svc.boxes.empty());

    // An empty last line makes no entry.
    core::Des.fill("old");
    writeBytes(labels(), scrambledLines({"a", "b"}) + "\r\n");
    core::LoadDescrTable();
    EXPECT_EQ(core::Des[1], "b");
    EXPECT_EQ(core::Des[2], "old");
}

TEST_F(Texts, LabelTableOf91LinesAndBeyond) {
    std::vector<std::string> lines;
    for (int i = 0; i < 95; ++i)
        lines.push_back("L" + std::to_string(i));
    writeBytes(labels(), scrambledLines(lines));
    core::LoadDescrTable();
    EXPECT_EQ(core::Des[0], "L0");
    EXPECT_EQ(core::Des[90], "L90"); // extra lines are ignored, never written past the table
}

TEST_F(Texts, MissingLabelFileReportsAndKeepsTable) {
    core::Des[2] = "Ditta";
    core::Des[4] = "051";
    core::LoadDescrTable();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: file " + appPath() + "\\des\\des_tst.cpt not available");
    EXPECT_EQ(svc.boxes[0].flags, 16);
    EXPECT_EQ(svc.boxes[0].title, std::optional<std::string>("Ditta 051"));
    EXPECT_EQ(core::Des[2], "Ditta");
}

TEST_F(Texts, StandardBoxTitleBeforeLabelsIsOneBlank) {
    core::MsgBoxStd("x", 64);
    EXPECT_EQ(svc.boxes.at(0).title, std::optional<std::string>(" "));
}

TEST_F(Texts, DescriptionListLineRules) {
    writeBytes(lc(), scrambledLines({"0001Sensore", "", "0002Relais"}, false));
    core::loadDescriptionList(lc(), list);
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.List(0), "0001Sensore");
    EXPECT_EQ(list.List(1), "");
    EXPECT_EQ(list.List(2), "0002Relais"); // last line without CR LF is added once
    EXPECT_EQ(list.List(3), "");           // past the end reads as empty

    writeBytes(lc(), scrambledLines({"0001A"}) + "\r\n"); // ends with an empty line
    core::loadDescriptionList(lc(), list);
    ASSERT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.List(1), "");

    std::string longLine(100, 'x');
    writeBytes(lc(), scrambledLines({longLine.substr(0, 80)}).substr(0, 80) + std::string(20, 'a') + "\r\n");
    core::loadDescriptionList(lc(), list);
    EXPECT_EQ(list.List(0), std::string(80, 'x'));
}

TEST_F(Texts, DescriptionListFailures) {
    list.AddItem("kept");
    core::Des[2] = "Ditta";
    core::loadDescriptionList(lc(), list);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "File " + lc() + "\r\n non trovato.");
    EXPECT_EQ(svc.boxes[0].title, std::optional<std::string>("Warning"));
    EXPECT_EQ(svc.boxes[0].flags, 0);

    writeBytes(lc(), "");
    core::loadDescriptionList(lc(), list);
    EXPECT_EQ(svc.boxes[1].prompt, "Warning! File " + lc() + " empty");
    EXPECT_EQ(svc.boxes[1].flags, 16);
    EXPECT_EQ(svc.boxes[1].title, std::optional<std::string>("Ditta"));

    // 32767 bytes are read; one more is an error and the list stays as it was.
    std::string line = scrambledLines({std::string(78, 'a')}); // 80 bytes a line
    std::string big;
    while (big.size() + line.size() <= 32767)
        big += line;
    big += std::string(32767 - big.size(), '\x50');
    writeBytes(lc(), big);
    core::loadDescriptionList(lc(), list);
    EXPECT_GT(list.ListCount(), 400);
    list.Clear();
    list.AddItem("kept");
    writeBytes(lc(), big + "x");
    core::loadDescriptionList(lc(), list);
    EXPECT_EQ(svc.boxes.back().prompt, "Error file " + lc());
    EXPECT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.List(0), "kept");
    for (const auto& b : svc.boxes)
        EXPECT_NE(b.prompt.find(lc()), std::string::npos);
}
