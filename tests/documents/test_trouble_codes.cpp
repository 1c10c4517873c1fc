#include "core/module1.h"
#include "core/scramble.h"
#include "db/dbase.h"
#include "db/query.h"
#include "dbwriter/table_writer.h"
#include "documents/trouble_code_browser.h"
#include "documents/trouble_codes.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/vbstring.h"
#include "sampledata/reference.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

using namespace testing_support;
using documents::Form4;

namespace {

std::vector<sampledata::TroubleCode> codesOf(const std::string& brand) {
    std::vector<sampledata::TroubleCode> r;
    for (const auto& t : sampledata::troubleCodes(5200))
        if (t.brand == brand) r.push_back(t);
    std::sort(r.begin(), r.end(), [](const auto& a, const auto& b) { return a.code < b.code; });
    return r;
}

std::string trimmed(const std::string& s) {
    return vb::Trim(s);
}

class TroubleCodes : public WindowTest {
  protected:
    Form4& open() {
        startProgram();
        return Form4::get();
    }
    // Opens the window anew on a screen of the given size and shows it.
    Form4& showOn(QSize screen) {
        vb::FormRegistry::unloadAll();
        svc.width = screen.width() * 15;
        svc.height = screen.height() * 15;
        Form4& f = open();
        f.Show();
        QApplication::processEvents();
        return f;
    }
    static void choose(Form4& f, const std::string& brand) {
        for (int i = 0; i < f.Combo1.ListCount(); ++i)
            if (f.Combo1.List(i) == brand) f.Combo1.setListIndex(i);
        ASSERT_EQ(f.Combo1.Text(), brand);
    }
    static int indexOf(Form4& f, const std::string& code) {
        for (int i = 0; i < f.List1.ListCount(); ++i)
            if (trimmed(f.List1.List(i)) == code) return i;
        return -1;
    }
};

} // namespace

TEST(TroubleCodeKeys, BrandKeyIsPaddedToFifteen) {
    EXPECT_EQ(documents::obdBrandKey("STANDARD"), "STANDARD       ");
    EXPECT_EQ(documents::obdBrandKey("  ARDESIA "), "ARDESIA        ");
    EXPECT_EQ(documents::obdBrandKey("ABCDEFGHIJKLMNO"), "ABCDEFGHIJKLMNO");
    // Too long for the key: kept whole, so it matches no row instead of the
    // brand that shares its first fifteen letters.
    EXPECT_EQ(documents::obdBrandKey("ABCDEFGHIJKLMNOP"), "ABCDEFGHIJKLMNOP");
}

TEST(TroubleCodeKeys, DescriptionScrambledUpTo80ThenPlain) {
    core::InitKeys();
    const std::string eighty(80, 'a');
    std::string head = eighty;
    EXPECT_EQ(documents::obdDescription(core::ScrambleString(head)), eighty);
    std::string head81 = eighty;
    // The 81st character is stored as it is read.
    EXPECT_EQ(documents::obdDescription(core::ScrambleString(head81) + "b"), eighty + "b");
    EXPECT_EQ(documents::obdDescription(core::ScrambleString(head) + " tail"), eighty + " tail");
    // A byte that decodes past 255 is an error of the table, not a crash.
    EXPECT_THROW(documents::obdDescription(std::string(3, char(0xFF))), vb::VbError);
}

TEST(TroubleCodeKeys, BrandListKeepsALastLineWithoutCrLf) {
    core::InitKeys();
    std::string content = scrambledLines({"ARDESIA", "BRENTA"}, false);
    EXPECT_EQ(documents::readObdBrandList(content), (std::vector<std::string>{"ARDESIA", "BRENTA"}));
    EXPECT_TRUE(documents::readObdBrandList("").empty());
}

TEST_F(TroubleCodes, OpensOnStandardWithFirstCodeDescribed) {
    Form4& f = open();
    EXPECT_TRUE(svc.boxes.empty()) << (svc.boxes.empty() ? "" : svc.boxes[0].prompt);
    EXPECT_EQ(f.Caption(),
              core::Des[0] + " " + core::Des[1] + " - " + core::Des[3] + " - Tel: " + core::Des[4]);
    EXPECT_EQ(f.Label5.Caption(), vb::Trim(core::Des[86]));
    EXPECT_EQ(f.Combo1.ListIndex(), 0);
    EXPECT_EQ(f.Combo1.Text(), "STANDARD");
    std::vector<std::string> names{"STANDARD"};
    for (const auto& b : sampledata::obdBrandList())
        names.push_back(b);
    ASSERT_EQ(f.Combo1.ListCount(), int(names.size()));
    for (int i = 0; i < f.Combo1.ListCount(); ++i)
        EXPECT_EQ(f.Combo1.List(i), names[size_t(i)]);

    const auto standard = codesOf("STANDARD");
    ASSERT_EQ(f.List1.ListCount(), int(standard.size()));
    for (size_t i = 0; i < standard.size(); ++i)
        ASSERT_EQ(f.List1.List(int(i)), standard[i].code) << i;
    EXPECT_EQ(f.List1.ListIndex(), 0);
    EXPECT_EQ(f.Frame2.Caption(), core::Des[89] + ": " + standard[0].code);
    EXPECT_EQ(trimmed(f.Label3.Caption()), standard[0].description);
    EXPECT_EQ(f.Frame1.Caption(), core::Des[88] + " " + core::Des[89]);
    EXPECT_EQ(f.Label2.Caption(), core::Des[87]);
    EXPECT_EQ(f.Command5.ToolTipText(), "F1 = " + core::Des[85]);
    EXPECT_EQ(f.Command5.Left(), f.Command6.Width() + 30);
    EXPECT_EQ(f.Label11(3).Caption(), "64 =Sensore Ossigeno 3, bancata 2. Valore di tensione alto.");
    EXPECT_EQ(f.MousePointer(), 0);
    EXPECT_EQ(f.Left(), 0);
    EXPECT_EQ(f.Width(), svc.width);
}

TEST_F(TroubleCodes, PanelsPaintTheirTitlesAndTextsInTheirColours) {
    Form4& f = open();
    f.Show();
    QApplication::processEvents();
    const QImage shot = f.grab().toImage();
    // Pixels of a control's top `rows` pixel rows (its title) whose colour is
    // near the one given.
    auto inkOf = [&](vb::Control& c, QRgb colour, int rows) {
        const QRect r(c.widget()->mapTo(&f, QPoint(0, 0)), QSize(c.widget()->width(), rows));
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb p = shot.pixel(x, y);
                n += std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                         std::abs(qBlue(p) - qBlue(colour)) <
                     40;
            }
        return n;
    };
    const QRgb titleBlue = qRgb(0, 0, 192), blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0);
    EXPECT_GT(inkOf(f.Frame1, titleBlue, 20), 20);
    EXPECT_GT(inkOf(f.Frame2, titleBlue, 20), 20);
    EXPECT_GT(inkOf(f.Frame3, red, 20), 20);
    EXPECT_GT(inkOf(f.Label2, blue, f.Label2.widget()->height()), 20);
    EXPECT_GT(inkOf(f.Label3, red, f.Label3.widget()->height()), 20);
    // Each panel stands on the white ground, its text in bold.
    for (vb::Control* c : std::initializer_list<vb::Control*>{&f.Frame1, &f.Frame2, &f.Frame3})
        EXPECT_EQ(shot.pixel(c->widget()->mapTo(&f, QPoint(4, 40))), qRgb(255, 255, 255)) << c->Name();
    EXPECT_TRUE(f.Label2.widget()->font().bold());
    EXPECT_TRUE(f.Label3.widget()->font().bold());
}

// Each panel shows whole on its ground at both screen sizes: its grey border
// runs the full length of its four sides in the window's pixels, beside the
// title at the two ends of the top side. The description's panel keeps its
// border, then along its whole top side, when a brand without codes leaves
// it without a title.
TEST_F(TroubleCodes, PanelsShowTheirFourBordersWhole) {
    const QRgb grey = qRgb(0x80, 0x80, 0x80);
    int sides = 0;
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        Form4& f = showOn(screen);
        ASSERT_EQ(f.width(), screen.width());
        const QRect ground(f.Picture1.widget()->mapTo(&f, QPoint(0, 0)), f.Picture1.widget()->size());
        auto expectBorder = [&](vb::Frame& panel) {
            const QImage shot = f.grab().toImage();
            const std::string where = panel.Name() + " at " + std::to_string(screen.width()) + " titled \"" +
                                      panel.Caption() + "\"";
            QWidget* w = panel.widget();
            const QRect r(w->mapTo(&f, QPoint(0, 0)), w->size());
            EXPECT_TRUE(ground.contains(r)) << where;
            const int top = r.top() + QFontMetrics(w->font()).height() / 2;
            // Grey pixels on the line from `a` to `b`, both included.
            auto greyOn = [&](QPoint a, QPoint b) {
                int n = 0;
                for (QPoint p = a;; p += QPoint(a.x() == b.x() ? 0 : 1, a.x() == b.x() ? 1 : 0)) {
                    n += shot.rect().contains(p) && shot.pixel(p) == grey;
                    if (p == b) break;
                }
                return n;
            };
            EXPECT_EQ(greyOn({r.left(), top}, {r.left(), r.bottom()}), r.bottom() - top + 1) << where;
            EXPECT_EQ(greyOn({r.right(), top}, {r.right(), r.bottom()}), r.bottom() - top + 1) << where;
            EXPECT_EQ(greyOn({r.left(), r.bottom()}, {r.right(), r.bottom()}), r.width()) << where;
            if (panel.Caption().empty()) {
                EXPECT_EQ(greyOn({r.left(), top}, {r.right(), top}), r.width()) << where;
            } else {
                EXPECT_EQ(greyOn({r.left(), top}, {r.left() + 7, top}), 8) << where;
                EXPECT_EQ(greyOn({r.right() - 7, top}, {r.right(), top}), 8) << where;
            }
            sides += 4;
        };
        for (vb::Frame* panel : {&f.Frame1, &f.Frame2, &f.Frame3})
            expectBorder(*panel);

        svc.answers = {vb::vbNo};
        for (int i = 0; i < f.Combo1.ListCount() && f.Combo1.Text() != sampledata::kObdBrandWithoutCodes; ++i)
            QTest::keyClick(f.Combo1.widget(), Qt::Key_Down);
        ASSERT_EQ(f.Combo1.Text(), sampledata::kObdBrandWithoutCodes);
        ASSERT_EQ(svc.boxes.size(), 1u);
        svc.boxes.clear();
        ASSERT_EQ(f.Frame2.Caption(), "");
        QApplication::processEvents();
        expectBorder(f.Frame2);
    }
    EXPECT_EQ(sides, 32);
}

namespace {

// The text in a coloured box as the window shows it.
struct BoxInk {
    QRect box;                              // the part of the box that shows
    QRect ink;                              // anything but the box's colour
    std::vector<std::pair<int, int>> lines; // first and last row of each run of ink
};

// Reads the box of colour `ground` in `shot` within `around`: rows and
// columns that are mostly that colour, and inside them every pixel that is
// not.
BoxInk inkIn(const QImage& shot, const QRect& around, QRgb ground) {
    const auto isGround = [&](int x, int y) {
        const QRgb p = shot.pixel(x, y);
        return std::abs(qRed(p) - qRed(ground)) + std::abs(qGreen(p) - qGreen(ground)) +
                   std::abs(qBlue(p) - qBlue(ground)) <
               30;
    };
    BoxInk r;
    int top = -1, bottom = -1, left = -1, right = -1;
    for (int y = around.top(); y <= around.bottom(); ++y) {
        int n = 0;
        for (int x = around.left(); x <= around.right(); ++x)
            n += isGround(x, y);
        if (n <= around.width() / 2) continue;
        if (top < 0) top = y;
        bottom = y;
    }
    if (top < 0) return r;
    for (int x = around.left(); x <= around.right(); ++x) {
        int n = 0;
        for (int y = top; y <= bottom; ++y)
            n += isGround(x, y);
        if (n <= (bottom - top + 1) / 2) continue;
        if (left < 0) left = x;
        right = x;
    }
    if (left < 0) return r;
    r.box = QRect(QPoint(left, top), QPoint(right, bottom));
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (!isGround(x, y)) {
                r.ink |= QRect(x, y, 1, 1);
                if (r.lines.empty() || r.lines.back().second < y - 1) r.lines.push_back({y, y});
                r.lines.back().second = y;
            }
    return r;
}

} // namespace

// The meanings of the example code stand in their coloured boxes with room
// around them: no glyph touches a box's edge, and the three lines of the
// last one are 1.2 times the font's size apart, after the user has chosen a
// brand and clicked a code.
TEST_F(TroubleCodes, MeaningsStandClearOfTheirBoxesWithSpacedLines) {
    Form4& f = open();
    f.Show();
    QApplication::processEvents();
    auto* combo = f.Combo1.widget();
    for (int i = 0; i < f.Combo1.ListCount() && f.Combo1.Text() != "CALDERA"; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(f.Combo1.Text(), "CALDERA");
    auto* list = qobject_cast<QListWidget*>(f.List1.widget());
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->count(), 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
    ASSERT_EQ(f.List1.ListIndex(), 3);
    EXPECT_TRUE(svc.boxes.empty());
    QApplication::processEvents();

    const QImage shot = f.grab().toImage();
    const QRgb strong[4] = {qRgb(255, 192, 128), qRgb(255, 255, 128), qRgb(128, 255, 128), qRgb(0, 255, 255)};
    BoxInk meanings[4];
    for (int i = 0; i < 4; ++i) {
        QWidget* w = f.Label11(i).widget();
        const BoxInk& b = meanings[i] =
            inkIn(shot, QRect(w->mapTo(&f, QPoint(0, 0)), w->size()).adjusted(-4, -4, 4, 4), strong[i]);
        ASSERT_FALSE(b.lines.empty()) << i;
        // At least one pixel of the box's colour on every side of the text.
        EXPECT_GT(b.ink.top(), b.box.top()) << i;
        EXPECT_LT(b.ink.bottom(), b.box.bottom()) << i;
        EXPECT_GT(b.ink.left(), b.box.left()) << i;
        EXPECT_LT(b.ink.right(), b.box.right()) << i;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(meanings[i].lines.size(), 1u) << i;
    // "64 =Sensore Ossigeno 3," / "bancata 2. Valore di tensione" / "alto."
    const BoxInk& b = meanings[3];
    ASSERT_EQ(b.lines.size(), 3u);
    QWidget* last = f.Label11(3).widget();
    const int px = last->font().pixelSize();
    EXPECT_EQ(px, 12);
    for (size_t i = 1; i < b.lines.size(); ++i)
        EXPECT_GE(b.lines[i].first - b.lines[i - 1].first, 1.2 * px) << i;
    // The box shows whole inside its panel.
    const QRect panel(f.Frame3.widget()->mapTo(&f, QPoint(0, 0)), f.Frame3.widget()->size());
    const QRect ground(f.Picture1.widget()->mapTo(&f, QPoint(0, 0)), f.Picture1.widget()->size());
    EXPECT_EQ(b.box, QRect(last->mapTo(&f, QPoint(0, 0)), last->size()) & panel & ground);
}

namespace {

// The rows of `shot` inside `area` that hold ink (anything but white,
// outside the rectangles `skip`), grouped into runs of adjacent rows, with
// the columns each run's ink spans.
struct TextInk {
    QRect ink;
    std::vector<QRect> lines;
    int widths() const {
        int w = 0;
        for (const QRect& l : lines)
            w += l.width();
        return w;
    }
};
TextInk textInk(const QImage& shot, const QRect& area, const std::vector<QRect>& skip = {}) {
    TextInk r;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint at(x, y);
            if (shot.pixel(at) == qRgb(255, 255, 255) ||
                std::any_of(skip.begin(), skip.end(), [&](const QRect& s) { return s.contains(at); }))
                continue;
            r.ink |= QRect(at, at);
            if (r.lines.empty() || r.lines.back().bottom() < y - 1) r.lines.emplace_back(at, at);
            r.lines.back() |= QRect(at, at);
        }
    return r;
}

// The description of a code as the window shows it, after a click on the
// code's row: its lines at least 1.2 times the font's size apart, no glyph
// on the label's edges, and every line drawn, so that the lines' ink is as
// wide as the text less a word space at each break.
void expectDescriptionShownSpaced(Form4& f, const std::string& code, const std::string& text,
                                  const std::string& where) {
    auto* list = qobject_cast<QListWidget*>(f.List1.widget());
    ASSERT_NE(list, nullptr);
    const auto found = list->findItems(QString::fromStdString(code), Qt::MatchStartsWith);
    ASSERT_EQ(found.size(), 1) << where;
    list->scrollToItem(found[0]);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
    ASSERT_EQ(vb::Trim(f.List1.List(f.List1.ListIndex())), code) << where;
    ASSERT_EQ(f.Label3.Caption(), text) << where;
    QApplication::processEvents();

    const QImage shot = f.grab().toImage();
    auto* label = qobject_cast<QLabel*>(f.Label3.widget());
    ASSERT_NE(label, nullptr);
    const QRect box(label->mapTo(&f, QPoint(0, 0)), label->size());
    const TextInk t = textInk(shot, box);
    ASSERT_GE(t.lines.size(), 3u) << where;
    EXPECT_GT(t.ink.top(), box.top()) << where;
    EXPECT_LT(t.ink.bottom(), box.bottom()) << where;
    EXPECT_GT(t.ink.left(), box.left()) << where;
    EXPECT_LT(t.ink.right(), box.right()) << where;
    const int px = label->font().pixelSize();
    EXPECT_EQ(px, 15) << where;
    for (size_t i = 1; i < t.lines.size(); ++i)
        EXPECT_GE(t.lines[i].top() - t.lines[i - 1].top(), 1.2 * px) << where << " line " << i;
    const QFontMetrics metrics(label->font());
    const int lines = int(t.lines.size());
    EXPECT_GE(t.widths(), metrics.horizontalAdvance(label->text()) -
                              (lines - 1) * metrics.horizontalAdvance(QLatin1Char(' ')) - 3 * lines)
        << where;
}

} // namespace

// The description of the chosen code and the introduction above the example
// code have their lines 1.2 times the font's size apart, and their glyphs
// touch no edge and no other control: the longest description of the sample
// and one that fills its field keep all their lines in their frame, and the
// introduction's second line stays clear of the example code's boxes.
TEST_F(TroubleCodes, DescriptionAndIntroductionHaveSpacedLines) {
    sampledata::TroubleCode longest;
    for (const auto& t : sampledata::troubleCodes(5200))
        if (t.description.size() > longest.description.size()) longest = t;
    ASSERT_GT(longest.description.size(), 100u);
    std::string full;
    while (full.size() < 200)
        full += "Scollegare la batteria, controllare connettori e masse della centralina motore. ";
    full = full.substr(0, 199) + ".";

    int checked = 0;
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        const std::string where = std::to_string(screen.width()) + "x" + std::to_string(screen.height());
        Form4& f = showOn(screen);
        ASSERT_EQ(f.width(), screen.width());
        auto* combo = f.Combo1.widget();
        for (int i = 0; i < f.Combo1.ListCount() && f.Combo1.Text() != longest.brand; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        ASSERT_EQ(f.Combo1.Text(), longest.brand);
        expectDescriptionShownSpaced(f, longest.code, longest.description, where);

        // "Un codice EOBD/OBDII ... Per esempio" / "esaminiamo il codice:"
        const QImage shot = f.grab().toImage();
        auto* intro = f.Label1.widget();
        const QRect area(intro->mapTo(&f, QPoint(0, 0)), intro->size());
        std::vector<QRect> boxes;
        for (int i = 0; i < 4; ++i)
            boxes.emplace_back(f.Label4(i).widget()->mapTo(&f, QPoint(0, 0)), f.Label4(i).widget()->size());
        const TextInk t = textInk(shot, area, boxes);
        ASSERT_EQ(t.lines.size(), 2u) << where;
        const int px = intro->font().pixelSize();
        EXPECT_EQ(px, 12) << where;
        EXPECT_GE(t.lines[1].top() - t.lines[0].top(), 1.2 * px) << where;
        EXPECT_GT(t.ink.top(), area.top()) << where;
        EXPECT_LT(t.ink.bottom(), area.bottom()) << where;
        EXPECT_GT(t.ink.left(), area.left()) << where;
        // The second line ends before the boxes, a white column between.
        EXPECT_LT(t.lines[1].right() + 1, boxes[0].left()) << where;
        // No glyph touches a box: the pixels around each box are white.
        int around = 0;
        for (const QRect& b : boxes)
            for (int y = b.top() - 1; y <= b.bottom() + 1; ++y)
                for (int x = b.left() - 1; x <= b.right() + 1; ++x)
                    if (!b.contains(x, y)) {
                        EXPECT_EQ(shot.pixel(x, y), qRgb(255, 255, 255)) << where << " at " << x << "," << y;
                        ++around;
                    }
        EXPECT_GT(around, 100) << where;
        const QRect below(f.Label10(0).widget()->mapTo(&f, QPoint(0, 0)), f.Label10(0).widget()->size());
        EXPECT_LT(t.ink.bottom() + 1, below.top()) << where;
        ++checked;
    }
    EXPECT_EQ(checked, 2);

    // A description as long as its field: 80 scrambled characters, the rest
    // plain.
    core::InitKeys();
    const std::vector<db::FieldDef> fields = {{"C1", 'C', 15}, {"C2", 'C', 5}, {"C3", 'C', 200}};
    std::string key = "STANDARD       ";
    const std::string c1 = core::ScrambleString(key);
    std::vector<std::vector<std::optional<std::string>>> rows;
    for (const auto& [code, text] : {std::pair<std::string, std::string>{"P0001", "Sensore: circuito."},
                                     std::pair<std::string, std::string>{"P0002", full}}) {
        std::string c = code, head = text.substr(0, 80);
        rows.push_back({c1, core::ScrambleString(c), core::ScrambleString(head) + text.substr(head.size())});
    }
    db::writeTable(file("obd/xcod_ita.dbf"), fields, rows);
    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        const std::string where = "full field at " + std::to_string(screen.width());
        Form4& f = showOn(screen);
        ASSERT_EQ(f.List1.ListCount(), 2) << where;
        expectDescriptionShownSpaced(f, "P0002", full, where);
        ++checked;
    }
    EXPECT_EQ(checked, 4);
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(TroubleCodes, DescriptionsOnTheEightyCharacterBoundary) {
    Form4& f = open();
    const int i80 = indexOf(f, "P0100"), i81 = indexOf(f, "P0101");
    ASSERT_GE(i80, 0);
    ASSERT_GE(i81, 0);
    f.List1.setListIndex(i81);
    ASSERT_EQ(f.Label3.Caption().size(), 81u);
    EXPECT_EQ(f.Label3.Caption().back(), '.');
    EXPECT_EQ(f.Label3.Caption(), codesOf("STANDARD")[size_t(i81)].description);
    f.List1.setListIndex(i80);
    EXPECT_EQ(f.Label3.Caption().size(), 80u);
    EXPECT_EQ(f.Label3.Caption(), codesOf("STANDARD")[size_t(i80)].description);
    // A long description: the plain tail after the scrambled 80 characters.
    for (const auto& t : codesOf("STANDARD"))
        if (t.description.size() > 100) {
            f.List1.setListIndex(indexOf(f, t.code));
            EXPECT_EQ(f.Label3.Caption(), t.description);
            break;
        }
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(TroubleCodes, MakerCodesListedAndDescribed) {
    Form4& f = open();
    choose(f, "CALDERA");
    const auto caldera = codesOf("CALDERA");
    ASSERT_EQ(f.List1.ListCount(), int(caldera.size()));
    EXPECT_EQ(f.List1.List(0), caldera[0].code);
    EXPECT_EQ(f.Frame2.Caption(), core::Des[89] + ": " + caldera[0].code);
    f.List1.setListIndex(7);
    EXPECT_EQ(trimmed(f.Label3.Caption()), caldera[7].description);
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(TroubleCodes, BrandWithoutCodesOffersStandard) {
    Form4& f = open();
    svc.answers = {vb::vbNo};
    choose(f, sampledata::kObdBrandWithoutCodes);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].flags, 68);
    EXPECT_EQ(svc.boxes[0].title,
              std::string("Nessun Codice Proprietario ") + sampledata::kObdBrandWithoutCodes);
    EXPECT_EQ(svc.boxes[0].prompt,
              "In molti casi i Codici Proprietari P1xxx corrispondono ai Codici Standard "
              "P0xxx\r\nSi vuole consultare i codici STANDARD ???");
    EXPECT_EQ(f.List1.ListCount(), 0);
    EXPECT_EQ(f.Frame2.Caption(), "");
    EXPECT_EQ(f.Label3.Caption(), "");

    svc.answers = {vb::vbYes};
    choose(f, "ARDESIA");
    f.Combo1.setListIndex(4);
    ASSERT_EQ(svc.boxes.size(), 2u);
    EXPECT_EQ(f.Combo1.Text(), "STANDARD");
    EXPECT_EQ(f.List1.ListCount(), int(codesOf("STANDARD").size()));
}

TEST_F(TroubleCodes, CodeThatIsNotFoundEmptiesTheDescription) {
    Form4& f = open();
    choose(f, "BRENTA");
    const int i = indexOf(f, sampledata::kObdUnfindableCode);
    ASSERT_GE(i, 0);
    f.List1.setListIndex(i);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Codice errore non trovato in BRENTA");
    EXPECT_EQ(svc.boxes[0].title, std::string("Trova codice guasto"));
    EXPECT_EQ(svc.boxes[0].flags, 64);
    EXPECT_EQ(f.Label3.Caption(), "");
}

TEST_F(TroubleCodes, EnglishMessagesForOtherLanguages) {
    startProgram();
    namespace fs = std::filesystem;
    fs::copy_file(file("obd/xcod_ita.dbf"), file("obd/xcod_ing.dbf"));
    core::Lang = "_ing";
    Form4& f = Form4::get();
    svc.answers = {vb::vbNo};
    choose(f, sampledata::kObdBrandWithoutCodes);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].title, std::string(sampledata::kObdBrandWithoutCodes) + " Error codes non found");
    choose(f, "BRENTA");
    f.List1.setListIndex(indexOf(f, sampledata::kObdUnfindableCode));
    ASSERT_EQ(svc.boxes.size(), 2u);
    EXPECT_EQ(svc.boxes[1].prompt, "Trouble code not found.");
    EXPECT_EQ(svc.boxes[1].title, std::string("Trouble code search"));
    // The panel stays Italian.
    EXPECT_EQ(f.Label11(1).Caption(), "0 =STANDARD");
}

TEST_F(TroubleCodes, KeysEscClosesOnceF1OpensTheInformation) {
    Form4& f = open();
    QPointer<Form4> alive(&f);
    EXPECT_TRUE(f.previewKey(112, 0));
    ASSERT_EQ(svc.shown.size(), 1u);
    EXPECT_EQ(svc.shown[0], "Form13");
    EXPECT_EQ(core::Form13Topic, "Form4");
    f.previewKey(65, 0);
    f.previewKey(113, 0);
    EXPECT_EQ(svc.shown.size(), 1u);
    EXPECT_FALSE(f.isUnloaded());
    f.previewKey(27, 0);
    EXPECT_TRUE(f.isUnloaded());
    EXPECT_EQ(svc.shown.size(), 1u);
}

TEST_F(TroubleCodes, MissingBrandListLeavesStandard) {
    vb::Kill(file("obd/pmarche.cpt"));
    Form4& f = open();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_NE(svc.boxes[0].prompt.find("pmarche.cpt not available"), std::string::npos);
    EXPECT_EQ(f.Combo1.ListCount(), 1);
    EXPECT_EQ(f.List1.ListCount(), int(codesOf("STANDARD").size()));
}

// Short of descriptors or memory as it reads the brand list or the codes,
// the window says so of the file and goes on.
TEST_F(TroubleCodes, ShortageOnItsFilesIsToldAsItself) {
    using namespace testing_support;
    if (!shortageChild())
        return expectShortagesTold("TroubleCodes.ShortageOnItsFilesIsToldAsItself",
                                   {"pmarche.cpt", "xcod_ita.dbf"});
    startProgram();
    ASSERT_TRUE(injectToldShortage(appPath()));
    Form4& f = Form4::get();
    EXPECT_EQ(f.Combo1.ListCount(), 1);
    reportBoxesToParent(svc);
}

namespace {
// Set for a child process of the test below: the error ("EIO", "ENOMEM")
// that the find of a code meets on the table it reads.
constexpr const char* kFindFault = "CATALOGUE_TEST_FIND_FAULT";
} // namespace

// The find of a code reads the table afresh where it changed since it was
// last read. A fault met there (a disk that answers EIO, a lack of memory)
// is told as the table's, by its number where it is a shortage, and never as
// a code that is not found.
TEST_F(TroubleCodes, FaultWhileFindingACodeIsNeverToldAsNotFound) {
    const std::pair<const char*, const char*> cases[] = {{"EIO", "\\obd\\xcod_ita.dbf not available"},
                                                         {"ENOMEM", "Error: (7) file "}};
    for (const auto& [error, told] : cases) {
        SCOPED_TRACE(error);
        QProcess child;
        startChildTest(child, "TroubleCodes.FindsACodeWithAFault", {{kFindFault, error}});
        ASSERT_TRUE(child.waitForFinished(120000));
        const std::string said = child.readAll().toStdString();
        EXPECT_EQ(child.exitCode(), 0) << said;
        EXPECT_NE(said.find("report done"), std::string::npos) << said;
        // The find met it, after the table was looked at and opened afresh.
        EXPECT_NE(said.find("table closed: 1\n"), std::string::npos) << said;
        const std::size_t box = said.find("box: ");
        ASSERT_NE(box, std::string::npos) << said;
        EXPECT_NE(said.substr(box, said.find('\n', box) - box).find(told), std::string::npos) << said;
        EXPECT_EQ(said.find("box: ", box + 1), std::string::npos) << said;
        EXPECT_EQ(said.find("non trovato"), std::string::npos) << said;
    }
}

// Run by TroubleCodes.FaultWhileFindingACodeIsNeverToldAsNotFound in a
// process of its own: picks the second code with the fault it is told of on
// the find's read of the table.
TEST_F(TroubleCodes, FindsACodeWithAFault) {
    const QByteArray told = qgetenv(kFindFault);
    if (told.isEmpty()) GTEST_SKIP() << "run by TroubleCodes.FaultWhileFindingACodeIsNeverToldAsNotFound";
    const int error = errorNamed(told);
    ASSERT_NE(error, 0);
    Form4& f = open();
    ASSERT_TRUE(svc.boxes.empty());
    ASSERT_GE(f.List1.ListCount(), 2);
    // Changed since it was read: the table is looked at and opened afresh
    // (two opens), and the find reads it (the third).
    namespace fs = std::filesystem;
    const std::string table = file("obd/xcod_ita.dbf");
    fs::last_write_time(table, fs::last_write_time(table) + std::chrono::seconds(5));
    ASSERT_TRUE(injectFaults({{InjectedFault::Open, "xcod_ita.dbf", error, 1, 2}}));
    f.List1.setListIndex(1);
    std::printf("table closed: %d\n", int(f.Data1.DatabaseName.empty()));
    std::printf("description: %s\n", f.Label3.Caption().c_str());
    reportBoxesToParent(svc);
}

TEST_F(TroubleCodes, MissingOrDamagedTableIsReportedNotFatal) {
    vb::Kill(file("obd/xcod_ita.dbf"));
    {
        Form4& f = open();
        EXPECT_FALSE(svc.ended);
        ASSERT_FALSE(svc.boxes.empty());
        EXPECT_NE(svc.boxes[0].prompt.find("xcod_ita.dbf not available"), std::string::npos);
        EXPECT_EQ(f.List1.ListCount(), 0);
        f.Unload();
    }
    // Garbage after a plausible header, and a header that lies about its size.
    std::string bad(400, '\x41');
    bad[0] = 0x03;
    bad[4] = char(0xFF);
    bad[5] = char(0xFF);
    writeBytes(file("obd/xcod_ita.dbf"), bad);
    svc.boxes.clear();
    Form4& g = Form4::get();
    EXPECT_FALSE(svc.ended);
    EXPECT_FALSE(svc.boxes.empty());
    EXPECT_EQ(g.List1.ListCount(), 0);
}

TEST_F(TroubleCodes, UndecodableStoredValuesAreReported) {
    // A table whose codes cannot be descrambled: every stored byte high.
    const std::vector<db::FieldDef> fields = {{"C1", 'C', 15}, {"C2", 'C', 5}, {"C3", 'C', 200}};
    std::string key = "STANDARD       ";
    const std::string c1 = core::ScrambleString(key);
    db::writeTable(file("obd/xcod_ita.dbf"), fields,
                   {{c1, std::string(5, char(0xFE)), std::string(80, char(0xFE))}});
    Form4& f = open();
    EXPECT_FALSE(svc.ended);
    EXPECT_FALSE(svc.boxes.empty());
    EXPECT_EQ(f.List1.ListCount(), 0);
}

TEST_F(TroubleCodes, StandardWithoutCodesAsksOnce) {
    const std::vector<db::FieldDef> fields = {{"C1", 'C', 15}, {"C2", 'C', 5}, {"C3", 'C', 200}};
    startProgram();
    std::string key = "ARDESIA        ", code = "P1000", desc = "Descrizione";
    db::writeTable(file("obd/xcod_ita.dbf"), fields,
                   {{core::ScrambleString(key), core::ScrambleString(code), core::ScrambleString(desc)}});
    svc.answers = {vb::vbYes, vb::vbYes};
    Form4& f = Form4::get();
    EXPECT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(f.List1.ListCount(), 0);
    choose(f, "ARDESIA");
    EXPECT_EQ(f.List1.ListCount(), 1);
    EXPECT_EQ(f.Label3.Caption(), "Descrizione");
}

// The find the browser runs, through the table's index or a plain scan,
// lands on the first record of the set that matches.
TEST_F(TroubleCodes, FindFirstMatchesAPlainScan) {
    startProgram();
    const auto all = sampledata::troubleCodes(5200);
    for (const char* source : {"xcod_ita.dbf", "SELECT * FROM xcod_ita.dbf ORDER BY C2",
                               "SELECT * FROM xcod_ita.dbf WHERE C1<>'x'"}) {
        db::DataControl data;
        data.DatabaseName = vb::resolvePath(appPath() + "\\obd");
        data.RecordSource = source;
        data.Refresh();
        db::Recordset& rs = data.Recordset();
        for (size_t i = 0; i < all.size(); i += 131) {
            std::string code = all[i].code;
            rs.FindFirst(documents::obdCodeCriteria(all[i].brand, core::ScrambleString(code)));
            ASSERT_FALSE(rs.NoMatch()) << source << " " << all[i].code;
            EXPECT_EQ(vb::Trim(documents::obdCode(*rs.Fields("C2"))), vb::Trim(all[i].code));
            EXPECT_EQ(documents::obdDescription(*rs.Fields("c3")).substr(0, 20),
                      all[i].description.substr(0, 20));
        }
    }
    // A set of one brand does not find another brand's code.
    db::DataControl data;
    data.DatabaseName = vb::resolvePath(appPath() + "\\obd");
    std::string key = documents::obdBrandKey("ARDESIA");
    // In table order, so the find goes through the index and must skip rows
    // outside the set.
    data.RecordSource = "SELECT * FROM xcod_ita.dbf WHERE C1='" + core::ScrambleString(key) + "'";
    data.Refresh();
    db::Recordset& rs = data.Recordset();
    rs.MoveFirst();
    rs.MoveNext();
    const int before = rs.AbsolutePosition();
    std::string code = "P0100";
    rs.FindFirst(documents::obdCodeCriteria("STANDARD", core::ScrambleString(code)));
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.AbsolutePosition(), before);
    std::string missing = "Z9999";
    rs.FindFirst(documents::obdCodeCriteria("ARDESIA", core::ScrambleString(missing)));
    EXPECT_TRUE(rs.NoMatch());
}
