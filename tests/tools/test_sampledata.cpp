// The generated data folder, read back through the program's decoders and
// the dBase reader.
#include "sampledata/encode.h"
#include "sampledata/expected.h"
#include "sampledata/sampledata.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "platform/dbase.h"

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace fs = std::filesystem;
using namespace sampledata;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string unix(std::string rel) {
    std::replace(rel.begin(), rel.end(), '\\', '/');
    return rel;
}

bool loadsAsPicture(const std::string& bytes, const char* format = nullptr) {
    QImage img;
    return img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), format) &&
           !img.isNull();
}

// The file as the program sees it after decoding its header.
std::string decodedPicture(const fs::path& p) {
    std::string bytes = readAll(p);
    core::decodeHeader(bytes, core::Key);
    return bytes;
}

class SampleData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        root_ = dir_->path().toStdString();
        writeSampleData(root_);
    }
    static void TearDownTestSuite() { dir_.reset(); }

    static fs::path file(const std::string& rel) { return fs::path(root_) / unix(rel); }
    static std::vector<std::string> cpt(const std::string& rel, Form form) {
        return decodeCpt(form, readAll(file(rel)));
    }

    static inline std::unique_ptr<QTemporaryDir> dir_;
    static inline std::string root_;
};

} // namespace

TEST_F(SampleData, LabelTableHoldsTheNinetyOneLabels) {
    const std::string raw = readAll(file("des\\des_ita.cpt"));
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
    EXPECT_EQ(raw.find("\r\n\r\n"), std::string::npos);
    const auto des = cpt("des\\des_ita.cpt", Form::Line);
    ASSERT_EQ(int(des.size()), expected::kLabelCount);
    EXPECT_EQ(des[0], "OFFICINA DATI");
    EXPECT_EQ(des[28], "Iniezione "); // the trailing blank is kept
    EXPECT_EQ(des[72], cp1252("Quantità refrigerante"));
    EXPECT_EQ(des[90], "Documentazione marche");
    for (const auto& d : des) EXPECT_LE(d.size(), 80u);
}

TEST_F(SampleData, TextFilesDecodeLineByLine) {
    const auto tut = cpt("mas\\tut_ita.cpt", Form::Line);
    EXPECT_GE(tut.size(), 5u);
    EXPECT_LE(tut.size(), 8u);

    const auto lc = cpt("Ark\\lc_ita.cpt", Form::Str);
    ASSERT_FALSE(lc.empty());
    EXPECT_EQ(lc[0], "10  Centralina motore");
    EXPECT_TRUE(std::find(lc.begin(), lc.end(), cp1252("11  Relè pompa carburante")) != lc.end());
    EXPECT_LE(readAll(file("Ark\\lc_ita.cpt")).size(), 32767u);
    for (const auto& l : lc) EXPECT_FALSE(l.compare(0, 4, "77  ") == 0) << "77 is absent on purpose";

    const auto lc2 = cpt("Ark\\lc2_ita.cpt", Form::Str);
    ASSERT_EQ(lc2.size(), 8u);
    EXPECT_EQ(lc2[0], "00101Anteriore sinistro");

    const auto psc = cpt("Ark\\psc_ita.cpt", Form::Line);
    EXPECT_TRUE(std::find(psc.begin(), psc.end(), " 4 Impianto ABS") != psc.end());
    EXPECT_TRUE(std::none_of(psc.begin(), psc.end(), [](const std::string& l) { return l.rfind("8 ", 0) == 0; }));

    const auto par = cpt("Ark\\par_ita.cpt", Form::Line);
    EXPECT_TRUE(std::find(par.begin(), par.end(), "0120Sensore temperatura acqua") != par.end());
    EXPECT_TRUE(std::none_of(par.begin(), par.end(), [](const std::string& l) { return l.rfind("0099", 0) == 0; }));
}

TEST_F(SampleData, LogoDecodesToALoadableGif) {
    const std::string raw = readAll(file("mas\\xlogo.gif"));
    EXPECT_FALSE(loadsAsPicture(raw)) << "the stored header must be scrambled";
    const std::string logo = decodedPicture(file("mas\\xlogo.gif"));
    EXPECT_EQ(logo.substr(0, 6), "GIF89a");
    QImage img;
    ASSERT_TRUE(img.loadFromData(reinterpret_cast<const uchar*>(logo.data()), int(logo.size())));
    EXPECT_EQ(img.size(), QSize(400, 120));
}

TEST_F(SampleData, InterfacePicturesArePlainAndLoad) {
    for (const char* rel : {"mas\\tashlp.gif", "mas\\tasglo.gif", "mas\\tasosc.gif", "mas\\tasdia.gif",
                            "mas\\tasgas.gif", "mas\\tasobd.gif", "mas\\tasric.gif", "mas\\left.gif",
                            "mas\\spacer.jpg"})
        EXPECT_TRUE(loadsAsPicture(readAll(file(rel)))) << rel;
    // Toolbar pictures differ from each other.
    EXPECT_NE(readAll(file("mas\\tasglo.gif")), readAll(file("mas\\tasdia.gif")));
}

TEST_F(SampleData, CursorAndIconsAreRealWindowsFiles) {
    const std::string cur = readAll(file("mas\\indice.cur"));
    ASSERT_GE(cur.size(), 22u);
    EXPECT_EQ(cur[2], 2); // cursor type
    EXPECT_EQ(cur[6], 32);
    EXPECT_EQ(cur[10], 10); // hot spot x
    EXPECT_EQ(cur[12], 2);  // hot spot y
    EXPECT_TRUE(loadsAsPicture(cur, "ICO"));
    for (const char* rel : {"mas\\lente+.ico", "mas\\lente-.ico"}) {
        const std::string ico = readAll(file(rel));
        ASSERT_GE(ico.size(), 22u) << rel;
        EXPECT_EQ(ico[2], 1) << rel;
        QImage img;
        ASSERT_TRUE(img.loadFromData(reinterpret_cast<const uchar*>(ico.data()), int(ico.size()), "ICO")) << rel;
        EXPECT_EQ(img.size(), QSize(32, 32));
    }
    EXPECT_NE(readAll(file("mas\\lente+.ico")), readAll(file("mas\\lente-.ico")));
}
