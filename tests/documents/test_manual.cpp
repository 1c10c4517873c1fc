#include "core/interface.h"
#include "core/markup.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "documents/manual_pages.h"
#include "documents/manual_viewer.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/vbstring.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <tuple>

using namespace testing_support;
using documents::Form8;
using documents::ManualRun;

namespace {

std::string indexLine(long long s, long long e, const std::string& title, int picture = -1) {
    char buf[64];
    if (picture >= 0)
        std::snprintf(buf, sizeof buf, "%03d%7lld%7lld", picture, s, e);
    else
        std::snprintf(buf, sizeof buf, "%7lld%7lld", s, e);
    return buf + title;
}

class Manual : public WindowTest {
  protected:
    Form8& open(int section, const std::string& helpCode = "") {
        startProgram();
        core::ManualSection = std::int16_t(section);
        if (!helpCode.empty()) core::HelpCode = helpCode;
        return Form8::get();
    }
    // The texts drawn on the page, one per row, runs joined at their cells.
    static std::vector<std::string> drawnRows(Form8& f) {
        std::vector<std::pair<int, std::string>> rows;
        for (const auto& it : f.Surface.items()) {
            auto r = std::find_if(rows.begin(), rows.end(), [&](const auto& p) { return p.first == it.y; });
            if (r == rows.end()) {
                rows.push_back({it.y, {}});
                r = rows.end() - 1;
            }
            const size_t cell = size_t((it.x - f.TextLeft) / f.Surface.columnWidth());
            if (r->second.size() < cell) r->second.resize(cell, ' ');
            r->second.replace(cell, it.text.size(), it.text);
        }
        std::sort(rows.begin(), rows.end());
        std::vector<std::string> out;
        for (auto& p : rows)
            out.push_back(p.second);
        return out;
    }
    // A line as drawn: a marker in column 1 takes no room, others leave a blank.
    static std::string shownText(const std::string& line) {
        std::string r;
        for (size_t i = 0; i < line.size(); ++i)
            if (!documents::isManualMarker(line[i]))
                r.push_back(line[i]);
            else if (i > 0)
                r.push_back(' ');
        while (!r.empty() && r.back() == ' ')
            r.pop_back();
        return r;
    }
    static int rowOf(Form8& f, const std::string& title) {
        for (int r = 0; r < f.MSGrid1.Rows(); ++r)
            if (f.MSGrid1.TextMatrix(r, 0) == title) return r;
        return -1;
    }
    // Pixels per character of the first drawn row: the width of its ink
    // over its number of characters (the page font is of fixed pitch).
    static double drawnAdvance(Form8& f) {
        if (f.Surface.items().empty()) {
            ADD_FAILURE() << "nothing drawn";
            return 0;
        }
        const auto& first = f.Surface.items().front();
        const int y0 = first.y / 15, y1 = (first.y + f.Surface.rowHeight()) / 15;
        int left = 1 << 20, right = -1;
        const QImage& img = f.drawing();
        for (int y = y0; y < y1 && y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qAlpha(img.pixel(x, y)) > 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        std::string row = drawnRows(f).front();
        return double(right + 1 - left) / double(row.size());
    }
    void openTopic(Form8& f, int row) {
        f.MSGrid1.setRow(row);
        f.Command7.click();
    }
    // Opens the section (or the help page) on a screen of the given size
    // and shows the window.
    Form8& showOn(QSize screen, int section, const std::string& helpCode = "") {
        vb::FormRegistry::unloadAll();
        svc.width = screen.width() * 15;
        svc.height = screen.height() * 15;
        Form8& f = open(section, helpCode);
        f.Show();
        return f;
    }
    // Opens the section on a screen of the given size, shows the window and
    // opens the topic by a double click on its row, as the user does.
    Form8& showTopic(int section, const std::string& title, QSize screen = {1024, 768}) {
        Form8& f = showOn(screen, section);
        const int row = rowOf(f, title);
        const QRect cell = row < 0 ? QRect() : f.MSGrid1.cellRect(row, 0);
        EXPECT_FALSE(cell.isEmpty()) << title;
        if (!cell.isEmpty()) QTest::mouseDClick(f.MSGrid1.widget(), Qt::LeftButton, {}, cell.center());
        EXPECT_EQ(f.Label2.Caption(), title);
        return f;
    }
    // The rows the page shows, as the painter must draw them: every line in
    // view with text, without its markers and trailing blanks.
    static std::vector<std::string> rowsInView(Form8& f) {
        std::vector<std::string> rows;
        const auto [first, count] = f.linesInView();
        for (int i = 0; i < count; ++i)
            if (std::string r = shownText(f.PageLines[size_t(first + i)]); !r.empty()) rows.push_back(r);
        return rows;
    }
    static std::vector<std::string> trimmed(std::vector<std::string> rows) {
        for (std::string& r : rows)
            while (!r.empty() && r.back() == ' ')
                r.pop_back();
        return rows;
    }
    struct ShownText {
        QRect text;       // pixels: where the drawn characters stand
        int compared = 0; // ink pixels found on screen
    };
    // Rows of grey a title keeps at least between the header's frame and
    // its highest ink.
    static constexpr int kTitleClearRows = 3;
    // Every character drawn can be read: the painter drew every line in
    // view, each character lies inside the window, clear of the picture,
    // the scroll bar and the button band, and the window shows the ink of
    // each of them where the painter put it. The page's title stands clear
    // of the header's frame.
    static ShownText expectPageShownWhole(Form8& f, const std::string& where) {
        QApplication::processEvents();
        EXPECT_EQ(trimmed(drawnRows(f)), rowsInView(f)) << where;
        EXPECT_TRUE(f.Label2.Visible()) << where;
        EXPECT_GE(titleGap(f, f.Label2, where), kTitleClearRows) << where;
        std::vector<std::pair<const char*, QRect>> covers;
        for (vb::Control* c : std::initializer_list<vb::Control*>{&f.Image2, &f.VScroll1, &f.Picture1})
            if (c->Visible()) covers.push_back({c->Name().c_str(), c->widget()->geometry()});
        const int rh = vb::twipsToPixels(f.Surface.rowHeight());
        ShownText shown;
        for (const auto& it : f.Surface.items()) {
            const std::string text = it.text.substr(0, it.text.find_last_not_of(' ') + 1);
            if (text.empty()) continue;
            const QRect r(vb::twipsToPixels(it.x), vb::twipsToPixels(it.y),
                          vb::twipsToPixels(f.TextWidth(text)), rh);
            shown.text |= r;
            EXPECT_TRUE(f.rect().contains(r))
                << where << ": \"" << text << "\" from x " << r.left() << " to " << r.right() << ", y "
                << r.top() << " in " << f.width() << "x" << f.height();
            for (const auto& [name, cover] : covers)
                EXPECT_FALSE(cover.intersects(r)) << where << ": \"" << text << "\" under " << name;
        }
        // The ink lies where the characters stand and shows on screen.
        const QImage screen = f.grab().toImage();
        const QImage& ink = f.drawing();
        int stray = 0, hidden = 0;
        for (int y = 0; y < std::min(ink.height(), screen.height()); ++y)
            for (int x = 0; x < std::min(ink.width(), screen.width()); ++x) {
                const QColor c = ink.pixelColor(x, y);
                if (c.alpha() < 128) continue;
                ++shown.compared;
                if (!shown.text.adjusted(-2, -2, 2, 2).contains(x, y)) ++stray;
                // The ink over the window's grey, as it is painted.
                const QColor s = screen.pixelColor(x, y);
                const double a = c.alphaF();
                auto off = [&](int drawn, int on) { return std::abs(drawn * a + 0xC0 * (1 - a) - on); };
                if (std::max({off(c.red(), s.red()), off(c.green(), s.green()), off(c.blue(), s.blue())}) >
                    40)
                    ++hidden;
            }
        EXPECT_EQ(stray, 0) << where;
        EXPECT_EQ(hidden, 0) << where;
        return shown;
    }
    // Rows of the window's grey between the header frame's lower edge and
    // the highest ink of a title below it (the page's title or the index's
    // caption), across the title's characters. The frame's edge must be
    // whole above them and the title must show its ink.
    static int titleGap(Form8& f, vb::Label& title, const std::string& where) {
        QApplication::processEvents();
        const QImage shown = f.grab().toImage();
        const QRect frame = f.Shape2.widget()->geometry();
        const int edge = frame.bottom();
        const QRect box = title.widget()->geometry();
        const int advance = title.widget()->fontMetrics().horizontalAdvance(vb::toQt(title.Caption()));
        const int left = std::max(frame.left(), box.left()),
                  right = std::min(box.left() + advance, frame.right());
        EXPECT_GT(right - left, 40) << where;
        int grey = 0, top = -1;
        for (int x = left; x < right; ++x)
            if (shown.pixelColor(x, edge) == QColor(0x80, 0x80, 0x80)) ++grey;
        EXPECT_EQ(grey, right - left) << where << ": the frame's edge at row " << edge;
        for (int y = edge + 1; y <= box.bottom() && top < 0; ++y)
            for (int x = left; x < right && top < 0; ++x) {
                const QColor c = shown.pixelColor(x, y);
                if (std::max({std::abs(c.red() - 0xC0), std::abs(c.green() - 0xC0),
                              std::abs(c.blue() - 0xC0)}) > 24)
                    top = y;
            }
        EXPECT_GE(top, 0) << where << ": no ink of \"" << title.Caption() << "\"";
        return top - edge - 1;
    }
    // The picture stands whole inside the window with its proportions, left
    // of the text, and the window shows it there.
    static void expectPictureWhole(Form8& f, const QRect& text, const std::string& where) {
        ASSERT_TRUE(f.Image2.Visible()) << where;
        const QRect pic = f.Image2.widget()->geometry();
        EXPECT_TRUE(f.rect().contains(pic)) << where << ": picture at " << pic.left() << "," << pic.top();
        EXPECT_LT(pic.right(), text.left()) << where;
        const QImage natural = f.Image2.Picture().toImage();
        ASSERT_FALSE(natural.isNull());
        EXPECT_NEAR(double(pic.width()) / pic.height(), double(natural.width()) / natural.height(), 0.03)
            << where;
        auto mean = [](const QImage& img) {
            double r = 0, g = 0, b = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QColor c = img.pixelColor(x, y);
                    r += c.red(), g += c.green(), b += c.blue();
                }
            const double n = double(img.width()) * img.height();
            return std::array<double, 3>{r / n, g / n, b / n};
        };
        const auto want = mean(natural), got = mean(f.grab(pic).toImage());
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[size_t(i)], want[size_t(i)], 12) << where << " channel " << i;
    }
};

} // namespace

TEST(ManualIndex, KeysTitlesAndALastLineWithoutCrLf) {
    core::InitKeys();
    const std::string content =
        scrambledLines({indexLine(0, 1234, "Primo"), indexLine(1234, 2000, "Secondo argomento")}, false);
    const auto lines = documents::readTopicIndex(content, 14);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].key, "      0   1234");
    EXPECT_EQ(lines[0].title, "Primo");
    EXPECT_EQ(lines[1].title, "Secondo argomento");
    const auto withPicture = documents::readTopicIndex(scrambledLines({indexLine(5, 9, "Onda", 107)}), 17);
    ASSERT_EQ(withPicture.size(), 1u);
    EXPECT_EQ(documents::topicPictureCode(withPicture[0].key), "107");
    EXPECT_EQ(withPicture[0].title, "Onda");
    EXPECT_TRUE(documents::readTopicIndex("", 14).empty());
}

TEST(ManualIndex, OffsetsAndByteRanges) {
    using documents::topicRange;
    using documents::topicSpan;
    auto r = topicRange("      0   1234", 20);
    ASSERT_TRUE(r);
    auto span = topicSpan(*r, 5000);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->offset, 0);
    EXPECT_EQ(span->count, 1233); // bytes 0 to 1232
    r = topicRange("107     10     20", 30);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->start, 10);
    EXPECT_EQ(r->end, 20);
    // Not numbers, or negative: no range.
    EXPECT_FALSE(topicRange("    abc   1234", 20));
    EXPECT_FALSE(topicRange("    -12   1234", 20));
    EXPECT_FALSE(topicRange("", 50));
    EXPECT_FALSE(topicRange("107", 40));
    // Empty, reversed, past the end: nothing to read; a range over the end is clipped.
    EXPECT_FALSE(topicSpan({10, 11}, 100));
    EXPECT_FALSE(topicSpan({10, 5}, 100));
    EXPECT_FALSE(topicSpan({100, 200}, 100));
    EXPECT_FALSE(topicSpan({-5, 20}, 100));
    EXPECT_EQ(topicSpan({90, 200}, 100)->count, 10);
    EXPECT_EQ(topicSpan({0, 100000}, 100000)->count, documents::kMaxTopicBytes);
}

TEST(ManualMarkup, FourColoursWithoutPairing) {
    const documents::ManualColours c{0, 12, 12, 14, 4};
    int colour = 0;
    auto runs = documents::manualRuns("[uno] due^tre~", c, colour);
    ASSERT_EQ(runs.size(), 3u);
    // "[" in column 1 takes no room; the other markers leave one blank.
    EXPECT_EQ(runs[0].cell, 0);
    EXPECT_EQ(runs[0].text, "uno");
    EXPECT_EQ(runs[0].colour, 12);
    EXPECT_EQ(runs[1].cell, 4);
    EXPECT_EQ(runs[1].text, " due");
    EXPECT_EQ(runs[1].colour, 0);
    EXPECT_EQ(runs[2].cell, 9);
    EXPECT_EQ(runs[2].text, "tre");
    EXPECT_EQ(runs[2].colour, 14);
    EXPECT_EQ(colour, 0);

    // An open "&" carries over to the next lines.
    colour = 0;
    documents::manualRuns("testo &rosso", c, colour);
    EXPECT_EQ(colour, 4);
    runs = documents::manualRuns("ancora rosso", c, colour);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].colour, 4);
    // Any closing marker ends any colour.
    colour = 0;
    runs = documents::manualRuns("[rosso}nero", c, colour);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].colour, 0);
    EXPECT_EQ(runs[1].cell, 6);
    colour = 0;
    EXPECT_TRUE(documents::manualRuns("", c, colour).empty());
    EXPECT_TRUE(documents::manualRuns("^", c, colour).empty());
    EXPECT_EQ(colour, 14);
}

TEST(ManualPointer, OneSwingIsTwelveSteps) {
    int x = 1000, state = 40;
    std::vector<int> xs;
    for (int i = 0; i < 12; ++i) {
        state = documents::pointerStep(state, x, 1000);
        xs.push_back(x);
    }
    EXPECT_EQ(state, 40);
    EXPECT_EQ(xs, (std::vector<int>{1080, 1160, 1160, 1160, 1080, 1000, 920, 840, 840, 840, 920, 1000}));
    EXPECT_EQ(documents::pointerStep(7, x, 1000), 7);
    EXPECT_EQ(x, 1000);
}

TEST_F(Manual, HelpPageShowsItsTitleOnlyInTheLabel) {
    Form8& f = open(11, "009");
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.Label5.Caption(), vb::UCase(core::Des[41]));
    EXPECT_FALSE(f.MSGrid1.Visible());
    EXPECT_FALSE(f.Command7.Visible());
    EXPECT_FALSE(f.Command8.Visible());
    EXPECT_TRUE(f.Command6.Visible());
    EXPECT_EQ(f.Label2.Caption(), "Coppie di serraggio");
    EXPECT_TRUE(f.Label2.Visible());
    const auto rows = drawnRows(f);
    ASSERT_FALSE(rows.empty());
    for (const auto& r : rows)
        EXPECT_EQ(r.find("Coppie di serraggio]"), std::string::npos);
    EXPECT_EQ(rows[0], "Come usare la finestra: Coppie di serraggio");
    // The body starts one row below the first text row.
    EXPECT_EQ(f.Surface.items().front().y, f.TextTop + 2 * f.Surface.rowHeight());
    EXPECT_EQ(f.PageNeedsScroll, 0);
    EXPECT_FALSE(f.VScroll1.Visible());
}

TEST_F(Manual, PagesAreDrawnInCourierAtTheSizeOfTheirView) {
    // A Courier character is three fifths of the font's pixel size wide:
    // 12 points are 16 pixels on a wide window, 10 points 13, 7 points 9.
    Form8& glossary = open(20);
    openTopic(glossary, rowOf(glossary, "Come leggere le pagine del manuale"));
    EXPECT_NEAR(drawnAdvance(glossary), 16 * 0.6, 0.7);
    glossary.Unload();
    vb::FormRegistry::unloadAll();
    Form8& help = open(11, "009");
    EXPECT_NEAR(drawnAdvance(help), 13 * 0.6, 0.7);
    help.Unload();
    vb::FormRegistry::unloadAll();
    svc.height = 7200;
    Form8& small = open(11, "009");
    EXPECT_NEAR(drawnAdvance(small), 9 * 0.6, 0.7);
}

TEST_F(Manual, EveryHelpCodeTheWindowsSetHasAPage) {
    for (const char* code :
         {"001", "002", "003", "004", "005", "006", "007", "008", "009", "011", "012", "013", "014", "015"})
        EXPECT_TRUE(vb::fileExists(appPath() + "\\hlp\\tx_ita\\hlp" + code + ".cpt")) << code;
}

// Short of descriptors or memory as it reads a help page, the window says so
// of the page.
TEST_F(Manual, ShortageOnAHelpPageIsToldAsItself) {
    if (!shortageChild())
        return expectShortagesTold("Manual.ShortageOnAHelpPageIsToldAsItself", {"hlp009.cpt"});
    startProgram();
    ASSERT_TRUE(injectToldShortage(appPath()));
    open(11, "009");
    reportBoxesToParent(svc);
}

TEST_F(Manual, HelpCodeWithoutPageReportsAndShowsNothing) {
    Form8& f = open(11, "010");
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_NE(svc.boxes[0].prompt.find("hlp010.cpt not available"), std::string::npos);
    EXPECT_TRUE(f.Surface.items().empty());
    EXPECT_FALSE(f.isUnloaded());
}

TEST_F(Manual, SectionOutsideTheFourShowsNoIndex) {
    Form8& f = open(25);
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_FALSE(f.MSGrid1.Visible());
    EXPECT_TRUE(f.Command6.Visible());
    EXPECT_TRUE(f.Command7.Visible());
    f.Command7.click();
    EXPECT_TRUE(f.Surface.items().empty());
    EXPECT_FALSE(f.Command8.Visible());
}

TEST_F(Manual, GlossaryIndexFillsGridAndKeys) {
    Form8& f = open(20);
    EXPECT_TRUE(svc.boxes.empty());
    // Back (twice: from the index and from a page) and open, with the hand.
    const std::tuple<vb::CommandButton*, const char*, int> buttons[] = {
        {&f.Command6, "left.gif", 42}, {&f.Command7, "right.gif", 45}, {&f.Command8, "left.gif", 42}};
    for (const auto& [b, picture, label] : buttons) {
        EXPECT_EQ(b->Picture().toImage(), core::interfacePicture(picture).toImage()) << b->Name();
        EXPECT_EQ(b->ToolTipText(), core::Des[size_t(label)]) << b->Name();
        EXPECT_EQ(b->MousePointer(), vb::vbCustom) << b->Name();
    }
    EXPECT_EQ(f.MSGrid1.MousePointer(), vb::vbCustom);
    EXPECT_EQ(f.Label5.Caption(), vb::UCase(core::Des[35]));
    EXPECT_EQ(f.Label1.Caption(), core::Des[44]);
    EXPECT_TRUE(f.Label1.Visible());
    EXPECT_TRUE(f.MSGrid1.Visible());
    EXPECT_GT(f.MSGrid1.Rows(), 60);
    EXPECT_EQ(f.List2.ListCount(), f.MSGrid1.Rows());
    EXPECT_EQ(f.MSGrid1.Row(), 0);
    EXPECT_EQ(f.List2.ListIndex(), 0);
    EXPECT_EQ(f.MSGrid1.TextMatrix(0, 0), "ABS");
    // Longer than the window: the grid is cut to the window and scrolls.
    EXPECT_EQ(f.MSGrid1.Height(), f.Height() - 2 * f.bandHeight() - 1100);
    EXPECT_EQ(f.MSGrid1.Left(), (f.Width() - f.MSGrid1.Width()) / 2);
    EXPECT_EQ(f.Label1.Top(), f.MSGrid1.Top() - 260);
    EXPECT_EQ(f.MousePointer(), 0);
}

TEST_F(Manual, OpeningAGlossaryTopicDrawsItsPage) {
    Form8& f = open(20);
    const int r = rowOf(f, "Come leggere le pagine del manuale");
    ASSERT_GE(r, 0);
    openTopic(f, r);
    EXPECT_EQ(f.List2.ListIndex(), r);
    EXPECT_FALSE(f.MSGrid1.Visible());
    EXPECT_EQ(f.Label2.Caption(), "Come leggere le pagine del manuale");
    EXPECT_TRUE(f.Command8.Visible());
    EXPECT_FALSE(f.Command6.Visible());
    EXPECT_FALSE(f.Command7.Visible());
    EXPECT_FALSE(f.Image2.Visible());
    const auto rows = drawnRows(f);
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[0], "Come leggere le pagine del manuale");
    EXPECT_EQ(rows[1], "Titolo  testo  giallo  e  rosso");
    // The colours of the marked line, in the order drawn.
    std::vector<int> colours;
    for (const auto& it : f.Surface.items())
        if (it.y == f.TextTop + 2 * f.Surface.rowHeight()) colours.push_back(it.colour);
    EXPECT_EQ(colours, (std::vector<int>{12, 0, 14, 0, 4}));
    EXPECT_EQ(f.PageNeedsScroll, 0);
    EXPECT_EQ(f.MousePointer(), 0);
    EXPECT_EQ(f.Command8.MousePointer(), 99);
}

TEST_F(Manual, LongGlossaryPageScrollsInsteadOfLeavingTheWindow) {
    Form8& f = open(20);
    f.Show();
    const QString title = QString::fromUtf8("Tabella di conversione delle unità di misura");
    const QRect cell = f.MSGrid1.cellRect(rowOf(f, vb::fromQt(title)), 0);
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseDClick(f.MSGrid1.widget(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(f.Label2.Caption(), vb::fromQt(title));
    ASSERT_GT(f.LineCount, f.VisibleLines);
    EXPECT_EQ(f.PageNeedsScroll, 1);
    EXPECT_TRUE(f.VScroll1.Visible());
    for (const auto& it : f.Surface.items())
        EXPECT_LT(it.y, f.TextTop + f.VisibleLines * f.Surface.rowHeight());
    EXPECT_EQ(drawnRows(f).back(), shownText(f.PageLines[size_t(f.VisibleLines - 1)]));
    EXPECT_GE(f.TextTop, f.bandHeight());
    EXPECT_LE(f.TextTop + f.VisibleLines * f.Surface.rowHeight(), f.ScaleHeight() - f.bandHeight());
    // The title stands below the header band: none of its blue ink lies on
    // the band, and the band's lower edge is whole above it.
    const QImage shown = f.grab().toImage();
    const int bandBottom = (f.Shape2.Top() + f.Shape2.Height()) / 15;
    const int below = (f.Label5.Top() + f.Label5.Height()) / 15; // the heading's own blue ends here
    const int left = f.Label2.Left() / 15, right = std::min<int>(left + f.Label2.Width() / 15, shown.width());
    int titleInk = 0, edge = 0;
    for (int x = left; x < right; ++x) {
        for (int y = below; y <= bandBottom; ++y) {
            const QColor c = shown.pixelColor(x, y);
            if (c.blue() > 120 && c.red() < 90 && c.green() < 90) ++titleInk;
        }
        if (shown.pixelColor(x, bandBottom - 1) == QColor(0x80, 0x80, 0x80)) ++edge; // the band's grey edge
    }
    EXPECT_EQ(titleInk, 0);
    EXPECT_EQ(edge, right - left);
}

TEST_F(Manual, PagingAndScrollingALongOscilloscopePage) {
    Form8& f = open(30);
    openTopic(f, rowOf(f, "Valori di riferimento dei segnali"));
    ASSERT_EQ(f.PageNeedsScroll, 1);
    EXPECT_TRUE(f.Image2.Visible());
    EXPECT_EQ(f.VScroll1.Min(), 1);
    EXPECT_EQ(f.VScroll1.Max(), f.LineCount - f.VisibleLines + 1);
    EXPECT_EQ(f.VScroll1.Width(), 230);
    f.Command8_KeyDown(34, 0);
    EXPECT_EQ(f.FirstLine, f.LineCount - f.VisibleLines);
    EXPECT_EQ(f.VScroll1.Value(), f.FirstLine + 1);
    auto rows = drawnRows(f);
    EXPECT_EQ(rows.back(), "   " + std::string("ondulazione residua inferiore a 0,5 V"));
    // PageDown again at the last page stays there.
    f.Command8_KeyDown(34, 0);
    EXPECT_EQ(f.FirstLine, f.LineCount - f.VisibleLines);
    f.Command8_KeyDown(33, 0);
    EXPECT_EQ(f.FirstLine, 0);
    EXPECT_EQ(f.VScroll1.Value(), 1);
    f.VScroll1.setValue(5);
    EXPECT_EQ(f.FirstLine, 4);
    const auto scrolled = drawnRows(f);
    ASSERT_FALSE(scrolled.empty());
    EXPECT_EQ(scrolled[0], shownText(f.PageLines[4]));
    // Enter does not reopen a topic over a scrolled page.
    f.MSGrid1_KeyPress(13);
    EXPECT_EQ(f.FirstLine, 4);
}

// Real keys on a freshly opened long page: the focus is on the back
// button, and an arrow key, as any key, hands the keyboard to the scroll bar,
// which moves the page by a line.
TEST_F(Manual, ArrowKeysScrollALongPageByALine) {
    Form8& f = showTopic(20, vb::fromQt(QString::fromUtf8("Tabella di conversione delle unità di misura")));
    ASSERT_EQ(f.PageNeedsScroll, 1);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    ASSERT_TRUE(f.Command8.hasFocus());
    const auto top = drawnRows(f);
    ASSERT_EQ(top[0], shownText(f.PageLines[0]));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(f.VScroll1.hasFocus());
    EXPECT_EQ(f.VScroll1.Value(), 2);
    EXPECT_EQ(f.FirstLine, 1);
    EXPECT_EQ(trimmed(drawnRows(f)), rowsInView(f));
    EXPECT_NE(drawnRows(f), top);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(f.VScroll1.Value(), 1);
    EXPECT_EQ(drawnRows(f), top);
}

TEST_F(Manual, GasPicturesAndThePointerLine) {
    Form8& f = open(40);
    openTopic(f, 0);
    EXPECT_TRUE(f.Image2.Visible());
    EXPECT_FALSE(f.Line1.Visible());
    EXPECT_FALSE(f.Timer1.Enabled());
    const int ownHeight = f.Image2.Height();
    f.Command8_Click();
    openTopic(f, 1);
    EXPECT_TRUE(f.Line1.Visible());
    EXPECT_TRUE(f.Timer1.Enabled());
    EXPECT_EQ(f.Timer1.Interval(), 500);
    EXPECT_EQ(f.PointerState, 40);
    // 240 twips left of the picture's middle, at the size the picture is shown.
    const int natural = f.Image2.Picture().width() * 15;
    EXPECT_EQ(f.Line1.X1(), f.Image2.Left() + std::lrint((natural / 2.0 - 240) * f.Image2.Width() / natural));
    EXPECT_EQ(f.Line1.Y1(), f.Image2.Top());
    EXPECT_EQ(f.Line1.Y2(), f.Image2.Top() + f.Image2.Height());
    EXPECT_NE(f.Image2.Height(), ownHeight); // the analyser, not the first topic's picture
    EXPECT_LE(f.Image2.Left() + f.Image2.Width(), f.TextLeft);
    const int home = f.PointerHomeX;
    f.Timer1_Timer();
    f.Timer1_Timer();
    EXPECT_EQ(f.Line1.X1(), home + 160);
    EXPECT_EQ(f.Line1.X2(), home + 160);
    f.Command8_Click();
    EXPECT_FALSE(f.Timer1.Enabled());
    EXPECT_FALSE(f.Line1.Visible());
    EXPECT_FALSE(f.Image2.Visible());
    openTopic(f, 2);
    EXPECT_EQ(f.PointerState, 40);
    EXPECT_EQ(f.Line1.X1(), f.PointerHomeX);
}

// Pages wider than half the window: the sample's oscilloscope and gas pages
// (64 characters a line), a scrolled one, and a page of 80-character lines,
// on both screen sizes. Every character stays readable and the picture takes
// the room the page leaves it; a page that fits keeps its half.
TEST_F(Manual, WidePagesStandWholeBesideTheirPicture) {
    const std::tuple<int, std::string> samples[] = {
        {30, "Sonda lambda al biossido di zirconio - al minimo"},
        {40, "CO: miscela troppo ricca"},
        {30, "Valori di riferimento dei segnali"},
    };
    int checked = 0;
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)})
        for (const auto& [section, title] : samples) {
            const std::string where = title + " at " + std::to_string(screen.width());
            Form8& f = showTopic(section, title, screen);
            ASSERT_EQ(f.Label2.Caption(), title);
            const ShownText shown = expectPageShownWhole(f, where);
            ASSERT_GT(shown.compared, 500) << where;
            // Wider than half the window: the halves cannot hold page and picture.
            ASSERT_GT(shown.text.width(), f.width() / 2) << where;
            // Its widest line, in view or not, ends close to the window's edge
            // or the scroll bar, leaving the picture all the room there is.
            const int edge = f.VScroll1.Visible() ? f.VScroll1.widget()->geometry().left() : f.width();
            const int right = f.TextLeft + core::widestLineChars(f.PageLines) * f.Surface.columnWidth();
            EXPECT_GT(vb::twipsToPixels(right), edge - 20) << where;
            expectPictureWhole(f, shown.text, where);
            if (f.Line1.Visible()) {
                const QRect pic = f.Image2.widget()->geometry();
                EXPECT_GT(vb::twipsToPixels(f.Line1.X1()), pic.left()) << where;
                EXPECT_LT(vb::twipsToPixels(f.Line1.X1()), pic.right()) << where;
                EXPECT_EQ(f.Line1.Y1(), f.Image2.Top());
                EXPECT_EQ(f.Line1.Y2(), f.Image2.Top() + f.Image2.Height());
            }
            EXPECT_EQ(f.PageNeedsScroll, title == "Valori di riferimento dei segnali" ? 1 : 0) << where;
            ++checked;
        }
    EXPECT_EQ(checked, 6);

    core::InitKeys();
    std::string wide;
    while (wide.size() < 80)
        wide += "misurare la tensione ";
    wide = wide.substr(0, 79) + ".";
    std::vector<std::string> widePage = {"[Righe di ottanta caratteri]", ""};
    for (int i = 0; i < 6; ++i)
        widePage.push_back(wide);
    const std::string page1 = scrambledLines(widePage);
    const std::string page2 =
        scrambledLines({"[Pagina stretta]", "", "Trenta caratteri per ogni riga", "^gialla~"});
    writeBytes(file("osc/tx_ita/osc.cpt"), page1 + page2);
    const long long end1 = (long long)page1.size() + 1;
    writeBytes(file("osc/tx_ita/osc95.cpt"),
               scrambledLines({indexLine(0, end1, "Righe di ottanta caratteri", 100),
                               indexLine(end1 - 1, end1 + (long long)page2.size(), "Pagina stretta", 101)}));
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        const std::string where = "80 characters at " + std::to_string(screen.width());
        Form8& f = showTopic(30, "Righe di ottanta caratteri", screen);
        ASSERT_EQ(f.LineCount, 8);
        const ShownText shown = expectPageShownWhole(f, where);
        ASSERT_GT(shown.compared, 500) << where;
        const auto rows = drawnRows(f);
        ASSERT_EQ(rows.size(), 7u) << where;
        EXPECT_EQ(rows[1], wide) << where;
        // At 800 pixels the lines fill the window and leave the picture no room.
        if (screen.width() == 800)
            EXPECT_FALSE(f.Image2.Visible()) << where;
        else
            expectPictureWhole(f, shown.text, where);
    }

    // A page that fits in the right half stands there, the picture centred
    // in the left half at its own size.
    Form8& f = showTopic(30, "Pagina stretta");
    const ShownText shown = expectPageShownWhole(f, "narrow page");
    ASSERT_GT(shown.compared, 100);
    const int w = 30 * f.Surface.columnWidth(), W = f.Width();
    EXPECT_EQ(f.TextLeft, std::lrint((W / 2.0 - w) / 2.0 + W / 2.0 - 50));
    EXPECT_EQ(f.Image2.Width(), f.Image2.Picture().width() * 15);
    EXPECT_EQ(f.Image2.Left(), (W / 2 - f.Image2.Width()) / 2);
    expectPictureWhole(f, shown.text, "narrow page");
}

// Resized from outside, the window lays out its page, picture, scroll bar,
// index or help page again for the new size, and back again.
TEST_F(Manual, PagesFollowTheWindowsSize) {
    const std::tuple<int, std::string> pages[] = {
        {30, "Sonda lambda al biossido di zirconio - al minimo"},
        {40, "CO: miscela troppo ricca"},
        {20, "Alternatore"},
        {30, "Valori di riferimento dei segnali"},
    };
    int checked = 0;
    for (const auto& [section, title] : pages) {
        Form8& f = showTopic(section, title);
        ASSERT_EQ(f.Label2.Caption(), title);
        const bool scrolled = f.PageNeedsScroll == 1;
        if (scrolled) f.VScroll1.setValue(5);
        const int left = f.TextLeft, top = f.TextTop;
        const auto rows = drawnRows(f);
        const QSize full = f.size();

        f.resize(700, 300); // as the window manager would
        QApplication::processEvents();
        const std::string where = title + " at 700x300";
        ASSERT_EQ(f.ScaleWidth(), 700 * 15);
        const ShownText shown = expectPageShownWhole(f, where);
        ASSERT_GT(shown.compared, 300) << where;
        EXPECT_TRUE(f.rect().contains(f.Label2.widget()->geometry().topLeft())) << where;
        EXPECT_LE(f.Picture1.widget()->geometry().bottom(), f.rect().bottom()) << where;
        if (section != 20) {
            const QRect pic = f.Image2.widget()->geometry();
            EXPECT_TRUE(f.Image2.Visible()) << where;
            EXPECT_TRUE(f.rect().contains(pic)) << where;
            EXPECT_LT(pic.right(), shown.text.left()) << where;
        }
        if (section == 40) {
            ASSERT_TRUE(f.Line1.Visible());
            EXPECT_EQ(f.Line1.X1(), f.PointerHomeX);
            EXPECT_LT(vb::twipsToPixels(f.Line1.X1()), f.Image2.widget()->geometry().right());
        }
        if (scrolled) {
            ASSERT_EQ(f.PageNeedsScroll, 1);
            const QRect bar = f.VScroll1.widget()->geometry();
            EXPECT_TRUE(f.rect().contains(bar)) << where;
            EXPECT_FALSE(bar.intersects(f.Picture1.widget()->geometry())) << where;
            EXPECT_EQ(f.FirstLine, 4);
            EXPECT_EQ(f.VScroll1.Value(), 5);
            EXPECT_EQ(f.VScroll1.Max(), f.LineCount - f.VisibleLines + 1);
            EXPECT_EQ(drawnRows(f)[0], shownText(f.PageLines[4]));
        }

        f.resize(full);
        QApplication::processEvents();
        EXPECT_EQ(f.TextLeft, left) << title;
        EXPECT_EQ(f.TextTop, top) << title;
        EXPECT_EQ(drawnRows(f), rows) << title;
        ++checked;
    }
    EXPECT_EQ(checked, 4);

    // Narrowed to 500x350, the conversion table's lines are wider than the
    // room left of the scroll bar: they end before the bar, and none of
    // their ink lies on the bar or shows right of it.
    Form8& f = showTopic(20, vb::fromQt(QString::fromUtf8("Tabella di conversione delle unità di misura")));
    f.resize(500, 350);
    QApplication::processEvents();
    ASSERT_EQ(f.PageNeedsScroll, 1);
    const QRect bar = f.VScroll1.widget()->geometry();
    ASSERT_TRUE(f.rect().contains(bar));
    ASSERT_GT(vb::twipsToPixels(f.TextLeft + core::widestLineChars(f.PageLines) * f.Surface.columnWidth()),
              bar.right());
    const QImage& ink = f.drawing();
    int left = 0, onBar = 0;
    for (int y = 0; y < std::min(ink.height(), f.height()); ++y)
        for (int x = 0; x < ink.width(); ++x)
            if (ink.pixelColor(x, y).alpha() >= 128) ++(x < bar.left() ? left : onBar);
    EXPECT_GT(left, 2000);
    EXPECT_EQ(onBar, 0);
    // The window's grey between the bar and the window's edge, along the page.
    const QImage shown = f.grab().toImage();
    int grey = 0;
    for (int y = bar.top(); y <= bar.bottom(); ++y)
        for (int x = bar.right() + 1; x < shown.width(); ++x)
            grey += shown.pixelColor(x, y) == QColor(0xC0, 0xC0, 0xC0);
    EXPECT_EQ(grey, bar.height() * (shown.width() - bar.right() - 1));
    EXPECT_GT(grey, 0);
}

// The help page, and the index a page returns to, follow the window too.
TEST_F(Manual, HelpAndIndexFollowTheWindowsSize) {
    Form8& help = open(11, "009");
    help.Show();
    help.resize(700, 300);
    QApplication::processEvents();
    ASSERT_GT(expectPageShownWhole(help, "help at 700x300").compared, 300);
    EXPECT_EQ(help.Label2.Caption(), "Coppie di serraggio");
    EXPECT_TRUE(help.rect().contains(help.Label2.widget()->geometry().topLeft()));

    Form8& f = showTopic(20, "Alternatore");
    f.resize(700, 300);
    QApplication::processEvents();
    QTest::mouseClick(f.Command8.widget(), Qt::LeftButton);
    ASSERT_TRUE(f.MSGrid1.Visible());
    const QRect grid = f.MSGrid1.widget()->geometry();
    EXPECT_TRUE(f.rect().contains(grid));
    EXPECT_LT(grid.bottom(), f.Picture1.widget()->geometry().top());
    EXPECT_TRUE(f.rect().contains(f.Label1.widget()->geometry()));
    EXPECT_NEAR(grid.center().x(), f.width() / 2, 1);
}

// Every title, a page's and the index's, stands below the header frame with
// the window's grey between the frame's edge and its highest ink: on every
// kind of page, on both screens and resized from outside. A page moved down
// for its title stays whole between the header and the button band.
TEST_F(Manual, TitlesStandClearOfTheHeader) {
    // Section and topic; no topic: the section's index; section 11: help.
    const std::tuple<int, std::string> views[] = {
        {30, "Sonda lambda al biossido di zirconio - al minimo"},
        {30, "Valori di riferimento dei segnali"},
        {40, "CO: miscela troppo ricca"},
        {20, "Alternatore"},
        {20, vb::fromQt(QString::fromUtf8("Tabella di conversione delle unità di misura"))},
        {50, "Iniezione benzina: minimo irregolare"},
        {50, "Lista di controllo dell'ispezione completa"},
        {11, ""},
        {20, ""},
        {30, ""},
        {40, ""},
        {50, ""},
    };
    int checked = 0;
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)})
        for (const auto& [section, title] : views) {
            Form8& f = title.empty() ? showOn(screen, section, section < 20 ? "009" : "")
                                     : showTopic(section, title, screen);
            const bool index = section >= 20 && title.empty();
            ASSERT_EQ(f.MSGrid1.Visible(), index);
            for (const bool resized : {false, true}) {
                if (resized) f.resize(700, 300); // as the window manager would
                const std::string where = (index ? "index " + std::to_string(section) : title) + " at " +
                                          std::to_string(screen.width()) + (resized ? ", then 700x300" : "");
                if (!index) {
                    ASSERT_GT(expectPageShownWhole(f, where).compared, 300) << where;
                } else {
                    EXPECT_GE(titleGap(f, f.Label1, where), kTitleClearRows) << where;
                    EXPECT_LT(f.Label1.widget()->geometry().bottom(), f.MSGrid1.widget()->geometry().top())
                        << where;
                    EXPECT_LT(f.MSGrid1.widget()->geometry().bottom(), f.Picture1.widget()->geometry().top())
                        << where;
                }
                ++checked;
            }
        }
    EXPECT_EQ(checked, 2 * 2 * int(std::size(views)));

    // A help page taller than the window.
    core::InitKeys();
    std::vector<std::string> tall = {"Pagina lunga", ""};
    for (int i = 0; i < 80; ++i)
        tall.push_back("Riga " + std::to_string(i + 1) + " della pagina di aiuto");
    writeBytes(file("hlp/tx_ita/hlp099.cpt"), scrambledLines(tall));
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        Form8& help = showOn(screen, 11, "099");
        ASSERT_EQ(help.Label2.Caption(), "Pagina lunga");
        for (const bool resized : {false, true}) {
            if (resized) help.resize(700, 300);
            const std::string where =
                "tall help at " + std::to_string(screen.width()) + (resized ? ", then 700x300" : "");
            ASSERT_GT(expectPageShownWhole(help, where).compared, 300) << where;
        }
    }

    // An index whose rows just fit the window's height, so that centred its
    // caption would stand on the header's frame. Its grid keeps above the
    // button band.
    std::vector<std::string> topics;
    const std::string page = scrambledLines({"[Argomento]", "", "Testo"});
    for (int i = 0; i < 20; ++i)
        topics.push_back(indexLine(0, (long long)page.size() + 1, "Argomento " + std::to_string(i + 1)));
    writeBytes(file("dia/tx_ita/dia.cpt"), page);
    writeBytes(file("dia/tx_ita/dia95.cpt"), scrambledLines(topics));
    Form8& f = showOn({1024, 768}, 50);
    ASSERT_EQ(f.MSGrid1.Rows(), 20);
    const int frame = f.Height() - f.ScaleHeight(), RH = f.MSGrid1.standardRowHeight();
    const int fits = 20 * RH + 470 + 2 * f.bandHeight() - frame;
    f.resize(700, (fits + 14) / 15);
    ASSERT_LT(f.Height() - 2 * f.bandHeight() - 20 * RH - 470, 15); // the rows just fit
    EXPECT_GE(titleGap(f, f.Label1, "index just fitting"), kTitleClearRows);
    const QRect grid = f.MSGrid1.widget()->geometry();
    EXPECT_LT(f.Label1.widget()->geometry().bottom(), grid.top());
    EXPECT_LT(grid.bottom(), f.Picture1.widget()->geometry().top());
}

// Glossary, diagnosis and help pages wider than the window start at the
// left margin, so that every line's start shows and only its end runs past
// the right edge. Lines of 80 characters, the longest a page holds, fit
// both screens, where the page keeps its place in the middle; resized from
// outside to 700x300 (600x500 for help, whose font follows the height) the
// window is narrower than the page.
TEST_F(Manual, WidePagesStartAtTheLeftMargin) {
    core::InitKeys();
    std::string wide = "^INIZIO~";
    while (wide.size() < 80)
        wide += " misurare la tensione";
    wide.resize(80);
    std::vector<std::string> lines = {"[Righe larghe]", ""};
    for (int i = 0; i < 4; ++i)
        lines.push_back(wide);
    const std::string page = scrambledLines(lines);
    for (const std::string s : {"glo", "dia"}) {
        writeBytes(file(s + "/tx_ita/" + s + ".cpt"), page);
        writeBytes(file(s + "/tx_ita/" + s + "95.cpt"),
                   scrambledLines({indexLine(0, (long long)page.size() + 1, "Righe larghe")}));
    }
    lines[0] = "Righe larghe";
    writeBytes(file("hlp/tx_ita/hlp099.cpt"), scrambledLines(lines));

    int checked = 0;
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)})
        for (const int section : {20, 50, 11}) {
            Form8& f =
                section < 20 ? showOn(screen, section, "099") : showTopic(section, "Righe larghe", screen);
            ASSERT_EQ(f.Label2.Caption(), "Righe larghe");
            const std::string where =
                "section " + std::to_string(section) + " at " + std::to_string(screen.width());
            const int w = core::widestLineChars(f.PageLines) * f.Surface.columnWidth();
            ASSERT_EQ(core::widestLineChars(f.PageLines), 80) << where;
            ASSERT_LE(w, f.ScaleWidth()) << where;
            EXPECT_EQ(f.TextLeft, std::lrint((f.Width() - (section < 20 ? w : w + 100)) / 2.0) + 50) << where;

            if (section < 20)
                f.resize(600, 500);
            else
                f.resize(700, 300);
            QApplication::processEvents();
            const std::string small = where + ", then " + std::to_string(f.width());
            const double advance = f.Surface.columnWidth() / 15.0;
            ASSERT_GT(core::widestLineChars(f.PageLines) * f.Surface.columnWidth(), f.ScaleWidth()) << small;
            // The first wide row as the screen shows it: its yellow first
            // word whole at the left margin, its black text up to the
            // window's right edge.
            const auto first = std::find_if(f.Surface.items().begin(), f.Surface.items().end(),
                                            [](const auto& it) { return it.colour == 14; });
            ASSERT_NE(first, f.Surface.items().end()) << small;
            EXPECT_EQ(first->text, "INIZIO") << small;
            const QImage shown = f.grab().toImage();
            const int y0 = first->y / 15,
                      y1 = std::min((first->y + f.Surface.rowHeight()) / 15, shown.height());
            int yellowLeft = shown.width(), yellowRight = -1, blackRight = -1;
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const QColor c = shown.pixelColor(x, y);
                    if (c.red() > 0xD8 && c.green() > 0xD8 && c.blue() < 0x90) {
                        yellowLeft = std::min(yellowLeft, x);
                        yellowRight = std::max(yellowRight, x);
                    }
                    if (std::max({c.red(), c.green(), c.blue()}) < 0x80) blackRight = std::max(blackRight, x);
                }
            ASSERT_GE(yellowRight, 0) << small << ": the line's first word is not on the window";
            EXPECT_GT(yellowLeft, 0) << small;
            EXPECT_LT(yellowLeft, 50 / 15.0 + advance) << small;
            EXPECT_GT(yellowRight - yellowLeft, 5 * advance - 2) << small;
            EXPECT_GT(blackRight, f.width() - 2 * advance) << small;
            EXPECT_GE(f.Label2.widget()->geometry().left(), 0) << small;
            ++checked;
        }
    EXPECT_EQ(checked, 6);
}

TEST_F(Manual, BackToTheIndexByClickOrEsc) {
    Form8& f = open(50);
    openTopic(f, 3);
    f.Command8_Click();
    EXPECT_TRUE(f.MSGrid1.Visible());
    EXPECT_TRUE(f.Label1.Visible());
    EXPECT_FALSE(f.Label2.Visible());
    EXPECT_TRUE(f.Command6.Visible());
    EXPECT_TRUE(f.Command7.Enabled());
    EXPECT_FALSE(f.Command8.Visible());
    EXPECT_EQ(f.MSGrid1.Row(), 3);
    EXPECT_TRUE(f.Surface.items().empty());
    EXPECT_EQ(f.Label5.Caption(), vb::UCase(core::Des[38]));
    openTopic(f, 4);
    f.Command8_KeyPress(27);
    EXPECT_TRUE(f.MSGrid1.Visible());
    EXPECT_EQ(f.Label5.Caption(), vb::Trim(core::Des[0]));
    // Esc in the index view closes the window.
    f.previewKey(27, 0);
    EXPECT_TRUE(f.isUnloaded());
}

TEST_F(Manual, EnterInTheGridOpensTheTopic) {
    Form8& f = open(50);
    f.MSGrid1.setRow(2);
    f.MSGrid1_KeyPress(13);
    EXPECT_TRUE(f.Command8.Visible());
    EXPECT_EQ(f.Label2.Caption(), f.MSGrid1.TextMatrix(2, 0));
}

TEST_F(Manual, WheelScrollsOnlyTheGrid) {
    Form8& f = open(20);
    f.WheelCatcher1_WheelRotation(1, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 0);
    f.WheelCatcher1_WheelRotation(-3, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 3);
    f.WheelCatcher1_WheelRotation(-3, 0, 0, f.Command6.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 3);
    f.WheelCatcher1_WheelRotation(2, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 1);
}

TEST_F(Manual, MissingIndexIsReportedAndTheWindowStays) {
    vb::Kill(appPath() + "\\dia\\tx_ita\\dia95.cpt");
    Form8& f = open(50);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: file " + appPath() + "\\Dia\\tx_ita\\dia95.cpt not available");
    EXPECT_EQ(svc.boxes[0].flags, 16);
    EXPECT_FALSE(f.MSGrid1.Visible());
    EXPECT_TRUE(f.Command6.Visible());
    f.Command7.click();
    EXPECT_FALSE(f.Command8.Visible());
}

TEST_F(Manual, OneLineIndexAndEmptyIndex) {
    core::InitKeys();
    writeBytes(file("glo/tx_ita/glo95.cpt"), scrambledLines({indexLine(0, 30, "Unico")}));
    Form8& f = open(20);
    EXPECT_EQ(f.MSGrid1.Rows(), 1);
    EXPECT_EQ(f.MSGrid1.Row(), 0);
    EXPECT_EQ(f.List2.ListIndex(), -1); // not touched
    openTopic(f, 0);
    EXPECT_EQ(f.List2.ListIndex(), 0);
    EXPECT_EQ(f.Label2.Caption(), "Unico");
    f.Unload();

    writeBytes(file("glo/tx_ita/glo95.cpt"), "");
    Form8& g = Form8::get();
    EXPECT_EQ(g.MSGrid1.Rows(), 0);
    g.Command7.click();
    EXPECT_FALSE(g.Command8.Visible());
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(Manual, BadRangesGiveAMessageAndAnEmptyPage) {
    core::InitKeys();
    writeBytes(file("dia/tx_ita/dia95.cpt"),
               scrambledLines({indexLine(999999, 1000100, "Oltre la fine"), "    -12     40Negativo",
                               "    abc    def Non numerico", indexLine(50, 40, "Rovesciato"),
                               indexLine(0, 40, "Buono")}));
    Form8& f = open(50);
    for (int r = 0; r < 4; ++r) {
        svc.boxes.clear();
        openTopic(f, r);
        EXPECT_EQ(svc.boxes.size(), 1u) << r;
        EXPECT_TRUE(f.Surface.items().empty()) << r;
        EXPECT_TRUE(f.Command8.Visible());
        f.Command8_Click();
    }
    svc.boxes.clear();
    openTopic(f, 4);
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_FALSE(f.Surface.items().empty());
}

TEST_F(Manual, MissingPageFileIsReported) {
    vb::Kill(appPath() + "\\glo\\tx_ita\\glo.cpt");
    Form8& f = open(20);
    f.Show();
    // Reported while the window works: the hourglass over it, its grid and
    // its buttons; afterwards the default pointer and their hand.
    const std::initializer_list<vb::Control*> listed = {&f.MSGrid1, &f.Command6, &f.Command7, &f.Command8};
    std::vector<int> busy;
    svc.onBox = [&](const Box&) {
        busy.push_back(f.MousePointer());
        for (vb::Control* c : listed)
            busy.push_back(c->MousePointer());
    };
    QTest::mouseClick(f.Command7.widget(), Qt::LeftButton);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_NE(svc.boxes[0].prompt.find("glo.cpt not available"), std::string::npos);
    EXPECT_TRUE(f.Surface.items().empty());
    EXPECT_EQ(busy, std::vector<int>(5, vb::vbHourglass));
    EXPECT_EQ(f.MousePointer(), vb::vbDefault);
    for (vb::Control* c : listed)
        EXPECT_EQ(c->MousePointer(), vb::vbCustom) << c->Name();
}

TEST_F(Manual, TopicRangeWithoutFinalCrLfKeepsItsLastLine) {
    core::InitKeys();
    const std::string page = scrambledLines({"riga uno", "riga due"}, false);
    writeBytes(file("glo/tx_ita/glo.cpt"), page);
    writeBytes(file("glo/tx_ita/glo95.cpt"),
               scrambledLines({indexLine(0, (long long)page.size() + 1, "Senza fine riga")}));
    Form8& f = open(20);
    openTopic(f, 0);
    EXPECT_EQ(f.LineCount, 2);
    EXPECT_EQ(drawnRows(f), (std::vector<std::string>{"riga uno", "riga due"}));
}

// A topic picture that cannot be read is the decoder's fatal case: a message
// naming the file, then the end of the program, never a crash.
TEST_F(Manual, MissingTopicPictureIsReportedByTheDecoder) {
    Form8& f = open(30);
    const std::string code = documents::topicPictureCode(f.List2.List(0));
    vb::Kill(appPath() + "\\osc\\x" + code + ".gif");
    f.MSGrid1.setRow(0);
    EXPECT_THROW(f.Command7.click(), vb::ProgramEnded);
    EXPECT_TRUE(svc.ended);
    ASSERT_FALSE(svc.boxes.empty());
    EXPECT_NE(svc.boxes.back().prompt.find("x" + code + ".gif"), std::string::npos);
}
