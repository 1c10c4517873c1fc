// The generated data folder, read back through the program's decoders and
// the dBase reader.
#include "sampledata/encode.h"
#include "sampledata/expected.h"
#include "sampledata/sampledata.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "db/dbase.h"

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <set>

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
    for (const auto& d : des)
        EXPECT_LE(d.size(), 80u);
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
    for (const auto& l : lc)
        EXPECT_FALSE(l.compare(0, 4, "77  ") == 0) << "77 is absent on purpose";

    const auto lc2 = cpt("Ark\\lc2_ita.cpt", Form::Str);
    ASSERT_EQ(lc2.size(), 8u);
    EXPECT_EQ(lc2[0], "00101Anteriore sinistro");

    const auto psc = cpt("Ark\\psc_ita.cpt", Form::Line);
    EXPECT_TRUE(std::find(psc.begin(), psc.end(), " 4 Impianto ABS") != psc.end());
    EXPECT_TRUE(
        std::none_of(psc.begin(), psc.end(), [](const std::string& l) { return l.rfind("8 ", 0) == 0; }));

    const auto par = cpt("Ark\\par_ita.cpt", Form::Line);
    EXPECT_TRUE(std::find(par.begin(), par.end(), "0120Sensore temperatura acqua") != par.end());
    EXPECT_TRUE(
        std::none_of(par.begin(), par.end(), [](const std::string& l) { return l.rfind("0099", 0) == 0; }));
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
    for (const char* rel :
         {"mas\\tashlp.gif", "mas\\tasglo.gif", "mas\\tasosc.gif", "mas\\tasdia.gif", "mas\\tasgas.gif",
          "mas\\tasobd.gif", "mas\\tasric.gif", "mas\\left.gif", "mas\\spacer.jpg"})
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
        ASSERT_TRUE(img.loadFromData(reinterpret_cast<const uchar*>(ico.data()), int(ico.size()), "ICO"))
            << rel;
        EXPECT_EQ(img.size(), QSize(32, 32));
    }
    EXPECT_NE(readAll(file("mas\\lente+.ico")), readAll(file("mas\\lente-.ico")));
}

namespace {

// The decoded, trimmed text of a scrambled table value.
std::string text(const db::Table& t, size_t row, const char* field, Form form = Form::Conv) {
    const auto v = t.value(row, field);
    if (!v) return {};
    std::string s = decode(form, *v);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Row numbers in the order of a query's ORDER BY, which sorts stored bytes.
std::vector<size_t> orderBy(const db::Table& t, std::initializer_list<const char*> fields) {
    std::vector<size_t> rows(t.recordCount());
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = i;
    std::stable_sort(rows.begin(), rows.end(), [&](size_t a, size_t b) {
        for (const char* f : fields) {
            const std::string x = *t.value(a, f), y = *t.value(b, f);
            if (x != y) return x < y;
        }
        return false;
    });
    return rows;
}

// The description codes of the technical-data string, walked as the
// program walks it: two hex characters of length, then the text.
std::vector<std::string> groupCodes(const std::string& s) {
    const auto digit = [](char c) {
        static const std::string d = "123456789ABCDEF";
        const auto p = d.find(char(std::toupper(static_cast<unsigned char>(c))));
        return p == std::string::npos ? 0 : int(p) + 1;
    };
    std::vector<std::string> codes;
    size_t pos = 0;
    for (int item = 0; pos < s.size(); item = (item + 1) % 5) {
        const int len = 16 * digit(s[pos]) + (pos + 1 < s.size() ? digit(s[pos + 1]) : 0);
        pos += 2;
        const std::string t = s.substr(std::min(pos, s.size()), size_t(len));
        pos += size_t(len);
        if (item == 0) codes.push_back(t);
    }
    return codes;
}

// Which viewer entries a model offers, from its stored fields.
std::string entriesOf(const db::Table& t, size_t r) {
    const auto dati = t.value(r, "DATITECNIC");
    const auto codes = dati ? groupCodes(*dati) : std::vector<std::string>{};
    std::string upper = dati.value_or("");
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    const bool torque = std::any_of(codes.begin(), codes.end(), [](const std::string& c) {
        return c == "R01" || c == "R03" || c == "R05" || c == "R07";
    });
    const bool on[9] = {!text(t, r, "SCHEMI").empty(),
                        dati && !dati->empty(),
                        torque,
                        !text(t, r, "PRESA_DIAG").empty(),
                        !text(t, r, "UBI____COD").empty(),
                        !text(t, r, "INFO1__COD").empty(),
                        upper.find("U01") != std::string::npos,
                        !text(t, r, "CINGHIEPIC").empty(),
                        !text(t, r, "CINGHIEAUX").empty()};
    std::string e;
    for (int i = 0; i < 9; ++i)
        e += on[i] ? char('0' + i) : '-';
    return e;
}

std::string filtersOf(const db::Table& t, size_t r) {
    const std::string fuel = text(t, r, "CARBURANTE");
    const std::string inj = decode(Form::Conv, *t.value(r, "INIEZ__COD"));
    std::string f = "0";
    if (fuel == "B" && inj != "0000") f += '1';
    if (fuel == "D") f += '2';
    if (inj == "0000") f += '3';
    return f;
}

db::Table table(const fs::path& p) {
    return db::Table::open(p.string());
}

} // namespace

TEST_F(SampleData, BrandTableListsTheBrandsInDisplayOrder) {
    const db::Table t = table(file("Ark\\Xmarche.dbf"));
    const auto order = orderBy(t, {"MARCA"});
    ASSERT_EQ(order.size(), expected::kBrands.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(text(t, order[i], "ID_MARCA"), expected::kBrands[i].id);
        EXPECT_EQ(text(t, order[i], "MARCA"), expected::kBrands[i].name);
        // Stored values carry no raw blank: every byte of the width is scrambled.
        EXPECT_EQ(t.value(order[i], "MARCA")->size(), 30u);
    }
}

TEST_F(SampleData, OfferedBrandsHaveTablesAndSymbolsAndTheOthersNone) {
    int offered = 0;
    for (const auto& b : expected::kBrands) {
        const std::string id(b.id);
        const bool fam = fs::exists(file("Ark\\Xfam_" + id + ".dbf"));
        EXPECT_EQ(fam, b.offered) << id;
        offered += fam;
        for (const std::string& rel : {"Ark\\Xmod_" + id + ".dbf", "Ark\\Xmod_" + id + ".dbt",
                                       "sym\\xSymb_" + id + ".gif", "sym\\sym5044\\xSymb_" + id + ".gif"})
            EXPECT_EQ(fs::exists(file(rel)), b.offered) << rel;
    }
    EXPECT_EQ(offered, expected::kOfferedBrands);
    QImage small, large;
    const std::string s = decodedPicture(file("sym\\sym5044\\xSymb_01.gif"));
    const std::string l = decodedPicture(file("sym\\xSymb_01.gif"));
    ASSERT_TRUE(small.loadFromData(reinterpret_cast<const uchar*>(s.data()), int(s.size())));
    ASSERT_TRUE(large.loadFromData(reinterpret_cast<const uchar*>(l.data()), int(l.size())));
    EXPECT_EQ(small.size(), QSize(50, 44));
    EXPECT_EQ(large.size(), QSize(100, 88));
}

TEST_F(SampleData, FamiliesAndModelsMatchTheExpectedSet) {
    size_t modelIndex = 0;
    for (const auto& b : expected::kBrands) {
        if (!b.offered) continue;
        const std::string id(b.id);
        const db::Table fam = table(file("Ark\\Xfam_" + id + ".dbf"));
        const db::Table mod = table(file("Ark\\Xmod_" + id + ".dbf"));
        std::vector<expected::Family> want;
        for (const auto& f : expected::kFamilies)
            if (f.brandId == b.id) want.push_back(f);
        const auto famOrder = orderBy(fam, {"FAMIGLIA"});
        ASSERT_EQ(famOrder.size(), want.size()) << id;
        size_t brandModels = 0;
        for (size_t i = 0; i < famOrder.size(); ++i) {
            SCOPED_TRACE(std::string(want[i].name));
            EXPECT_EQ(text(fam, famOrder[i], "FAMIGLIA"), want[i].name);
            // The model query compares stored bytes with the stored family.
            const std::string key = *fam.value(famOrder[i], "FAMIGLIA");
            std::vector<size_t> rows;
            for (size_t r : orderBy(mod, {"MODELLO___", "DATA__IMM_", "MOTORE____"}))
                if (*mod.value(r, "FAMILY____") == key) rows.push_back(r);
            ASSERT_EQ(int(rows.size()), want[i].models);
            brandModels += rows.size();
            for (size_t r : rows) {
                ASSERT_LT(modelIndex, expected::kModels.size());
                const auto& m = expected::kModels[modelIndex++];
                SCOPED_TRACE(std::string(m.id));
                EXPECT_EQ(m.brandId, b.id);
                EXPECT_EQ(m.family, want[i].name);
                EXPECT_EQ(text(mod, r, "MODELLO___"), m.name);
                EXPECT_EQ(text(mod, r, "DATA__IMM_"), m.years);
                EXPECT_EQ(text(mod, r, "MOTORE____"), m.engine);
                EXPECT_EQ(text(mod, r, "FOTO__AUTO"), m.photo);
                EXPECT_EQ(entriesOf(mod, r), m.entries);
                EXPECT_EQ(filtersOf(mod, r), m.filters);
            }
        }
        EXPECT_EQ(brandModels, mod.recordCount()) << "models outside every family in " << id;
    }
    EXPECT_EQ(modelIndex, expected::kModels.size());
    EXPECT_EQ(expected::kModels[0].name, expected::kFirstModel);
    EXPECT_EQ(expected::kFamilies[0].name, expected::kFirstFamily);
}

TEST_F(SampleData, ModelFieldsKeepTheirStoredForms) {
    const db::Table mod = table(file("Ark\\Xmod_01.dbf"));
    std::map<std::string, size_t> row;
    for (size_t r = 0; r < mod.recordCount(); ++r)
        row[text(mod, r, "MODELLO___")] = r;
    // Cylinders use the line form, the rest the table form.
    EXPECT_EQ(text(mod, row.at("ALBA 1.3 CARB"), "N_CILINDRI", Form::Line), "4/8V/SOHC");
    EXPECT_EQ(decode(Form::Conv, *mod.value(row.at("ALBA 1.3 CARB"), "INIEZ__COD")), "0000");
    EXPECT_EQ(decode(Form::Conv, *mod.value(row.at("BORA 2.0 TURBO"), "INIEZ__COD")), "    ");
    EXPECT_EQ(decode(Form::Conv, *mod.value(row.at("ALBA 1.2 16V"), "PRESA_DIAG")), "001");
    EXPECT_EQ(text(mod, row.at("ALBA 1.2 16V"), "SCHEMI"), "B100B200E100G100G200J10000000000");
    // The technical data is plain; a blank memo reads as Null.
    EXPECT_EQ(mod.value(row.at("ALBA 1.2 16V"), "DATITECNIC")->size(), 611u);
    EXPECT_EQ(mod.value(row.at("ALBA 1.2 16V"), "DATITECNIC")->substr(0, 7), "03A0108");
    EXPECT_FALSE(mod.value(row.at("ALBA 1.4 GPL"), "DATITECNIC").has_value());
    // Fuel literals the program compares in stored form.
    std::string b = "B", zeros = "0000";
    EXPECT_EQ(*mod.value(row.at("ALBA 1.2 16V"), "CARBURANTE"), core::ScrambleString(b));
    EXPECT_EQ(*mod.value(row.at("ALBA 1.3 CARB"), "INIEZ__COD"), core::ScrambleString(zeros));
}

TEST_F(SampleData, DiagramCatalogueStartsWithAnOldFormatRecord) {
    const db::Table t = table(file("Ark\\xpsc.dbf"));
    ASSERT_EQ(t.recordCount(), 18u);
    EXPECT_EQ(text(t, 0, "PSC_CODICE"), "A100");
    EXPECT_EQ(text(t, 0, "NUOVO"), "N");
    std::map<std::string, size_t> row;
    for (size_t r = 0; r < t.recordCount(); ++r)
        row[text(t, r, "PSC_CODICE")] = r;
    EXPECT_EQ(row.count("Z999"), 0u);
    EXPECT_EQ(text(t, row.at("B100"), "NUOVO"), "S");
    EXPECT_EQ(decode(Form::Conv, *t.value(row.at("E100"), "PSC___TIPO")), " 4");
    // D100 fills all twenty parameters; elsewhere blanks come last.
    for (size_t r = 0; r < t.recordCount(); ++r) {
        bool blank = false;
        int used = 0;
        for (int i = 1; i <= 20; ++i) {
            const std::string p = decode(Form::Conv, *t.value(r, "PAR" + std::to_string(i)));
            ASSERT_EQ(p.size(), 3u);
            if (p == "   ")
                blank = true;
            else {
                EXPECT_FALSE(blank) << "a parameter after a blank one in record " << r;
                ++used;
            }
        }
        if (r == row.at("D100")) {
            EXPECT_EQ(used, 20);
        }
    }
    EXPECT_EQ(text(t, row.at("A100"), "PAR3"), "650");
    EXPECT_EQ(text(t, row.at("A100"), "PAR2"), "031");
}

TEST_F(SampleData, EveryScrambledPictureDecodesToALoadablePicture) {
    int checked = 0;
    for (const char* folder : {"sym", "cars", "mas"})
        for (const auto& e : fs::recursive_directory_iterator(fs::path(root_) / folder)) {
            const std::string name = e.path().filename().string();
            if (!e.is_regular_file() || (name[0] != 'x' && name[0] != 'X')) continue;
            if (e.path() == file(std::string(expected::kDamagedPhoto))) continue;
            SCOPED_TRACE(e.path().string());
            const std::string raw = readAll(e.path());
            EXPECT_FALSE(loadsAsPicture(raw)) << "header left plain";
            EXPECT_TRUE(loadsAsPicture(decodedPicture(e.path())));
            ++checked;
        }
    // logo, 3 x 2 symbols, 21 photos and the recovery copy
    EXPECT_GE(checked, 29);
}

TEST_F(SampleData, DamagedPhotoFailsWhileItsRecoveryCopyLoads) {
    const fs::path damaged = file(std::string(expected::kDamagedPhoto));
    const fs::path rec = file(std::string(expected::kRecoveryCopy));
    ASSERT_TRUE(fs::exists(damaged));
    ASSERT_TRUE(fs::exists(rec));
    const std::string bad = decodedPicture(damaged);
    EXPECT_EQ(bad.substr(0, 4), "\xFF\xD8\xFF\xE0"); // the header still decodes
    EXPECT_FALSE(loadsAsPicture(bad));
    EXPECT_TRUE(loadsAsPicture(decodedPicture(rec)));
}

TEST_F(SampleData, FamiliesThatAFuelFilterLeavesEmptyHaveAPhoto) {
    for (const auto& f : expected::kFamilies) {
        std::string filters;
        for (const auto& m : expected::kModels)
            if (m.brandId == f.brandId && m.family == f.name) filters += m.filters;
        const bool someEmpty = filters.find('1') == std::string::npos ||
                               filters.find('2') == std::string::npos ||
                               filters.find('3') == std::string::npos;
        const fs::path photo =
            file("cars\\" + std::string(f.brandId) + "\\X" + std::string(f.photo) + ".jpg");
        if (someEmpty) {
            EXPECT_FALSE(f.photo.empty()) << f.name;
        }
        EXPECT_EQ(!f.photo.empty() && fs::exists(photo), !f.photo.empty()) << f.name;
    }
    // Car photos named by the models exist, damaged one included.
    for (const auto& m : expected::kModels) {
        if (m.photo.empty()) continue;
        EXPECT_TRUE(
            fs::exists(file("cars\\" + std::string(m.brandId) + "\\X" + std::string(m.photo) + ".jpg")))
            << m.photo;
    }
}

// Options and reruns write into folders of their own.
class SampleDataOptions : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    std::string root() const { return dir.path().toStdString(); }
    fs::path file(const std::string& rel) const { return fs::path(root()) / unix(rel); }
};

TEST_F(SampleDataOptions, FillerBrandsAddOfferedBrandsWithTheirFiles) {
    Options o;
    o.fillerBrands = 10;
    writeSampleData(root(), o);
    const db::Table t = table(file("Ark\\Xmarche.dbf"));
    EXPECT_EQ(t.recordCount(), expected::kBrands.size() + 10);
    int offered = 0;
    for (size_t r = 0; r < t.recordCount(); ++r) {
        const std::string id = text(t, r, "ID_MARCA");
        if (!fs::exists(file("Ark\\Xfam_" + id + ".dbf"))) continue;
        ++offered;
        EXPECT_TRUE(fs::exists(file("sym\\xSymb_" + id + ".gif"))) << id;
        EXPECT_TRUE(fs::exists(file("sym\\sym5044\\xSymb_" + id + ".gif"))) << id;
    }
    EXPECT_EQ(offered, expected::kOfferedBrands + 10);
    const db::Table fam = table(file("Ark\\Xfam_F10.dbf"));
    ASSERT_EQ(fam.recordCount(), 1u);
    EXPECT_EQ(text(fam, 0, "FAMIGLIA"), expected::kFillerFamily);
    const db::Table mod = table(file("Ark\\Xmod_F10.dbf"));
    ASSERT_EQ(mod.recordCount(), 1u);
    EXPECT_EQ(text(mod, 0, "MODELLO___"), expected::kFillerModel);
    EXPECT_EQ(*mod.value(0, "FAMILY____"), *fam.value(0, "FAMIGLIA"));
    EXPECT_TRUE(loadsAsPicture(decodedPicture(file("cars\\F10\\XUNICA.jpg"))));
    // Fillers sort after the main brands.
    const auto order = orderBy(t, {"MARCA"});
    EXPECT_EQ(text(t, order[0], "MARCA"), expected::kBrands[0].name);
    EXPECT_EQ(text(t, order.back(), "MARCA"), "FILLER 10");
}

TEST_F(SampleDataOptions, BigCatalogueSpreadsItsModelsOverManyFamilies) {
    Options o;
    o.bigCatalogueModels = 3000;
    writeSampleData(root(), o);
    const std::string id(expected::kBigBrandId);
    const db::Table fam = table(file("Ark\\Xfam_" + id + ".dbf"));
    const db::Table mod = table(file("Ark\\Xmod_" + id + ".dbf"));
    EXPECT_EQ(fam.recordCount(), size_t(expected::kBigFamilies));
    ASSERT_EQ(mod.recordCount(), 3000u);
    std::set<std::string> keys;
    for (size_t r = 0; r < fam.recordCount(); ++r)
        keys.insert(*fam.value(r, "FAMIGLIA"));
    for (size_t r = 0; r < mod.recordCount(); r += 97) {
        EXPECT_EQ(keys.count(*mod.value(r, "FAMILY____")), 1u) << r;
        EXPECT_FALSE(text(mod, r, "MODELLO___").empty());
        EXPECT_NE(text(mod, r, "N_CILINDRI", Form::Line), "");
    }
    const std::string firstFamily = text(fam, 0, "FAMIGLIA");
    EXPECT_TRUE(loadsAsPicture(decodedPicture(file("cars\\" + id + "\\X" + firstFamily + ".jpg"))));
    EXPECT_TRUE(fs::exists(file("sym\\sym5044\\xSymb_" + id + ".gif")));
}

TEST_F(SampleDataOptions, LowerCaseNamesWritesOnlyLowerCaseNames) {
    Options o;
    o.lowerCaseNames = true;
    writeSampleData(root(), o);
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(root())) {
        const std::string rel = fs::relative(e.path(), root()).string();
        std::string low = rel;
        for (char& c : low)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(rel, low);
        files += e.is_regular_file();
    }
    EXPECT_GT(files, 50);
    EXPECT_TRUE(fs::exists(file("ark\\xmod_01.dbt")));
    EXPECT_EQ(table(file("ark\\xmod_01.dbf")).recordCount(), 6u);
    EXPECT_TRUE(fs::exists(file("cars\\02\\xcorsa16.rec")));
}

TEST_F(SampleDataOptions, RerunRewritesTheFolderCleanly) {
    Options lower;
    lower.lowerCaseNames = true;
    writeSampleData(root(), lower);
    // Leftovers of a program run and of a test that recovered a photo.
    std::ofstream(file("ark\\stale.dbf")) << "x";
    std::ofstream(file("DcFile.jpg")) << "x";
    std::ofstream(file("kept.txt")) << "x";
    fs::copy_file(file("cars\\02\\xcorsa16.rec"), file("cars\\02\\xcorsa16.jpg"),
                  fs::copy_options::overwrite_existing);
    writeSampleData(root());
    EXPECT_FALSE(fs::exists(file("ark")));
    EXPECT_FALSE(fs::exists(file("DcFile.jpg")));
    EXPECT_TRUE(fs::exists(file("kept.txt"))) << "files that are not data stay";
    EXPECT_TRUE(fs::exists(file("Ark\\Xmarche.dbf")));
    EXPECT_FALSE(loadsAsPicture(decodedPicture(file(std::string(expected::kDamagedPhoto)))));
    EXPECT_EQ(int(decodeCpt(Form::Line, readAll(file("des\\des_ita.cpt"))).size()), expected::kLabelCount);
}
