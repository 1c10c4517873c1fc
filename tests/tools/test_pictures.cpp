// The sample pictures as a new user sees them: no file names drawn on them,
// shaded brand badges, and car photos that differ from model to model.
#include "sampledata/catalogue.h"
#include "sampledata/output.h"
#include "sampledata/pictures.h"
#include "sampledata/sampledata.h"

#include "core/module1.h"
#include "core/scramble.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace sampledata;

namespace {

QImage decoded(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    core::decodeHeader(bytes, core::Key);
    QImage img;
    img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
    return img.convertToFormat(QImage::Format_RGB32);
}

int colours(const QImage& img) {
    QSet<QRgb> seen;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

class Pictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        Options o;
        o.fillerBrands = 6;
        writeSampleData(dir_->path().toStdString(), o);
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static std::string file(const std::string& rel) { return dir_->path().toStdString() + "/" + rel; }
    static inline std::unique_ptr<QTemporaryDir> dir_;
};

// A picture with nothing drawn on it stays its plain background: the writer
// adds nothing of its own, not even the file's name, so that every mark on
// a sample picture is one its drawing put there.
TEST_F(Pictures, WriterDrawsNothingOfItsOwn) {
    QTemporaryDir dir;
    const Output out(dir.path().toStdString(), Options{});
    const QColor background(0x40, 0x80, 0xC0);
    for (PictureFormat format : {PictureFormat::Gif, PictureFormat::GifFullColour}) {
        writeScrambledPicture(
            out, "sym\\plain.gif", format, QSize(100, 88), background, [](QPainter&, const QRect&) {},
            core::Key);
        const QImage img = decoded(out.path("sym\\plain.gif"));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(colours(img), 1);
    }
}

TEST_F(Pictures, BrandSymbolsAreShadedAndDifferent) {
    std::vector<QImage> seen;
    for (const char* id : {"01", "02", "03", "F01", "F02", "F03", "F04", "F05", "F06"}) {
        const QImage big = decoded(file("sym/xSymb_" + std::string(id) + ".gif"));
        const QImage small = decoded(file("sym/sym5044/xSymb_" + std::string(id) + ".gif"));
        ASSERT_FALSE(big.isNull()) << id;
        ASSERT_FALSE(small.isNull()) << id;
        // Chrome rims and gloss need more than the 16 flat colours.
        EXPECT_GT(colours(big), 40) << id;
        for (const QImage& other : seen)
            EXPECT_NE(big, other) << id;
        seen.push_back(big);
    }
}

TEST_F(Pictures, CarPhotosDifferFromModelToModel) {
    const Catalogue cat = buildCatalogue(Options{});
    std::vector<QImage> photos;
    for (const Brand& b : cat.brands)
        for (const Model& m : b.models)
            if (!m.photo.empty() && b.offered && photos.size() < 8) {
                const QImage img = decoded(file("cars/" + b.id + "/X" + m.photo + ".jpg"));
                if (img.isNull()) continue; // the damaged one
                for (const QImage& other : photos)
                    EXPECT_NE(img, other) << m.photo;
                photos.push_back(img);
            }
    EXPECT_GE(photos.size(), 6u);
}

} // namespace
