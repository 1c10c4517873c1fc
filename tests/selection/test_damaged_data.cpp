// Damaged data reached through the main window: every failure is reported
// once, names the file at fault, and the window goes on.
#include "core/module1.h"
#include "core/scramble.h"
#include "core/start_window.h"
#include "db/dbase.h"
#include "dbwriter/table_writer.h"
#include "platform/events.h"
#include "db/query.h"
#include "mechanical/ac_window.h"
#include "platform/vbstring.h"
#include "sampledata/encode.h"
#include "sampledata/expected.h"
#include "selection/main_window.h"
#include "support/fixtures.h"
#include "support/harness.h"

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

using namespace testing_support;
using selection::Form2;
namespace ex = sampledata::expected;
namespace fs = std::filesystem;

namespace {

// A stored value that the table decoder pushes past code 255: a character
// whose code-page mapping plus its key entry passes 255, after blanks.
std::string undecodableValue() {
    core::InitKeys();
    for (std::size_t p = 0; p < 80; ++p)
        for (int c = 161; c < 256; ++c)
            if (core::AnsiToOemTableConv()[size_t(c - 128)] + core::Key[p] > 255)
                return std::string(p, ' ') + char(c);
    ADD_FAILURE() << "no undecodable value";
    return {};
}

class DamagedData : public WindowTest {
  protected:
    std::string table(const std::string& name) { return file("Ark/" + name); }

    // The user's way in: the start window's first language button; what is
    // given runs in the main window that the button opens.
    void pressLanguageButton(const std::function<void(Form2&)>& inMainWindow = {}) {
        svc.todayDate = QDate(1899, 12, 30); // no update reminder in between
        if (inMainWindow)
            svc.onShow = [&](vb::Form* form, const std::string& name) {
                if (name == "Form2") inMainWindow(static_cast<Form2&>(*form));
            };
        core::Form1::get().Command1(0).click();
        svc.onShow = nullptr;
    }

    // Every box the test saw is about file, once.
    void expectOneReportNaming(const std::string& fileName) {
        std::string all;
        for (const Box& b : svc.boxes)
            all += "[" + b.prompt + "] ";
        ASSERT_EQ(svc.boxes.size(), 1u) << all;
        EXPECT_NE(vb::LCase(svc.boxes[0].prompt).find(vb::LCase(fileName)), std::string::npos) << all;
        EXPECT_EQ(svc.boxes[0].flags & 0x70, vb::vbCritical);
        EXPECT_FALSE(svc.ended);
    }
};

} // namespace

TEST_F(DamagedData, ModelTableWithoutAFieldTheWindowReads) {
    rewriteTable(table("Xmod_01.dbf"), [](auto& defs, Records& records) {
        const int f = fieldIndex(defs, "presa_diag");
        ASSERT_GE(f, 0);
        defs.erase(defs.begin() + f);
        for (auto& r : records)
            r.erase(r.begin() + f);
    });
    startProgram();
    bool opened = false;
    pressLanguageButton([&](Form2& f) {
        opened = true;
        // The window still lists the models and the other brands work.
        EXPECT_TRUE(f.Picture1.Visible());
        EXPECT_EQ(f.MSGrid1.TextMatrix(1, 0), std::string(ex::kFirstModel));
        expectOneReportNaming("xmod_01.dbf");
        EXPECT_NE(svc.boxes[0].prompt.find("presa_diag"), std::string::npos);
        f.ListaMarche.setListIndex(1);
        EXPECT_EQ(core::BrandId, std::string(ex::kBrands[1].id));
        EXPECT_EQ(svc.boxes.size(), 1u);
    });
    EXPECT_TRUE(opened);
}

TEST_F(DamagedData, ValueThatCannotBeDecodedAtStartUp) {
    rewriteTable(table("Xmod_01.dbf"), [&](auto& defs, Records& records) {
        const int f = fieldIndex(defs, "MODELLO___");
        const std::string bad = undecodableValue();
        ASSERT_LE(bad.size(), size_t(defs[size_t(f)].length));
        for (auto& r : records)
            r[size_t(f)] = bad;
    });
    startProgram();
    bool opened = false;
    pressLanguageButton([&](Form2& f) {
        opened = true;
        EXPECT_TRUE(f.Picture1.Visible());
        expectOneReportNaming("xmod_01.dbf");
        // Another brand is still there to choose.
        f.ListaMarche.setListIndex(1);
        EXPECT_EQ(core::BrandId, std::string(ex::kBrands[1].id));
        EXPECT_GT(f.MSGrid1.Rows(), 1);
    });
    EXPECT_TRUE(opened);
}

TEST_F(DamagedData, MemoRunningPastTheEndOfItsFileAtStartUp) {
    // Every dBase IV memo block of the first brand claims more bytes than
    // the memo file holds.
    std::string memo = readBytes(table("Xmod_01.dbt"));
    int damaged = 0;
    for (std::size_t off = 512; off + 8 <= memo.size(); off += 512)
        if (memo.compare(off, 4, "\xFF\xFF\x08\x00", 4) == 0) {
            memo.replace(off + 4, 4, "\x00\x00\x00\x7F", 4);
            ++damaged;
        }
    ASSERT_GT(damaged, 0);
    writeBytes(table("Xmod_01.dbt"), memo);
    startProgram();
    bool opened = false;
    pressLanguageButton([&](Form2& f) {
        opened = true;
        EXPECT_TRUE(f.Picture1.Visible());
        expectOneReportNaming("Xmod_01.dbt");
    });
    EXPECT_TRUE(opened);
}

TEST_F(DamagedData, MemoFileDeletedWhileTheWindowIsOpen) {
    Form2& f = (startProgram(), Form2::get());
    ASSERT_TRUE(svc.boxes.empty());
    // The diesel filter finds no model of the third brand's first family, so
    // its table is open while none of its memos has been read.
    f.Option1(2).setValue(true);
    f.ListaMarche.setListIndex(2);
    ASSERT_EQ(f.MSGrid1.Rows(), 1);
    fs::remove(table("Xmod_03.dbt"));
    f.Option1(0).setValue(true);
    expectOneReportNaming("Xmod_03.dbt");
    // The window goes on: the first brand still works.
    f.ListaMarche.setListIndex(0);
    EXPECT_EQ(core::BrandId, std::string(ex::kFirstBrandId));
    EXPECT_EQ(svc.boxes.size(), 1u);
}

TEST_F(DamagedData, CatalogueMissingThenComponentLocations) {
    Form2& f = (startProgram(), Form2::get());
    fs::remove(table("xpsc.dbf"));
    f.Show();
    ASSERT_TRUE(f.Label10(4).Enabled());
    const auto base = core::DiagramMode;
    QTest::mouseClick(f.Label10(4).widget(), Qt::LeftButton);
    expectOneReportNaming("xpsc.dbf");
    // The viewer is not opened on missing data, and the menu is ready again.
    EXPECT_TRUE(svc.shown.empty());
    EXPECT_EQ(f.MousePointer(), 0);
    EXPECT_EQ(f.Label10(4).MousePointer(), 99);
    EXPECT_EQ(core::DiagramMode, base);
    EXPECT_EQ(core::Form6FromMenu, 0);
}

// One click that reaches one damaged table along several paths shows one box.
TEST_F(DamagedData, OneClickOneReport) {
    Form2& f = (startProgram(), Form2::get());
    rewriteTable(table("Xmod_02.dbf"), [](auto& defs, Records& records) {
        const int socket = fieldIndex(defs, "presa_diag");
        defs.erase(defs.begin() + socket);
        for (auto& r : records)
            r.erase(r.begin() + socket);
    });
    f.Show();
    QTest::mouseClick(f.MSFlexGrid1.widget(), Qt::LeftButton, {}, f.MSFlexGrid1.cellRect(0, 1).center());
    EXPECT_EQ(core::BrandId, std::string(ex::kBrands[1].id));
    expectOneReportNaming("xmod_02.dbf");
    // The next click is a new action and may report again.
    QTest::mouseClick(f.MSFlexGrid1.widget(), Qt::LeftButton, {}, f.MSFlexGrid1.cellRect(0, 0).center());
    QTest::mouseClick(f.MSFlexGrid1.widget(), Qt::LeftButton, {}, f.MSFlexGrid1.cellRect(0, 1).center());
    EXPECT_EQ(svc.boxes.size(), 2u);
}

// A list of A/C diagrams that cannot be decoded offers none: the A/C page
// opens with only the universal diagram, and nothing is reported.
TEST_F(DamagedData, AcDiagramListThatCannotBeDecoded) {
    rewriteTable(table("Xmod_01.dbf"), [&](auto& defs, Records& records) {
        const int f = fieldIndex(defs, "schemi");
        ASSERT_GE(f, 0);
        const std::string bad = undecodableValue();
        ASSERT_LE(bad.size(), size_t(defs[size_t(f)].length));
        for (auto& r : records)
            r[size_t(f)] = bad;
    });
    chooseVehicle("ARDESIA", "ALBA", "ALBA 1.2 16V");
    mechanical::Form12& ac = mechanical::Form12::get();
    EXPECT_FALSE(ac.Command7.Enabled());
    EXPECT_FALSE(ac.Command8.Enabled());
    EXPECT_TRUE(ac.Command9.Enabled());
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_FALSE(svc.ended);
}

// A table or memo file is read only where it stays inside the program
// folder: behind a link that leads outside it is a missing file, reported as
// one, and so is every table of a folder that leads outside, and a FIFO. A
// link that stays inside leads to its file.
TEST_F(DamagedData, TablesBehindLinks) {
    QTemporaryDir elsewhere;
    const std::string out = elsewhere.path().toStdString();
    const auto moveAndLink = [](const std::string& from, const std::string& to) {
        fs::rename(from, to);
        fs::create_symlink(to, from);
    };
    const auto putBack = [](const std::string& from, const std::string& to) {
        fs::remove(from);
        fs::rename(to, from);
    };
    startProgram();
    int opened = 0;
    moveAndLink(table("Xmarche.dbf"), out + "/Xmarche.dbf");
    pressLanguageButton([&](Form2& f) {
        ++opened;
        expectOneReportNaming("Xmarche.dbf not available");
        EXPECT_EQ(f.ListaMarche.ListCount(), 0);
    });
    putBack(table("Xmarche.dbf"), out + "/Xmarche.dbf");

    svc.boxes.clear();
    moveAndLink(table("Xmod_01.dbt"), out + "/Xmod_01.dbt");
    pressLanguageButton([&](Form2& f) {
        ++opened;
        expectOneReportNaming("Xmod_01.dbt not available");
        EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
        EXPECT_EQ(f.MSGrid1.Rows(), 1); // no model of the first brand
    });
    putBack(table("Xmod_01.dbt"), out + "/Xmod_01.dbt");

    // A FIFO in place of a table or memo file is no file: the same report as
    // for a missing one, at once.
    for (const std::string name : {"Xmarche.dbf", "Xmod_01.dbt"}) {
        svc.boxes.clear();
        fs::rename(table(name), out + "/" + name);
        std::string missing;
        pressLanguageButton([&](Form2&) {
            ++opened;
            ASSERT_EQ(svc.boxes.size(), 1u);
            missing = svc.boxes[0].prompt;
        });
        EXPECT_NE(vb::LCase(missing).find(vb::LCase(name)), std::string::npos) << missing;
        svc.boxes.clear();
        {
            const FifoGuard fifo(table(name));
            pressLanguageButton([&](Form2&) {
                ++opened;
                ASSERT_EQ(svc.boxes.size(), 1u);
                EXPECT_EQ(svc.boxes[0].prompt, missing);
            });
            EXPECT_FALSE(fifo.released()) << "the window waited for the FIFO " << name;
        }
        fs::remove(table(name));
        fs::rename(out + "/" + name, table(name));
    }

    svc.boxes.clear();
    moveAndLink(table("Xmarche.dbf"), file("des/Xmarche.dbf"));
    moveAndLink(table("Xmod_01.dbt"), file("mas/Xmod_01.dbt"));
    pressLanguageButton([&](Form2& f) {
        ++opened;
        EXPECT_TRUE(svc.boxes.empty());
        EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
        EXPECT_EQ(f.MSGrid1.TextMatrix(1, 0), std::string(ex::kFirstModel));
    });

    svc.boxes.clear();
    moveAndLink(file("Ark"), out + "/Ark");
    pressLanguageButton([&](Form2& f) {
        ++opened;
        // The descriptions of that folder are missing as well.
        ASSERT_EQ(svc.boxes.size(), 2u);
        EXPECT_EQ(svc.boxes[0].prompt, "File  psc_ita.cpt not found.");
        EXPECT_EQ(svc.boxes[1].prompt, "Error: file " + core::AppPath + "\\Ark\\Xmarche.dbf not available");
        EXPECT_EQ(f.ListaMarche.ListCount(), 0);
        EXPECT_FALSE(svc.ended);
    });
    EXPECT_EQ(opened, 8);
}

// A photo name that climbs out of the program folder names no file: the
// missing photo is reported as the window reports any missing photo, and
// neither the picture nor the recovery copy beside it outside is touched.
TEST_F(DamagedData, PhotoNameLeadingOutOfTheProgramFolder) {
    QTemporaryDir elsewhere;
    const std::string out = elsewhere.path().toStdString();
    core::InitKeys();
    const std::string recovery = scrambledPicture(40, 30);
    writeBytes(out + "/x.jpg", std::string(300, 'Q')); // no picture
    writeBytes(out + "/x.REC", recovery);
    std::string name = "/../../.."; // from cars\01\X up to the program folder
    for (const auto& part : fs::path(appPath()).relative_path())
        if (!part.empty()) name += "/..";
    name += out + "/x";
    ASSERT_LE(name.size(), 80u);
    rewriteTable(table("Xmod_01.dbf"), [&](auto& defs, Records& records) {
        const int f = fieldIndex(defs, "FOTO__AUTO");
        defs[size_t(f)].length = 80;
        for (auto& r : records)
            r[size_t(f)] = sampledata::encodePadded(sampledata::Form::Conv, name, 80);
    });
    svc.answers = {vb::vbYes}; // should a recovery be offered
    startProgram();
    EXPECT_THROW(pressLanguageButton(), vb::ProgramEnded);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: (0) file " + vb::LCase(core::AppPath + "\\cars\\" +
                                       std::string(ex::kFirstBrandId) + "\\X" + name + ".jpg") +
                                       " not available");
    EXPECT_TRUE(readBytes(out + "/x.jpg") == std::string(300, 'Q'));
    EXPECT_TRUE(readBytes(out + "/x.REC") == recovery);
}
