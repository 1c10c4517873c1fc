// The start window's fonts: the designed families, and only the files it
// needs registered on the way.
#include "core/start_window.h"
#include "platform/fonts.h"
#include "support/harness.h"

#include <QFileInfo>
#include <QFontInfo>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <string>

using namespace testing_support;

namespace {

bool registered(const std::string& file) {
    const auto files = vb::registeredFontFiles();
    return std::find(files.begin(), files.end(), file) != files.end();
}

// The wine fonts come with the set-up (fonts-wine): a file that is missing
// is a fault of the machine, and fails the test that needs it.
testing::AssertionResult wineFont(const std::string& file) {
    const std::string path = "/usr/share/wine/fonts/" + file;
    if (QFileInfo::exists(QString::fromStdString(path))) return testing::AssertionSuccess();
    return testing::AssertionFailure() << path << " is missing: fonts-wine is not installed";
}

class StartFonts : public WindowTest {};

TEST_F(StartFonts, TextInTheDesignedFamilyWithOnlyItsFilesRegistered) {
    ASSERT_TRUE(wineFont("tahoma.ttf"));
    const auto before = vb::registeredFontFiles();
    startProgram();
    core::Form1& f = core::Form1::get();
    for (vb::Label* l : {&f.Label9, &f.Label1}) {
        QFontInfo info(l->widget()->font());
        EXPECT_EQ(info.family(), "Tahoma");
        EXPECT_TRUE(info.exactMatch());
    }
    // The title in bold at 12 points, the text at 9.75 (16 and 13 pixels).
    EXPECT_TRUE(QFontInfo(f.Label9.widget()->font()).bold());
    EXPECT_TRUE(f.Label9.FontBold());
    EXPECT_EQ(f.Label9.widget()->font().pixelSize(), 16);
    EXPECT_FALSE(QFontInfo(f.Label1.widget()->font()).bold());
    EXPECT_EQ(f.Label1.widget()->font().pixelSize(), 13);
    EXPECT_TRUE(registered("tahoma.ttf"));
    EXPECT_TRUE(registered("tahomabd.ttf"));
    // Families no window names are never paid for: the start adds no file
    // but Tahoma's to those that earlier tests of this process registered.
    for (const std::string& file : vb::registeredFontFiles()) {
        if (std::find(before.begin(), before.end(), file) == before.end()) {
            EXPECT_TRUE(file == "tahoma.ttf" || file == "tahomabd.ttf") << file;
        }
    }
}

// Font files are registered once per process, the first time a window asks
// for their family. A case about that first time runs as the test of the
// same name in FontsAlone, in a process of its own where no earlier test
// has asked (CATALOGUE_TEST_FONTS_ALONE names it there).
void runAlone(const char* name) {
    const QString test = QString("FontsAlone.") + name;
    QProcess child;
    startChildTest(child, test, {{"CATALOGUE_TEST_FONTS_ALONE", test}});
    ASSERT_TRUE(child.waitForFinished(120000)) << name;
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said;
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find("[  PASSED  ] 1 test."), std::string::npos) << said; // ran, not skipped
}
bool alone(const char* name) {
    return qgetenv("CATALOGUE_TEST_FONTS_ALONE") == QByteArray("FontsAlone.") + name;
}

TEST(Fonts, FamiliesRegisterOnFirstUseIgnoringCase) {
    runAlone("FamiliesRegisterOnFirstUseIgnoringCase");
}

TEST(FontsAlone, FamiliesRegisterOnFirstUseIgnoringCase) {
    if (!alone("FamiliesRegisterOnFirstUseIgnoringCase"))
        GTEST_SKIP() << "run by Fonts.FamiliesRegisterOnFirstUseIgnoringCase";
    ASSERT_TRUE(wineFont("marlett.ttf"));
    const auto before = vb::registeredFontFiles().size();
    EXPECT_EQ(vb::fontFamily("marlett"), "marlett");
    EXPECT_TRUE(registered("marlett.ttf"));
    EXPECT_EQ(vb::registeredFontFiles().size(), before + 1);
    QFont font(vb::fontFamily("Marlett"));
    EXPECT_EQ(QFontInfo(font).family(), "Marlett");
    EXPECT_EQ(vb::registeredFontFiles().size(), before + 1); // once only
    // A family of the system's own is left to the system.
    EXPECT_EQ(vb::fontFamily("DejaVu Sans"), "DejaVu Sans");
    EXPECT_EQ(vb::registeredFontFiles().size(), before + 1);
}

} // namespace

namespace {

// The warm-up reads the font configuration on a thread of its own and,
// once the application exists, registers its families there; a window that
// asks for the same family meanwhile gets it, and its files are registered
// once.
TEST(Fonts, WarmUpRegistersItsFamiliesBesideTheWindows) {
    runAlone("WarmUpRegistersItsFamiliesBesideTheWindows");
}

TEST(FontsAlone, WarmUpRegistersItsFamiliesBesideTheWindows) {
    if (!alone("WarmUpRegistersItsFamiliesBesideTheWindows"))
        GTEST_SKIP() << "run by Fonts.WarmUpRegistersItsFamiliesBesideTheWindows";
    ASSERT_TRUE(wineFont("symbol.ttf"));
    ASSERT_FALSE(registered("symbol.ttf"));
    vb::FontWarmUp warmUp({"Symbol"});
    warmUp.applicationReady();
    QFont font(vb::fontFamily("Symbol"));
    warmUp.finish();
    EXPECT_EQ(QFontInfo(font).family(), "Symbol");
    const auto files = vb::registeredFontFiles();
    EXPECT_EQ(std::count(files.begin(), files.end(), "symbol.ttf"), 1);
}

// Ended before the application was ready (the program could not start),
// the warm-up registers nothing and leaves no thread behind.
TEST(Fonts, WarmUpEndedEarlyRegistersNothing) {
    ASSERT_TRUE(wineFont("wingding.ttf"));
    const auto before = vb::registeredFontFiles();
    { vb::FontWarmUp warmUp({"Wingdings"}); }
    EXPECT_EQ(vb::registeredFontFiles(), before);
}

} // namespace
