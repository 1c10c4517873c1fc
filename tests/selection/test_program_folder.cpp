// A program folder whose name is not plain ASCII: shown as it is named, and
// every data file below it still found.
#include "core/module1.h"
#include "core/start_window.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "sampledata/expected.h"
#include "selection/main_window.h"
#include "support/harness.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>

using namespace testing_support;
using selection::Form2;
namespace ex = sampledata::expected;
namespace fs = std::filesystem;

namespace {

class ProgramFolder : public WindowTest {
  protected:
    // Moves this test's data set into a sub-folder of that name (UTF-8 on
    // disk, as the file system names it) and makes it the program folder.
    std::string useFolder(const std::string& utf8Name) {
        const fs::path folder = fs::path(appPath()) / utf8Name;
        fs::create_directory(folder);
        for (const auto& entry : fs::directory_iterator(appPath()))
            if (entry.is_directory() && entry.path() != folder)
                fs::rename(entry.path(), folder / entry.path().filename());
        vb::setProgramFolder(folder.string());
        return folder.string();
    }
};

} // namespace

TEST_F(ProgramFolder, NonAsciiNameIsShownAsNamedAndEveryFileIsFound) {
    useFolder("Citt\xC3\xA0 Dati");
    startProgram();
    core::Form1& start = core::Form1::get();
    EXPECT_TRUE(svc.boxes.empty());
    // The program folder is text like every other path: one character for
    // the accented letter, shown as it is named.
    EXPECT_TRUE(vb::toQt(core::AppPath).endsWith(QString::fromUtf8("Citt\xC3\xA0 Dati"))) << core::AppPath;
    EXPECT_FALSE(start.Image2.Picture().isNull());
    EXPECT_FALSE(start.Label1.Caption().empty());
    EXPECT_GT(start.ListAllDescr.ListCount(), 0);

    Form2& f = Form2::get();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
    EXPECT_FALSE(f.Image1.Picture().isNull());
    EXPECT_FALSE(f.Picture3.Picture().isNull()); // the first model's photo
    EXPECT_EQ(f.MSGrid1.TextMatrix(1, 0), std::string(ex::kFirstModel));
    EXPECT_GT(f.ListTipoPsc.ListCount(), 0);
    // Files the program writes land there too.
    EXPECT_TRUE(fs::exists(fs::path(vb::resolvePath(core::AppPath + "\\kvt95.ccc"))));

    // A message about a file there names the folder as it is named.
    fs::remove(vb::resolvePath(core::AppPath + "\\ark\\par_ita.cpt"));
    f.Load_DescrizioniParametri();
    ASSERT_EQ(svc.boxes.size(), 1u);
    const QString shown = vb::toQt(vb::displayPaths(svc.boxes[0].prompt));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("/Citt\xC3\xA0 Dati/ark/par_ita.cpt")))
        << shown.toStdString();
}

TEST_F(ProgramFolder, NameOutsideWindows1252StaysReachable) {
    const std::string native = useFolder("\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5"); // Cyrillic
    startProgram();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(vb::resolvePath(core::AppPath + "\\Ark\\XMARCHE.DBF"), native + "/Ark/Xmarche.dbf");
    Form2& f = Form2::get();
    EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(ProgramFolder, FileNamesWithAccentsResolveInEitherCase) {
    const std::string native = useFolder("dati");
    // A data file named with an accented letter, in UTF-8 on disk.
    const std::string onDisk = native + "/mas/Citt\xC3\xA0.txt";
    { std::ofstream(onDisk) << "x"; }
    EXPECT_EQ(vb::resolvePath(native + "\\mas\\Citt\xE0.txt"), onDisk);
    EXPECT_EQ(vb::resolvePath(native + "\\MAS\\CITT\xC0.TXT"), onDisk);
    EXPECT_TRUE(vb::fileExists(native + "\\mas\\citt\xE0.txt"));
    // One that does not exist yet is created under its UTF-8 name.
    vb::writeNew(native + "\\mas\\N\xE9.txt", "y");
    EXPECT_TRUE(fs::exists(native + "/mas/N\xC3\xA9.txt"));
}

// The desktop message box shows the paths of a message with the system's
// separator, whatever separator the window wrote.
TEST(MessagePaths, DesktopBoxShowsNativeSeparators) {
    vb::setServices(nullptr);
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    vb::MsgBox("Error: file /opt/Citt\xE0 Dati\\des\\des_ing.cpt not available", vb::vbCritical);
    EXPECT_EQ(shown, QString::fromUtf8("Error: file /opt/Citt\xC3\xA0 Dati/des/des_ing.cpt not available"));
}
