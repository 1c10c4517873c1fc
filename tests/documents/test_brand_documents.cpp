#include "core/interface.h"
#include "core/module1.h"
#include "documents/brand_documents.h"
#include "documents/manual_viewer.h"
#include "documents/trouble_code_browser.h"
#include "platform/file_io.h"
#include "platform/vbstring.h"
#include "sampledata/sampledata.h"
#include "selection/main_window.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"

#include <QTest>
#include <QTextDocument>

using namespace testing_support;
using documents::Form14;

namespace {

class BrandDocuments : public WindowTest {
  protected:
    Form14& open() {
        startProgram();
        core::ManualSection = 20;
        return Form14::get();
    }
    static std::string documentText(Form14& f) { return f.RTB1.document().toPlainText().toStdString(); }
};

} // namespace

TEST_F(BrandDocuments, ListsOnlyBrandsWithADocumentInNameOrder) {
    Form14& f = open();
    EXPECT_TRUE(svc.boxes.empty());
    ASSERT_EQ(f.MSGrid1.Rows(), 3);
    EXPECT_EQ(f.MSGrid1.TextMatrix(0, 0), "ARDESIA");
    EXPECT_EQ(f.MSGrid1.TextMatrix(1, 0), "CALDERA");
    EXPECT_EQ(f.MSGrid1.TextMatrix(2, 0), "DOLOMIA");
    EXPECT_EQ(f.List1.items(), (std::vector<std::string>{"01", "03", "04"}));
    EXPECT_EQ(f.MSGrid1.Row(), 0);
    EXPECT_EQ(f.List1.ListIndex(), 0);
    EXPECT_FALSE(f.RTB1.Visible());
    EXPECT_TRUE(f.Command7.Visible());
    EXPECT_EQ(f.Label1.Caption(), core::Des[9]);
    EXPECT_EQ(f.Label5.Caption(), vb::UCase(core::Des[90]));
    EXPECT_EQ(f.Caption(),
              core::Des[0] + " " + core::Des[1] + " - " + core::Des[3] + " - Tel: " + core::Des[4]);
    EXPECT_EQ(f.MSGrid1.Width(), 5000);
    EXPECT_EQ(f.Command5.Left(), f.Width() - f.Command5.Width() - 100);
    EXPECT_EQ(f.Command20.Left(), f.Command4.Left() - f.Command5.Width() - 15);
    EXPECT_FALSE(f.toolbar.Command30.Visible());
    EXPECT_EQ(f.Command20.ToolTipText(), core::Des[86]);
    EXPECT_EQ(f.Command7.ToolTipText(), core::Des[45]);
    EXPECT_EQ(f.Command7.Picture().toImage(), core::interfacePicture("right.gif").toImage());
    EXPECT_EQ(f.Command7.MousePointer(), vb::vbCustom);
    EXPECT_EQ(f.MSGrid1.MousePointer(), vb::vbCustom);
    EXPECT_EQ(f.MousePointer(), 0);
}

// Short of descriptors or memory as it reads the brands, the window says so
// of the table and calls it neither missing nor damaged.
TEST_F(BrandDocuments, ShortageOnTheBrandsIsToldAsItself) {
    if (!shortageChild())
        return expectShortagesTold("BrandDocuments.ShortageOnTheBrandsIsToldAsItself", {"Xmarche.dbf"});
    startProgram();
    ASSERT_TRUE(injectToldShortage(appPath()));
    open();
    reportBoxesToParent(svc);
}

// The reference windows' header band as painted: the logo centred in the
// frame's height at its left, the title beside the logo inside the frame.
TEST_F(BrandDocuments, ReferenceWindowsPaintLogoAndTitleInsideTheirHeader) {
    startProgram();
    core::ManualSection = 20;
    auto check = [](vb::Form& f, documents::LogoHeader& h) {
        SCOPED_TRACE(f.Name());
        f.show();
        const QImage img = f.grab().toImage();
        const QRect frame = h.Shape2.widget()->geometry();
        QRect logo, title;
        for (int y = frame.top() + 1; y < frame.bottom(); ++y)
            for (int x = frame.left() + 1; x < frame.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c == QColor(255, 255, 192)) logo |= QRect(x, y, 1, 1);
                if (c.blue() > 170 && c.red() < 40 && c.green() < 40) title |= QRect(x, y, 1, 1);
            }
        ASSERT_FALSE(logo.isEmpty());
        ASSERT_FALSE(title.isEmpty());
        EXPECT_NEAR(logo.center().y(), frame.center().y(), 2);
        EXPECT_LT(logo.left(), frame.left() + 15);
        EXPECT_GT(title.left(), logo.right());
        EXPECT_GT(title.top(), frame.top() + 5);
        EXPECT_LT(title.bottom(), frame.bottom() - 5);
    };
    check(Form14::get(), Form14::get());
    check(documents::Form8::get(), documents::Form8::get());
    check(documents::Form4::get(), documents::Form4::get());
}

TEST_F(BrandDocuments, OpenBackAndClose) {
    Form14& f = open();
    f.MSGrid1.setRow(1);
    EXPECT_EQ(f.List1.ListIndex(), 1);
    f.MSGrid1_DblClick();
    EXPECT_TRUE(f.RTB1.Visible());
    EXPECT_FALSE(f.MSGrid1.Visible());
    EXPECT_FALSE(f.Label1.Visible());
    EXPECT_FALSE(f.Command7.Visible());
    EXPECT_NE(documentText(f).find("CALDERA - Documentazione tecnica"), std::string::npos);
    EXPECT_EQ(f.RTB1.Top(), f.Shape2.Top() + f.Shape2.Height() + 20);
    EXPECT_EQ(f.RTB1.Width(), f.Width() - 75);
    EXPECT_FALSE(vb::fileExists(appPath() + "\\DcFile.RTF"));
    EXPECT_FALSE(core::UseSecondKey);

    f.Command6_Click();
    EXPECT_FALSE(f.RTB1.Visible());
    EXPECT_TRUE(f.MSGrid1.Visible());
    EXPECT_EQ(f.MSGrid1.Row(), 1);
    EXPECT_FALSE(f.isUnloaded());
    // The open button does what the double click does.
    f.MSGrid1.setRow(0);
    f.Command7.click();
    EXPECT_NE(documentText(f).find("ARDESIA"), std::string::npos);
    // Esc is the back button: back to the list, then closed.
    f.previewKey(27, 0);
    EXPECT_TRUE(f.MSGrid1.Visible());
    f.previewKey(27, 0);
    EXPECT_TRUE(f.isUnloaded());
}

TEST_F(BrandDocuments, SameListInEveryLanguage) {
    startProgram();
    core::Lang = "_ing";
    Form14& f = Form14::get();
    EXPECT_EQ(f.MSGrid1.Rows(), 3);
    f.MSGrid1_DblClick();
    EXPECT_NE(documentText(f).find("ARDESIA"), std::string::npos);
}

TEST_F(BrandDocuments, NoDocumentsLeavesNothingToOpen) {
    for (const char* id : {"01", "03", "04"})
        vb::Kill(appPath() + "\\ric\\tx_ita\\x" + id + ".rtf");
    Form14& f = open();
    EXPECT_EQ(f.MSGrid1.Rows(), 0);
    EXPECT_FALSE(f.Command7.Enabled());
    f.MSGrid1_DblClick();
    EXPECT_FALSE(f.RTB1.Visible());
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(BrandDocuments, KeysAndWheel) {
    Form14& f = open();
    f.previewKey(113, 0);
    f.previewKey(123, 0);
    f.previewKey(112, 0);
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form8", "Form4", "Form8"}));
    EXPECT_EQ(core::HelpCode, "015");
    f.previewKey(124, 0); // no brand documents from here
    EXPECT_EQ(svc.shown.size(), 3u);
    EXPECT_EQ(f.MousePointer(), 0);
    EXPECT_EQ(f.MSGrid1.MousePointer(), 99);
    f.WheelCatcher1_WheelRotation(1, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 0);
}

// From each window the toolbar reaches every reference window, and each of
// them is the real window, loaded on its data.
TEST_F(BrandDocuments, EveryToolbarTargetOfTheMainWindowIsARealWindow) {
    startProgram();
    selection::Form2& main = selection::Form2::get();
    std::vector<std::string> loaded;
    svc.onShow = [&](vb::Form* form, const std::string& name) {
        ASSERT_NE(form, nullptr) << name << " is not built in";
        loaded.push_back(name + ":" + std::to_string(core::ManualSection));
    };
    for (int key : {112, 113, 114, 115, 116, 123, 124})
        main.previewKey(key, 0);
    EXPECT_EQ(loaded, (std::vector<std::string>{"Form8:11", "Form8:20", "Form8:30", "Form8:50", "Form8:40",
                                                "Form4:20", "Form14:20"}));
    EXPECT_TRUE(svc.boxes.empty()) << svc.boxes[0].prompt;
}

// The windows spell the same folders in mixed case ("\Glo\tx", "\glo\tx",
// "\Gas\xf000.gif", "x<id>.RTF"); a data folder written all in lower case
// opens the same.
TEST_F(BrandDocuments, EveryWindowReadsALowerCaseDataFolder) {
    sampledata::Options o;
    o.lowerCaseNames = true;
    sampledata::writeSampleData(appPath(), o);
    startProgram();
    for (int section : {20, 30, 40, 50}) {
        core::ManualSection = std::int16_t(section);
        documents::Form8& f = documents::Form8::get();
        ASSERT_GT(f.MSGrid1.Rows(), 0) << section;
        for (int row : {0, 1}) {
            f.MSGrid1.setRow(row);
            f.Command7.click();
            EXPECT_FALSE(f.Surface.items().empty()) << section << " " << row;
            f.Command8_Click();
        }
        f.Unload();
    }
    core::ManualSection = 11;
    core::HelpCode = "015";
    EXPECT_FALSE(documents::Form8::get().Surface.items().empty());
    documents::Form8::get().Unload();
    Form14& b = Form14::get();
    EXPECT_EQ(b.MSGrid1.Rows(), 3);
    b.Command7.click();
    EXPECT_NE(documentText(b).find("ARDESIA"), std::string::npos);
    EXPECT_TRUE(svc.boxes.empty()) << svc.boxes[0].prompt;
    EXPECT_FALSE(svc.ended);
}

// A damaged document shows what could be read, and one message names it;
// opening it again in the same window says nothing more.
TEST_F(BrandDocuments, DamagedDocumentIsShownAsFarAsItReadsAndReportedOnce) {
    startProgram();
    const std::string path = core::AppPath + "\\ric\\tx_ita\\x03.RTF";
    for (const auto& d : damagedDocuments()) {
        SCOPED_TRACE(d.form);
        writeBytes(file("ric/tx_ita/x03.rtf"), scrambleHeader(d.bytes));
        svc.boxes.clear();
        Form14& f = Form14::get();
        f.Show();
        QTest::mouseClick(f.MSGrid1.widget(), Qt::LeftButton, {}, f.MSGrid1.cellRect(1, 0).center());
        ASSERT_EQ(f.List1.ListIndex(), 1);
        for (int open = 0; open < 2; ++open) {
            QTest::mouseClick(f.Command7.widget(), Qt::LeftButton);
            ASSERT_TRUE(f.RTB1.Visible());
            if (!d.shown.empty()) {
                EXPECT_NE(documentText(f).find(d.shown), std::string::npos);
            }
            QTest::mouseClick(f.Command6.widget(), Qt::LeftButton); // back to the list
        }
        ASSERT_EQ(svc.boxes.size(), 1u);
        EXPECT_EQ(svc.boxes[0].prompt,
                  "Error: file " + vb::LCase(path) + " is damaged\r\n" + vb::rtfDamageText(d.damage));
        // The next brand's sound document says nothing.
        QTest::mouseClick(f.MSGrid1.widget(), Qt::LeftButton, {}, f.MSGrid1.cellRect(2, 0).center());
        QTest::mouseClick(f.Command7.widget(), Qt::LeftButton);
        EXPECT_NE(documentText(f).find("DOLOMIA"), std::string::npos);
        EXPECT_EQ(svc.boxes.size(), 1u);
        f.Unload();
        vb::FormRegistry::unloadAll();
    }
}
