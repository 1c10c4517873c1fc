#include "core/module1.h"
#include "core/window_services.h"
#include "db/query.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/printer.h"
#include "platform/program_folder.h"
#include "support/fixtures.h"
#include "support/harness.h"

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <thread>

using namespace testing_support;

namespace {
class Services : public WindowTest {};
} // namespace

TEST_F(Services, HelpCodeByWindow) {
    struct Case {
        const char* name;
        bool newFormat;
        int mode7, mode11;
        const char* before;
        const char* expected;
    };
    const Case cases[] = {
        {"Form2", false, 0, 0, "", "001"},    {"Form16", false, 0, 0, "", "003"},
        {"Form5", true, 0, 0, "", "008"},     {"Form5", false, 0, 0, "", "004"},
        {"Form6", false, 0, 0, "", "006"},    {"Form7", false, 0, 0, "", "005"},
        {"Form7", false, 1, 0, "", "007"},    {"Form7", false, 2, 1, "", "011"},
        {"Form7", false, 2, 0, "777", "777"}, {"Form7", false, 3, 0, "", "006"},
        {"Form7", false, 5, 0, "", "013"},    {"Form7", false, 6, 0, "", "014"},
        {"Form7", false, 4, 0, "777", "777"}, {"Form9", false, 0, 0, "", "009"},
        {"Form11", false, 0, 1, "", "011"},   {"Form11", false, 0, 0, "777", "777"},
        {"Form12", false, 0, 0, "", "012"},   {"Form14", false, 0, 0, "", "015"},
        {"Form15", false, 0, 0, "", "002"},   {"Form1", false, 0, 0, "", ""},
        {"form2", false, 0, 0, "777", "777"},
    };
    for (const Case& c : cases) {
        vb::Form f(c.name);
        core::PscNewFormat = c.newFormat;
        core::Form7Mode = std::int16_t(c.mode7);
        core::Form11Mode = std::int16_t(c.mode11);
        core::HelpCode = c.before;
        core::SetHelpCode(f);
        EXPECT_EQ(core::HelpCode, c.expected) << c.name << " " << c.mode7;
    }
}

TEST_F(Services, PointerPairSkipsControlsWithoutPointer) {
    vb::Form f("FormX");
    vb::CommandButton b(f, "Command1");
    vb::Label l(f, "Label1");
    vb::Shape s(f, "Shape1");
    vb::Line line(f, "Line1");
    vb::Timer t(f, "Timer1");
    vb::WheelCatcher w(f, "WheelCatcher1");
    b.setMousePointer(12);
    core::SetBusyPointer(f);
    EXPECT_EQ(f.MousePointer(), 11);
    EXPECT_EQ(b.MousePointer(), 11);
    EXPECT_EQ(l.MousePointer(), 11);
    core::SetHandPointer(f);
    EXPECT_EQ(f.MousePointer(), 0);
    EXPECT_EQ(b.MousePointer(), 99); // not what it was before the pair
    EXPECT_EQ(l.MousePointer(), 99);
    EXPECT_THROW(s.setMousePointer(11), vb::VbError);
}

TEST_F(Services, HexToLong) {
    const std::pair<const char*, int> cases[] = {{"0F", 15},  {"0f", 15}, {"F", 15},
                                                 {"FF", 255}, {"", 0},    {"Z1", 1},
                                                 {"1G", 16},  {"10", 16}, {"7FFFFFFF", 2147483647}};
    for (auto& [text, value] : cases)
        EXPECT_EQ(core::HexToLong(text), value) << text;
    EXPECT_THROW(core::HexToLong("80000000"), vb::VbError);
    EXPECT_FLOAT_EQ(core::InchesToTwips(5.5f), 7920.0f);
}

TEST_F(Services, RuntimeErrorReport) {
    core::Des[2] = "Ditta";
    core::Des[4] = "051";
    core::ReportRuntimeError("Form5", vb::VbError(482));
    EXPECT_FALSE(svc.ended);
    EXPECT_EQ(svc.boxes.at(0).prompt, "PRINTER NOT FOUND!! Check your printer.");
    EXPECT_EQ(svc.boxes.at(0).flags, 16);
    core::ReportRuntimeError("Form5", vb::VbError(484));
    EXPECT_FALSE(svc.ended);
    EXPECT_THROW(core::ReportRuntimeError("Form5", vb::VbError(53)), vb::ProgramEnded);
    EXPECT_EQ(svc.boxes.at(2).prompt, "Form5: ERROR # 53\rFile not found\rProgram stopped.");
    EXPECT_EQ(svc.boxes.at(2).title, std::optional<std::string>("Ditta 051"));
}

TEST_F(Services, PrintoutThatFailsGivesThePrinterBackAndAbandonsItsJob) {
    vb::PrinterObject& p = vb::Printer();
    p.setOrientation(vb::vbPRORLandscape);
    p.setFontName("Courier New");
    p.setFontSize(9);
    p.setScaleMode(vb::vbTwips);
    bool cleaned = false;
    const bool done = core::RunPrintout(
        [&] {
            p.setOrientation(vb::vbPRORPortrait);
            p.setFontName("Arial");
            p.setFontSize(12);
            p.setScaleMode(vb::vbMillimeters);
            p.Print("half a page");
            ASSERT_TRUE(p.jobOpen());
            throw vb::VbError(vb::errInvalidCall);
        },
        vb::PrinterRestore::Everything, [](const vb::VbError& e) { return "failed: " + e.description(); },
        [&] { cleaned = !p.jobOpen(); });
    EXPECT_FALSE(done);
    EXPECT_TRUE(cleaned); // the job is gone before the clean-up runs
    EXPECT_TRUE(p.jobs().empty());
    EXPECT_EQ(p.Orientation(), vb::vbPRORLandscape);
    EXPECT_EQ(p.FontName(), "Courier New");
    EXPECT_EQ(p.FontSize(), 9);
    EXPECT_EQ(p.ScaleMode(), vb::vbTwips);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "failed: " + vb::errorDescription(vb::errInvalidCall));
    // A printer error is told the one way; without a text other errors are not.
    EXPECT_FALSE(core::RunPrintout([] { throw vb::VbError(vb::errPrinter); }, vb::PrinterRestore::Nothing));
    EXPECT_FALSE(
        core::RunPrintout([] { throw vb::VbError(vb::errInvalidCall); }, vb::PrinterRestore::Nothing));
    ASSERT_EQ(svc.boxes.size(), 2u);
    EXPECT_EQ(svc.boxes[1].prompt, "PRINTER NOT FOUND!! Check your printer.");
    // A printout that ends its job is kept.
    EXPECT_TRUE(core::RunPrintout(
        [&] {
            p.Print("a page");
            p.EndDoc();
        },
        vb::PrinterRestore::Nothing));
    EXPECT_EQ(p.jobs().size(), 1u);
}

// A name swapped again and again between a file (or a folder) of the
// program folder and a link that leads out of it, while the program opens
// it: whatever the moment, nothing outside is written or read, the
// preference file, a text file, a file in a swapped folder and a table
// alike. Services.NamesSwappedWithoutOpenat2 runs it on an older kernel.
TEST_F(Services, NamesSwappedForLinksOutAsTheyAreOpened) {
    namespace fs = std::filesystem;
    QTemporaryDir elsewhere;
    const std::string out = elsewhere.path().toStdString();
    core::AppPath = vb::programFolder();
    writeBytes(out + "/kvt95.ccc", "outside");
    writeBytes(out + "/des_ita.cpt", "outside");
    fs::create_directory(out + "/des");
    writeBytes(out + "/des/des_ita.cpt", "outside");
    const std::string inside = vb::readAll(core::AppPath + "\\des\\des_ita.cpt");
    fs::copy_file(file("Ark/Xmarche.dbf"), out + "/Xmarche.dbf");
    rewriteTable(out + "/Xmarche.dbf", [](auto&, Records& records) { records.pop_back(); });
    writeBytes(file("kvt95.ccc"), "_ing");
    db::DataControl brands;
    core::useTableFolder(brands, "\\Ark");
    brands.RecordSource = "SELECT * FROM Xmarche.dbf ORDER BY marca";
    brands.Refresh();
    const int insideBrands = brands.Recordset().RecordCount();

    // Runs use for a while with the name swapped as fast as it can be; use
    // says whether it got through, which it does at some moments.
    const auto whileSwapped = [&](const std::string& name, const std::function<bool()>& use) {
        const std::string swap = file(name) + ".swap";
        fs::create_symlink(out + "/" + fs::path(name).filename().string(), swap);
        std::atomic<bool> stop{false};
        std::atomic<long> swaps{0};
        std::thread swapper([&] {
            while (!stop.load())
                if (::renameat2(AT_FDCWD, file(name).c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE) == 0)
                    ++swaps;
        });
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        int uses = 0, done = 0;
        for (; uses < 20000 && std::chrono::steady_clock::now() < end; ++uses)
            done += use();
        stop.store(true);
        swapper.join();
        EXPECT_GT(swaps.load(), 100) << name;
        EXPECT_GT(uses, 100) << name;
        EXPECT_GT(done, 0) << name;
        if (fs::is_symlink(file(name))) {
            EXPECT_EQ(::renameat2(AT_FDCWD, file(name).c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE), 0);
        }
        EXPECT_FALSE(fs::is_symlink(file(name)));
    };

    int readOutside = 0, queriedOutside = 0;
    whileSwapped("kvt95.ccc", [&] {
        try {
            vb::writeAt(core::AppPath + "\\kvt95.ccc", 1, "_ita");
            return true;
        } catch (const vb::VbError&) {
            return false;
        }
    });
    const auto readText = [&] {
        try {
            readOutside += vb::readAll(core::AppPath + "\\des\\des_ita.cpt") != inside;
            return true;
        } catch (const vb::VbError&) {
            return false;
        }
    };
    whileSwapped("des/des_ita.cpt", readText);
    whileSwapped("des", readText);
    whileSwapped("Ark/Xmarche.dbf", [&] {
        try {
            brands.Refresh();
            queriedOutside += brands.Recordset().RecordCount() != insideBrands;
            return true;
        } catch (const db::Error&) {
            return false;
        }
    });
    EXPECT_EQ(readBytes(out + "/kvt95.ccc"), "outside");
    EXPECT_EQ(readOutside, 0);
    EXPECT_EQ(queriedOutside, 0);
    EXPECT_EQ(readBytes(file("kvt95.ccc")), "_ita");
}

// The test above on a kernel without openat2.
TEST_F(Services, NamesSwappedWithoutOpenat2) {
    expectPassedWithoutOpenat2({"Services.NamesSwappedForLinksOutAsTheyAreOpened"});
}
