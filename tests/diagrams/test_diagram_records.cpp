#include "core/diagram_bitmap.h"
#include "core/diagram_records.h"
#include "core/location_page.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

namespace {

std::string item(const char* record, const char* texts = "") {
    return std::string(record) + texts;
}

TEST(DiagramRecords, HotspotEdgesAreOutsideAndTheFirstListedWins) {
    const std::vector<std::string> items = {item("   600   900  2400  210012  07010701100000", "ECU"),
                                            item("  1800  1500  3300  270010  07090709100000", "Motor"),
                                            item("  abcd   900  abcd  180090  07530753100000")};
    const auto spots = core::hotspotsOf(items);
    EXPECT_EQ(core::findHotspot(spots, 601, 901, 1), 0);
    EXPECT_EQ(core::findHotspot(spots, 600, 1000, 1), -1);  // on the left edge
    EXPECT_EQ(core::findHotspot(spots, 1000, 2100, 1), -1); // on the bottom edge
    EXPECT_EQ(core::findHotspot(spots, 2000, 1800, 1), 0);  // both contain it: the first wins
    EXPECT_EQ(core::findHotspot(spots, 3000, 2000, 1), 1);
    // Scaled by the zoom factor.
    EXPECT_EQ(core::findHotspot(spots, 3000 * 1.28, 2000 * 1.28, 1.28), 1);
    EXPECT_EQ(core::findHotspot(spots, 3000, 3000, 1.28), 1);
    EXPECT_EQ(core::findHotspot(spots, 700, 1000, 1.28), -1);
    // Words for edges read as 0: nothing is inside.
    EXPECT_EQ(core::hotspotOf(items[2]).x2, 0);

    EXPECT_EQ(core::componentCode(items[0]), "0701");
    EXPECT_EQ(core::componentCode("  9000   300 10500  12000000"), "");
    EXPECT_EQ(core::componentRowText(items[0]), "12   (1) ECU");
    EXPECT_EQ(core::legendRowText(items[1]), "10   = Motor");
    EXPECT_TRUE(core::inLegend(items[0]));
    EXPECT_FALSE(core::inLegend(item("  8100  3000  9300  420090  00000000000000")));
}

TEST(DiagramRecords, GridAndLegendOrder) {
    std::vector<std::string> grid;
    for (const char* t : {"30 b", "10 a", "30 b", "20 c", "10 a", "A", "a"}) {
        const int at = core::gridInsertPosition(grid, t);
        grid.insert(grid.begin() + at, t);
    }
    EXPECT_EQ(grid, (std::vector<std::string>{"10 a", "10 a", "20 c", "30 b", "30 b", "A", "a"}));
    EXPECT_EQ(core::withoutRepeats(grid), (std::vector<std::string>{"10 a", "20 c", "30 b", "A", "a"}));
    // Byte order: an accented letter sorts after every ASCII one.
    EXPECT_EQ(core::gridInsertPosition({"a", "z"}, "\xE8"), 2);

    std::vector<std::string> legend;
    for (const char* t : {"30 = b", "10 = a", "30 = b", "20 = c", "05 = z"})
        core::legendInsert(legend, t);
    EXPECT_EQ(legend, (std::vector<std::string>{"05 = z", "10 = a", "20 = c", "30 = b"}));
    EXPECT_FALSE(core::legendInsert(legend, "10 = a"));
}

TEST(DiagramRecords, TwoColumnLandscapeList) {
    const auto five = core::twoColumnLines(5);
    ASSERT_EQ(five.size(), 3u);
    EXPECT_EQ(five[0].left, 0);
    EXPECT_EQ(five[0].right, 3);
    EXPECT_EQ(five[1].right, 4);
    EXPECT_EQ(five[2].left, 2);
    EXPECT_EQ(five[2].right, -1);
    EXPECT_EQ(core::twoColumnLines(4).back().right, 3);
    EXPECT_TRUE(core::twoColumnLines(0).empty());
}

TEST(DiagramBitmap, SixteenColourFileWithWhiteEntry15) {
    QImage img(7, 3, QImage::Format_RGB32);
    img.fill(QColor(0xC0, 0xC0, 0xC0));
    img.setPixelColor(0, 0, QColor(255, 0, 0));
    img.setPixelColor(6, 2, QColor(250, 5, 3)); // near red
    img.setPixelColor(1, 0, Qt::black);
    const std::string bmp = core::sixteenColourBitmap(img);
    ASSERT_EQ(bmp.size(), 118u + 3 * 4);
    EXPECT_TRUE(core::hasWhiteEntry15(bmp));
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 4); // bits a pixel
    // Top row last, high half first: red (9), black (0), silver (7)...
    EXPECT_EQ(static_cast<unsigned char>(bmp[118 + 2 * 4]), 0x90);
    EXPECT_EQ(static_cast<unsigned char>(bmp[118 + 2 * 4 + 1]), 0x77);
    QImage back;
    ASSERT_TRUE(back.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP"));
    EXPECT_EQ(back.pixelColor(6, 2), QColor(255, 0, 0));
    EXPECT_EQ(back.pixelColor(3, 1), QColor(0xC0, 0xC0, 0xC0));

    std::string other = bmp;
    other[116] = char(0xFE);
    EXPECT_FALSE(core::hasWhiteEntry15(other));
    EXPECT_FALSE(core::hasWhiteEntry15(bmp.substr(0, 100)));
}

TEST(DiagramBitmap, RecolouringExamples) {
    EXPECT_EQ(core::recolourByte(0x77, false), 0xFF);
    EXPECT_EQ(core::recolourByte(0x7A, false), 0xFA);
    EXPECT_EQ(core::recolourByte(0x17, false), 0x1F);
    EXPECT_EQ(core::recolourByte(0x17, true), 0x0F);
    EXPECT_EQ(core::recolourByte(0xF3, true), 0xF0);
    EXPECT_EQ(core::recolourByte(0x12, true), 0x00);
    EXPECT_EQ(core::recolourByte(0xFF, true), 0xFF);
}

// The rule as written: two handles on the file, one byte read and written
// back at a time from the 119th on.
void recolourInFile(const std::string& path, bool blackWhite) {
    FILE* in = std::fopen(path.c_str(), "rb");
    FILE* out = std::fopen(path.c_str(), "r+b");
    std::fseek(in, 0, SEEK_END);
    const long n = std::ftell(in);
    for (long pos = 118; pos < n; ++pos) {
        std::fseek(in, pos, SEEK_SET);
        const int b = std::fgetc(in);
        int hi = b >> 4, lo = b & 15;
        if (hi == 7) hi = 15;
        if (lo == 7) lo = 15;
        if (blackWhite) {
            if (hi != 15) hi = 0;
            if (lo != 15) lo = 0;
        }
        std::fseek(out, pos, SEEK_SET);
        std::fputc((hi << 4) | lo, out);
        std::fflush(out);
    }
    std::fclose(in);
    std::fclose(out);
}

TEST(DiagramBitmap, BufferedRecolouringMatchesTheByteRule) {
    QTemporaryDir dir;
    std::mt19937 rng(7);
    std::string bytes(118 + 3000, '\0');
    for (char& c : bytes)
        c = char(rng() & 0xFF);
    for (bool bw : {false, true}) {
        const std::string path = dir.filePath(bw ? "bw.bmp" : "c.bmp").toStdString();
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        recolourInFile(path, bw);
        std::string expected(bytes.size(), '\0');
        f = std::fopen(path.c_str(), "rb");
        ASSERT_EQ(std::fread(expected.data(), 1, expected.size(), f), expected.size());
        std::fclose(f);
        std::string mine = bytes;
        core::recolourBitmap(mine, bw);
        EXPECT_EQ(mine, expected);
        EXPECT_EQ(mine.substr(0, 118), bytes.substr(0, 118)); // the header stays
    }
}

std::string runs(const core::PageLine& l) {
    std::string s;
    for (const auto& r : l.runs)
        s += std::to_string(r.column) + ":" + std::to_string(r.colour) + ":" + r.text + "|";
    return s;
}

TEST(LocationPage, MarkedUpSegmentsOnTheCellGrid) {
    auto l = core::locationPageLine("ab[cd]ef", 9, 12);
    EXPECT_EQ(runs(l), "3:12: cd |");
    EXPECT_EQ(l.text, "ab    ef"); // every character keeps its column

    l = core::locationPageLine("[cd]ef", 9, 12);
    EXPECT_EQ(runs(l), "1:12:cd |");
    EXPECT_EQ(l.text, "   ef"); // one column shorter: the text after moves left

    l = core::locationPageLine("[word]", 9, 12);
    EXPECT_EQ(runs(l), "1:12:word |");

    // Without a closing marker the segment runs to the end, last character included.
    l = core::locationPageLine("ab[cdef", 9, 12);
    EXPECT_EQ(runs(l), "3:12: cdef |");

    l = core::locationPageLine("{ab}[cd]", 9, 12);
    EXPECT_EQ(runs(l), "5:12: cd |1:9:ab |");

    // A brace inside a bracket segment belongs to the bracket segment.
    l = core::locationPageLine("[uno {due} tre]", 9, 12);
    EXPECT_EQ(runs(l), "1:12:uno {due} tre |");

    // A closing marker before the opening one is looked for after it.
    l = core::locationPageLine("ab]cd[ef]", 9, 12);
    EXPECT_EQ(runs(l), "6:12: ef |");
    EXPECT_EQ(l.text, "ab]cd    ");

    l = core::locationPageLine("ab[", 9, 12);
    EXPECT_EQ(runs(l), "3:12:  |");
    EXPECT_TRUE(core::locationPageLine("", 9, 12).runs.empty());
}

} // namespace
