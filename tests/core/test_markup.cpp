#include "core/markup.h"
#include "core/markup_page.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "support/fixtures.h"
#include "support/harness.h"

#include <QImage>
#include <QPainter>
#include <map>

using namespace testing_support;

namespace {

// What one line looks like once painted: column -> (character, colour) of
// every non-blank character, later passes drawing over earlier ones.
std::map<int, std::pair<char, int>> painted(std::string_view line, int base = 0, int brace = 9,
                                            int bracket = 12) {
    std::map<int, std::pair<char, int>> cells;
    for (const auto& run : core::markupRuns(line, base, brace, bracket))
        for (size_t i = 0; i < run.text.size(); ++i)
            if (run.text[i] != ' ') cells[run.column + int(i)] = {run.text[i], run.colour};
    return cells;
}

std::string at(const std::map<int, std::pair<char, int>>& cells, int from, int to, int colour) {
    std::string s;
    for (int c = from; c <= to; ++c) {
        auto it = cells.find(c);
        if (it == cells.end() || it->second.second != colour) return "<col " + std::to_string(c) + ">";
        s += it->second.first;
    }
    return s;
}

} // namespace

TEST(Markup, SegmentsLandOnTheirColumns) {
    auto c = painted("ab[cd]ef");
    EXPECT_EQ(at(c, 1, 2, 0), "ab");
    EXPECT_EQ(at(c, 4, 5, 12), "cd");
    EXPECT_EQ(at(c, 7, 8, 0), "ef");
    EXPECT_EQ(c.size(), 6u); // columns 3 and 6 stay blank

    c = painted("[cd]ef"); // an opening marker in column 1 takes no column
    EXPECT_EQ(at(c, 1, 2, 12), "cd");
    EXPECT_EQ(at(c, 4, 5, 0), "ef");

    c = painted("ab[cdef"); // no closing marker: the last character is not drawn
    EXPECT_EQ(at(c, 4, 6, 12), "cde");
    EXPECT_EQ(c.size(), 5u);

    c = painted("ab]cd[ef]"); // a closer before its opener is ordinary text
    EXPECT_EQ(at(c, 1, 5, 0), "ab]cd");
    EXPECT_EQ(at(c, 7, 8, 12), "ef");

    c = painted("{ab}[cd]");
    EXPECT_EQ(at(c, 6, 7, 12), "cd");
    EXPECT_EQ(at(c, 1, 2, 9), "ab");
}

TEST(Markup, BracketsWinOverBracesAndEmptySegments) {
    auto c = painted("[uno {due} tre]");
    EXPECT_EQ(at(c, 1, 3, 12), "uno");
    EXPECT_EQ(at(c, 5, 9, 12), "{due}"); // braces inside a bracket segment are drawn as text
    EXPECT_EQ(at(c, 11, 13, 12), "tre");

    c = painted("ab[");
    EXPECT_EQ(at(c, 1, 2, 0), "ab");
    EXPECT_EQ(c.size(), 2u);
    EXPECT_TRUE(painted("[").empty());
    EXPECT_TRUE(painted("").empty());

    // Several segments of both kinds on one line, and the passes' order.
    auto runs = core::markupRuns("a{b}c[d]e[f]", 0, 9, 12);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].pass, 0);
    EXPECT_EQ(runs[1].pass, 0);
    EXPECT_EQ(runs[2].pass, 1);
    EXPECT_EQ(runs[3].pass, 2);
    c = painted("a{b}c[d]e[f]");
    EXPECT_EQ(at(c, 3, 3, 9), "b");
    EXPECT_EQ(at(c, 7, 7, 12), "d");
    EXPECT_EQ(at(c, 11, 11, 12), "f");
    EXPECT_EQ(at(c, 9, 9, 0), "e");
}

TEST(Markup, PrintCopyBlanksOnlyTheFirstMarkerOfEachKind) {
    std::string l = "ab[cd]ef{g}h[i]";
    core::blankFirstMarkers(l);
    EXPECT_EQ(l, "ab cd ef g h[i]");
    l = "[cd]ef";
    core::blankFirstMarkers(l);
    EXPECT_EQ(l, "cd ef"); // removed in column 1, as on screen
    l = "{[x]}";
    core::blankFirstMarkers(l);
    EXPECT_EQ(l, " x  ");
    l = "[]";
    core::blankFirstMarkers(l); // "]" moves to column 1 and is removed too
    EXPECT_EQ(l, "");
}

TEST(Markup, PageLinesSplitAndDecode) {
    core::InitKeys();
    core::InitIdentityTable();
    EXPECT_TRUE(core::decodePageLines("").empty());
    auto lines = core::decodePageLines(scrambledLines({"uno", "", "[tre]"}, false));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "uno");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "[tre]"); // a last line without CR LF counts
    EXPECT_EQ(core::decodePageLines(scrambledLines({"a"})).size(), 1u);
    // A line that cannot be decoded reads as empty and the page goes on.
    lines = core::decodePageLines(std::string(1, char(0xFF)) + "\r\n" + scrambledLines({"ok"}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "ok");
    EXPECT_EQ(core::widestLineChars({"a", "abcd", ""}), 4);
}

namespace {

class MarkupPageTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        core::InitKeys();
        core::InitIdentityTable();
        form.setWidth(15360);
        form.setHeight(11520);
        form.setFontName("Courier");
        form.setFontSize(9.75);
    }
    std::string pageOf(int n, const std::string& prefix = "riga ") {
        std::vector<std::string> lines;
        for (int i = 1; i <= n; ++i)
            lines.push_back(prefix + std::to_string(i));
        return scrambledLines(lines);
    }
    // The rows drawn in the base colour, top to bottom.
    std::vector<std::string> baseRows() const {
        std::vector<std::string> rows;
        for (const auto& it : page.drawn())
            if (it.colour == 0) rows.push_back(it.text);
        return rows;
    }
    vb::Form form{"Scratch"};
    vb::VScrollBar VScroll1{form, "VScroll1"};
    core::MarkupPage page{form, VScroll1};
};

} // namespace

TEST_F(MarkupPageTest, GridIsMeasuredInTheFixedPitchFont) {
    EXPECT_GT(page.columnWidth(), 0);
    EXPECT_EQ(page.columnWidth() % 15, 0);
    EXPECT_GT(page.rowHeight(), page.columnWidth());
}

TEST_F(MarkupPageTest, EmptyPageDrawsNothingAndHidesTheScrollBar) {
    VScroll1.setVisible(true);
    page.load("", 720);
    EXPECT_EQ(page.LineCount, 0);
    EXPECT_FALSE(VScroll1.Visible());
    EXPECT_EQ(core::TextNeedsScroll, 0);
    EXPECT_TRUE(page.drawn().empty());
    EXPECT_EQ(page.TextBlockWidth, 400);
}

TEST_F(MarkupPageTest, ScrollBarAppearsOnlyPastTheVisibleRows) {
    page.load(pageOf(3), 720);
    const int visible = page.VisibleLines;
    const long expect = std::lrint(double(11520 - 2 * 720 - 750) / page.rowHeight());
    EXPECT_EQ(visible, expect);

    page.load(pageOf(visible), 720);
    EXPECT_EQ(core::TextNeedsScroll, 0);
    EXPECT_FALSE(VScroll1.Visible());
    EXPECT_EQ(page.TextLeft, form.Width() - page.TextBlockWidth);
    EXPECT_EQ(page.TextTop, 820);

    page.load(pageOf(visible + 1), 720);
    EXPECT_EQ(core::TextNeedsScroll, 1);
    EXPECT_TRUE(VScroll1.Visible());
    EXPECT_TRUE(VScroll1.Enabled());
    EXPECT_EQ(VScroll1.Min(), 1);
    EXPECT_EQ(VScroll1.Max(), 2);
    EXPECT_EQ(VScroll1.Value(), 1);
    EXPECT_EQ(VScroll1.Width(), 250);
    EXPECT_EQ(VScroll1.Left(), 15360 - 250 - 90);
    EXPECT_EQ(VScroll1.Top(), 720);
    EXPECT_EQ(VScroll1.Height(), 11520 - 1440 - 375);
    EXPECT_EQ(page.TextBlockWidth, page.WidestLine + 500);
    EXPECT_EQ(int(baseRows().size()), visible); // painted once, not twice
}

TEST_F(MarkupPageTest, ScrollingAndPagingKeys) {
    page.load(pageOf(100), 720);
    const int visible = page.VisibleLines;
    ASSERT_LT(visible, 100);
    VScroll1.setValue(5);
    EXPECT_EQ(page.FirstLine, 4);
    EXPECT_EQ(baseRows().front(), "riga 5");
    EXPECT_EQ(int(baseRows().size()), visible);

    page.pageKey(34);
    EXPECT_EQ(page.FirstLine, 100 - visible);
    EXPECT_EQ(VScroll1.Value(), 100 - visible + 1);
    EXPECT_EQ(baseRows().back(), "riga 100");
    EXPECT_EQ(int(baseRows().size()), visible);

    page.pageKey(33);
    EXPECT_EQ(page.FirstLine, 0);
    EXPECT_EQ(VScroll1.Value(), 1);
    EXPECT_EQ(baseRows().front(), "riga 1");
    page.pageKey(40); // any other key: nothing
    EXPECT_EQ(page.FirstLine, 0);
}

TEST_F(MarkupPageTest, PagingKeysDoNothingOnAShortPage) {
    page.load(pageOf(4), 720);
    page.pageKey(34);
    EXPECT_EQ(page.FirstLine, 0);
    EXPECT_EQ(baseRows().size(), 4u);
}

TEST_F(MarkupPageTest, PrintCopyAndWidestLine) {
    page.load(scrambledLines({"[abc]", "ab[cdef]gh{i}"}), 720);
    ASSERT_EQ(page.PrintCopy.size(), 2u);
    EXPECT_EQ(page.PrintCopy[0], "abc ");
    EXPECT_EQ(page.PrintCopy[1], "ab cdef gh i ");
    EXPECT_EQ(page.Lines[1], "ab[cdef]gh{i}"); // the line array keeps the markers
    EXPECT_EQ(page.WidestLine, 13 * page.columnWidth());

    page.setKeepPrintCopy(false);
    page.load(scrambledLines({"[abc]"}), 720);
    EXPECT_TRUE(page.PrintCopy.empty());
    EXPECT_EQ(page.WidestLine, 5 * page.columnWidth()); // markers counted
}

TEST_F(MarkupPageTest, PaintsColoursOnTheGrid) {
    page.load(scrambledLines({"ab[cd]ef"}), 720);
    const int cw = page.columnWidth();
    bool red = false, black = false;
    for (const auto& it : page.drawn()) {
        if (it.colour == 12) {
            EXPECT_EQ(it.text, " cd ");
            EXPECT_EQ(it.x, page.TextLeft + 2 * cw);
            red = true;
        }
        if (it.colour == 0) {
            EXPECT_EQ(it.text, "ab    ef");
            EXPECT_EQ(it.x, page.TextLeft);
            black = true;
        }
        EXPECT_EQ(it.y, page.TextTop);
    }
    EXPECT_TRUE(red && black);

    // On the screen the red segment sits exactly in the gap of the black
    // line: every column of the grid holds one character.
    const QImage& img = form.drawing();
    ASSERT_GT(img.width(), page.TextLeft / 15 + 10 * cw / 15);
    const int x0 = page.TextLeft / 15, y0 = page.TextTop / 15;
    // The surface is transparent where nothing was drawn.
    auto isRed = [](QColor p) {
        return p.alpha() > 128 && p.red() > p.green() + 60 && p.red() > p.blue() + 60;
    };
    auto isDark = [](QColor p) { return p.alpha() > 128 && p.red() < 90 && p.green() < 90 && p.blue() < 90; };
    auto columnHas = [&](int col, QColor c) {
        for (int x = x0 + (col - 1) * cw / 15; x < x0 + col * cw / 15; ++x)
            for (int y = y0; y < y0 + page.rowHeight() / 15; ++y) {
                QColor p = img.pixelColor(x, y);
                if (c == Qt::red ? isRed(p) : isDark(p)) return true;
            }
        return false;
    };
    EXPECT_TRUE(columnHas(4, QColor(Qt::red)));
    EXPECT_FALSE(columnHas(4, QColor(Qt::black)));
    EXPECT_TRUE(columnHas(7, QColor(Qt::black)));
    EXPECT_FALSE(columnHas(3, QColor(Qt::black)));
    EXPECT_FALSE(columnHas(3, QColor(Qt::red)));
}

TEST_F(MarkupPageTest, ScrollChangeIgnoredWhileThePageFits) {
    page.load(pageOf(3), 720);
    const size_t before = page.drawn().size();
    page.VScroll1_Change();
    EXPECT_EQ(page.drawn().size(), before);
}
