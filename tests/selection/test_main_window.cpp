#include "core/module1.h"
#include "core/scramble.h"
#include "db/dbase.h"
#include "dbwriter/table_writer.h"
#include "platform/errors.h"
#include "platform/fonts.h"
#include "platform/vbstring.h"
#include "sampledata/expected.h"
#include "selection/main_window.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"
#include "support/pixels.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>
#include <map>
#include <set>

using namespace testing_support;
using selection::Form2;
namespace ex = sampledata::expected;

namespace {

class MainWindow : public WindowTest {
  protected:
    Form2& open() {
        startProgram();
        return Form2::get();
    }
    static int rowOf(vb::Grid& g, const std::string& text, int col = 0) {
        for (int r = 0; r < g.Rows(); ++r)
            if (g.TextMatrix(r, col) == text) return r;
        return -1;
    }
    // Chooses brand, family and model by name, the way a user would.
    void choose(Form2& f, std::string_view brand, std::string_view family, std::string_view model = {}) {
        for (int i = 0; i < f.ListaMarche.ListCount(); ++i)
            if (f.ListaMarche.List(i) == brand) f.ListaMarche.setListIndex(i);
        ASSERT_EQ(core::BrandName, std::string(brand));
        int r = rowOf(f.GridFamiglie, std::string(family));
        ASSERT_GE(r, 0) << family;
        if (f.GridFamiglie.Row() != r) f.GridFamiglie.setRow(r);
        ASSERT_EQ(core::FamilyName, std::string(family));
        if (!model.empty()) {
            int m = rowOf(f.MSGrid1, std::string(model));
            ASSERT_GE(m, 1) << model;
            if (f.MSGrid1.Row() != m) f.MSGrid1.setRow(m);
        }
    }
    // A real click on the brand's name in the brand list, near its start:
    // a long name runs past the list's edge.
    void clickBrand(Form2& f, const std::string& brand) {
        auto* list = qobject_cast<QListWidget*>(f.ListaMarche.widget());
        ASSERT_NE(list, nullptr);
        const auto items = list->findItems(vb::toQt(brand), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << brand;
        const QRect at = list->visualItemRect(items[0]);
        clickAt(f, list->viewport()->mapTo(&f, QPoint(at.left() + 10, at.center().y())));
        ASSERT_EQ(core::BrandName, brand);
    }
    // Opens the window shown on a screen of that size in pixels.
    Form2& openOn(QSize screen) {
        svc.width = screen.width() * 15;
        svc.height = screen.height() * 15;
        Form2& f = open();
        f.Show();
        QApplication::processEvents();
        EXPECT_EQ(f.width(), screen.width());
        return f;
    }
    // A real click in the middle of at, a rectangle of c's widget.
    void clickIn(Form2& f, vb::Control& c, QRect at) { clickAt(f, c.widget()->mapTo(&f, at.center())); }
    std::string entries(Form2& f) {
        std::string s;
        for (int i = 0; i < 9; ++i) {
            bool on = f.Label10(i).Enabled();
            EXPECT_EQ(f.Image2(i).Visible(), on) << i;
            s += on ? char('0' + i) : '-';
        }
        return s;
    }
};

} // namespace

TEST_F(MainWindow, OpensWithFirstBrandFamilyAndModelChosen) {
    Form2& f = open();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.Caption(), vb::Mid(core::Des[1], 3) + " - " + core::Des[0] + " - Tel: " + core::Des[4] +
                               " (" + core::Des[3] + ")");
    EXPECT_EQ(core::BrandId, std::string(ex::kFirstBrandId));
    EXPECT_EQ(f.LabelMarca.Caption(), core::BrandName);
    EXPECT_FALSE(f.Image1.Picture().isNull());
    EXPECT_EQ(core::FamilyName, std::string(ex::kFirstFamily));
    EXPECT_EQ(f.LabelFamiglia.Caption(), core::FamilyName);
    EXPECT_EQ(f.MSGrid1.Row(), 1);
    EXPECT_EQ(f.MSGrid1.ColSel(), 5);
    EXPECT_EQ(f.MSGrid1.TopRow(), 1);
    EXPECT_TRUE(f.ModelGridReady);
    EXPECT_TRUE(f.FamilyGridReady);
    EXPECT_EQ(core::VehicleName,
              core::BrandName + " " + core::FamilyName + " " + std::string(ex::kFirstModel));
    EXPECT_TRUE(f.Picture1.Visible());
    EXPECT_EQ(f.MousePointer(), 0);
    EXPECT_TRUE(f.Option1(0).Value());
    EXPECT_TRUE(f.Option1(0).FontBold());
    EXPECT_EQ(f.Option1(0).ForeColor(), 0x800000);
    EXPECT_EQ(f.Option1(1).Caption(), core::Des[28] + "(" + core::Des[74] + ")");
    EXPECT_EQ(f.Label10(2).Caption(), vb::Trim(core::Des[53] + " " + core::Des[13]));
    EXPECT_EQ(f.Label10(6).Caption(), vb::Trim(core::Des[66] + " A/C"));
    EXPECT_EQ(f.Command5.ToolTipText(), core::Des[41]);
    EXPECT_EQ(f.Command30.ToolTipText(), core::Des[90]);
    EXPECT_EQ(f.Command6.MousePointer(), 99);
    EXPECT_GT(f.ListTipoPsc.ListCount(), 0);
    // The model grid's header.
    EXPECT_EQ(f.MSGrid1.TextMatrix(0, 0), core::Des[78]);
    EXPECT_EQ(f.MSGrid1.TextMatrix(0, 3), "Cm\xB3");
    EXPECT_EQ(f.MSGrid1.ColWidth(0), 2450);
    EXPECT_EQ(f.MSGrid1.ColWidth(4), 1400);
}

// Short of descriptors or memory as it reads the brands, the main window
// says so of the table and calls it neither missing nor damaged.
TEST_F(MainWindow, ShortageOnTheBrandsIsToldAsItself) {
    using namespace testing_support;
    if (!shortageChild())
        return expectShortagesTold("MainWindow.ShortageOnTheBrandsIsToldAsItself", {"Xmarche.dbf"});
    startProgram();
    ASSERT_TRUE(injectToldShortage(appPath()));
    open();
    reportBoxesToParent(svc);
}

TEST_F(MainWindow, LayoutOnWideAndExactScreens) {
    Form2& f = open();
    EXPECT_EQ(f.Picture1.Left(), (15360 - f.Picture1.Width()) / 2);
    EXPECT_EQ(f.Picture1.Top(), (11520 - f.Picture1.Height() - 1000) / 2);
    EXPECT_EQ(f.Command5.Left(), f.Width() - 630 - 100);
    EXPECT_EQ(f.Command1.Left(), f.Command5.Left());
    EXPECT_EQ(f.Command2.Left(), f.Command1.Left() - 645);
    EXPECT_EQ(f.Command30.Left(), f.Command1.Left() - 5 * 645);
    EXPECT_EQ(f.Command6.Left(), 50);
    EXPECT_EQ(f.Command1.Top(), 360);
    f.Unload();

    svc.width = 12000;
    svc.height = 9000;
    Form2& g = Form2::get();
    EXPECT_EQ(g.Picture1.Left(), 30); // as designed
    EXPECT_EQ(g.Command5.Left(), 12000 - 730);
}

TEST_F(MainWindow, BrandWithoutFamilyTableIsLeftOut) {
    Form2& f = open();
    ASSERT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
    int k = 0;
    for (const auto& b : ex::kBrands) {
        if (!b.offered) continue;
        EXPECT_EQ(f.ListaMarche.List(k), std::string(b.name));
        EXPECT_EQ(f.ListaID_Marche.List(k), std::string(b.id));
        ++k;
    }
    // The positions close up: the three symbols sit in cells 0..2.
    EXPECT_EQ(f.MSFlexGrid1.Rows(), 1);
    for (int c = 0; c < 3; ++c) {
        f.MSFlexGrid1.setCol(c);
        EXPECT_FALSE(f.MSFlexGrid1.CellPicture().isNull()) << c;
    }
    f.MSFlexGrid1.setCol(3);
    EXPECT_TRUE(f.MSFlexGrid1.CellPicture().isNull());
}

TEST_F(MainWindow, BrandGridGeometry) {
    struct Case {
        int fillers, rows, height;
    };
    for (Case c : {Case{9, 1, 750}, Case{10, 2, 1470}, Case{22, 3, 2190}}) {
        useDataSet(c.fillers);
        Form2& f = open();
        const int offered = ex::kOfferedBrands + c.fillers;
        EXPECT_EQ(f.ListaMarche.ListCount(), offered);
        EXPECT_EQ(f.MSFlexGrid1.Rows(), c.rows) << offered;
        EXPECT_EQ(f.MSFlexGrid1.Height(), c.height);
        EXPECT_EQ(f.MSFlexGrid1.Width(), 9765);
        EXPECT_EQ(f.Shape1.Height(), c.height);
        EXPECT_EQ(f.MSFlexGrid1.RowHeight(c.rows - 1), 720);
        // The last brand's symbol sits at (k div 12, k mod 12).
        const int last = offered - 1;
        f.MSFlexGrid1.setRow(last / 12);
        f.MSFlexGrid1.setCol(last % 12);
        EXPECT_FALSE(f.MSFlexGrid1.CellPicture().isNull());
        EXPECT_EQ(f.MSFlexGrid1.ToolTipText(), f.ListaMarche.List(last));
        if (last % 12 != 11) {
            // An empty cell after the last symbol: empty tooltip, a click does nothing.
            const std::string before = core::BrandId;
            f.MSFlexGrid1.setCol(11);
            EXPECT_EQ(f.MSFlexGrid1.ToolTipText(), "");
            f.MSFlexGrid1_Click();
            EXPECT_EQ(core::BrandId, before);
        }
        // A click in row r, column k chooses brand r * 12 + k.
        f.MSFlexGrid1.setRow(last / 12);
        f.MSFlexGrid1.setCol(last % 12);
        f.MSFlexGrid1_Click();
        EXPECT_EQ(core::BrandName, f.ListaMarche.List(last));
        EXPECT_EQ(f.ListaMarche.ListIndex(), last);
        vb::FormRegistry::unloadAll();
    }
}

namespace {

// A wheel notch over a widget, delivered as the desktop delivers it.
void wheel(QWidget* w, QPoint pos, int delta) {
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// The rectangle a control covers in its window, in pixels.
QRect inForm(vb::Control& c) {
    QWidget* w = c.widget();
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

} // namespace

TEST_F(MainWindow, EveryBrandIsOnViewAndClickable) {
    for (int offered : {43, 100}) {
        useDataSet(offered - ex::kOfferedBrands);
        Form2& f = open();
        f.Show();
        QApplication::processEvents();
        vb::Grid& grid = f.MSFlexGrid1;
        QWidget* view = grid.widget();
        ASSERT_EQ(f.ListaMarche.ListCount(), offered);
        // The grid keeps its place above the brand symbol and the menu.
        const QRect area = inForm(grid);
        for (vb::Control* other :
             {static_cast<vb::Control*>(&f.Image1), static_cast<vb::Control*>(&f.LabelMarca),
              static_cast<vb::Control*>(&f.Frame1), static_cast<vb::Control*>(&f.ListaMarche)})
            EXPECT_FALSE(area.intersects(inForm(*other))) << other->Name();
        for (int k = 0; k < offered; ++k) {
            const int row = k / 12, col = k % 12;
            // The wheel brings the brand's row on view.
            for (int turns = 0; grid.cellRect(row, col).height() < 48 && turns < 20; ++turns)
                wheel(view, QPoint(5, 5), row < grid.TopRow() ? 120 : -120);
            const QRect cell = grid.cellRect(row, col);
            ASSERT_EQ(cell.size(), QSize(54, 48)) << "brand " << k;
            // Nothing else covers it: the pointer reaches the grid itself.
            const QPoint at = view->mapTo(&f, cell.center());
            QWidget* hit = f.childAt(at);
            ASSERT_EQ(hit, view) << "brand " << k << " is under "
                                 << (hit ? hit->metaObject()->className() : "-");
            QTest::mouseMove(view, cell.center());
            EXPECT_EQ(grid.ToolTipText(), f.ListaMarche.List(k));
            QTest::mouseClick(view, Qt::LeftButton, {}, cell.center());
            ASSERT_EQ(core::BrandName, f.ListaMarche.List(k));
            EXPECT_EQ(f.LabelMarca.Caption(), core::BrandName);
        }
        // The wheel scrolls the brand grid back up whatever the families.
        f.GridFamiglie.setRows(0);
        for (int turns = 0; turns < 20; ++turns)
            wheel(view, QPoint(5, 5), 120);
        EXPECT_EQ(grid.TopRow(), 0);
        // Keys: the grid's arrows bring the last row on view, the list reaches every brand.
        grid.SetFocus();
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(view, Qt::Key_Down);
        EXPECT_EQ(grid.Row(), (offered - 1) / 12);
        EXPECT_FALSE(grid.cellRect(grid.Row(), grid.Col()).isEmpty());
        QTest::keyClick(f.ListaMarche.widget(), Qt::Key_End);
        EXPECT_EQ(core::BrandName, f.ListaMarche.List(offered - 1));
        vb::FormRegistry::unloadAll();
    }
}

TEST_F(MainWindow, BrandGridHighlightFollowsThePointer) {
    useDataSet(40);
    Form2& f = open();
    f.Show();
    QApplication::processEvents();
    vb::Grid& grid = f.MSFlexGrid1;
    QWidget* view = grid.widget();
    const QColor navy = vb::vbColor(0x800000);
    // The highlight shows as a frame on the cell's edge, around the symbol.
    auto framed = [&](int r, int c) {
        const QRect cell = grid.cellRect(r, c);
        if (cell.isEmpty()) return false;
        const QImage shot = view->grab().toImage();
        return shot.pixelColor(cell.left() + 1, cell.center().y()) == navy &&
               shot.pixelColor(cell.center().x(), cell.top() + 1) == navy;
    };
    QTest::mouseMove(view, grid.cellRect(1, 4).center());
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 4);
    EXPECT_TRUE(framed(1, 4));
    EXPECT_FALSE(framed(0, 0));
    EXPECT_EQ(grid.ToolTipText(), f.ListaMarche.List(16));
    QTest::mouseMove(view, grid.cellRect(2, 9).center());
    EXPECT_TRUE(framed(2, 9));
    EXPECT_FALSE(framed(1, 4));
    // The wheel under a still pointer: the highlight stays under it.
    const QPoint still = grid.cellRect(2, 9).center();
    wheel(view, still, -120);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_TRUE(framed(3, 9));
    EXPECT_EQ(grid.ToolTipText(), "");
    EXPECT_EQ(grid.MousePointer(), vb::vbNoDrop);
}

TEST_F(MainWindow, MenuEntriesStartOnTheWindowColour) {
    Form2& f = open();
    f.Show();
    QApplication::processEvents();
    const QImage shot = f.grab().toImage();
    const QColor window = vb::vbColor(vb::vbWindowBackground);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(f.Label10(i).BackColor(), i == 0 ? 0xFFFFFF : vb::vbWindowBackground) << i;
        EXPECT_EQ(f.Label10(i).ForeColor(), 0xFF8080) << i;
        // Right of the caption the entry's own background shows, not the panel's.
        const QRect entry = inForm(f.Label10(i));
        EXPECT_EQ(shot.pixelColor(entry.right() - 2, entry.center().y()), i == 0 ? QColor(Qt::white) : window)
            << i;
    }
}

TEST_F(MainWindow, BothBrandPathsChooseTheBrand) {
    Form2& f = open();
    // List path.
    f.ListaMarche.setListIndex(1);
    EXPECT_EQ(core::BrandId, std::string(ex::kBrands[1].id));
    EXPECT_EQ(f.ListaID_Marche.ListIndex(), 1);
    EXPECT_EQ(f.LabelMarca.Caption(), std::string(ex::kBrands[1].name));
    EXPECT_EQ(f.GridFamiglie.TextMatrix(0, 0), "CORSA");
    EXPECT_EQ(core::FamilyName, "CORSA");
    // Grid path, by the mouse.
    f.Show();
    QRect cell = f.MSFlexGrid1.cellRect(0, 2);
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseClick(f.MSFlexGrid1.widget(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(core::BrandId, std::string(ex::kBrands[2].id));
    EXPECT_EQ(f.ListaMarche.ListIndex(), 2);
    EXPECT_EQ(f.LabelMarca.Caption(), std::string(ex::kBrands[2].name));
    EXPECT_EQ(f.GridFamiglie.Rows(), 10);
    EXPECT_EQ(f.List4.ListCount(), 10);
}

TEST_F(MainWindow, FuelOptionsQueryAndRows) {
    Form2& f = open();
    const std::string Q = "\"";
    const std::string head = "SELECT * FROM Xmod_01.dbf WHERE Family____=" + Q + core::FamilyKey + Q;
    const std::string order = " ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
    EXPECT_EQ(f.Data3.RecordSource, head + order);
    struct Case {
        int option;
        std::string sql;
        std::vector<std::string> models;
    };
    const Case cases[] = {
        {1,
         head + " AND carburante=" + Q + f.FilterPetrol + Q + " AND iniez__cod<>" + Q + f.FilterNoInjection +
             Q + "  ORDER BY MODELLO___, DATA__IMM_, MOTORE____",
         {"ALBA 1.2 16V"}},
        {2, head + " AND carburante=" + Q + f.FilterDiesel + Q + order, {"ALBA 1.9 TD"}},
        {3, head + " AND iniez__cod=" + Q + f.FilterNoInjection + Q + order, {"ALBA 1.3 CARB"}},
        {0, head + order, {"ALBA 1.2 16V", "ALBA 1.3 CARB", "ALBA 1.4 GPL", "ALBA 1.9 TD"}},
    };
    for (const Case& c : cases) {
        f.Option1(c.option).setValue(true);
        EXPECT_EQ(f.Data3.RecordSource, c.sql);
        ASSERT_EQ(f.MSGrid1.Rows(), int(c.models.size()) + 1) << c.option;
        for (size_t i = 0; i < c.models.size(); ++i)
            EXPECT_EQ(f.MSGrid1.TextMatrix(int(i) + 1, 0), c.models[i]);
        EXPECT_EQ(core::BrandId, "01"); // brand and family kept
        EXPECT_EQ(core::FamilyName, "ALBA");
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(f.Option1(i).FontBold(), i == c.option);
            EXPECT_EQ(f.Option1(i).ForeColor(), i == c.option ? 0x800000 : 0xFF8080);
        }
    }
    EXPECT_EQ(f.FilterNoInjection, core::ScrambleString("0000"));
}

TEST_F(MainWindow, ModelGridRowsAndLastColumnWidth) {
    Form2& f = open();
    choose(f, "BRENTA", "CORSA");
    ASSERT_EQ(f.MSGrid1.Rows(), 8);
    EXPECT_EQ(f.MSGrid1.ColWidth(5), 3240);
    // Grid order: name, then registration date, then engine.
    EXPECT_EQ(f.MSGrid1.TextMatrix(1, 2), "ENG-A12");
    EXPECT_EQ(f.MSGrid1.TextMatrix(2, 2), "ENG-A12B");
    EXPECT_EQ(f.MSGrid1.TextMatrix(3, 2), "ENG-A12C");
    EXPECT_EQ(f.MSGrid1.TextMatrix(4, 0), "CORSA 1.3 D");
    choose(f, "BRENTA", "FIORDO");
    EXPECT_EQ(f.MSGrid1.Rows(), 7);
    EXPECT_EQ(f.MSGrid1.ColWidth(5), 3480);
    // Every row r is record r - 1 of the query.
    for (int r = 1; r < f.MSGrid1.Rows(); ++r) {
        f.MSGrid1.setRow(r);
        EXPECT_EQ(f.Data3.Recordset().AbsolutePosition(), r - 1);
        EXPECT_EQ(f.modelField("MODELLO___").substr(0, f.MSGrid1.TextMatrix(r, 0).size()),
                  f.MSGrid1.TextMatrix(r, 0));
    }
}

namespace {

// The most common colour of rect in image: what its text is drawn on.
QColor backgroundOf(const QImage& image, const QRect& rect) {
    std::map<QRgb, int> count;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            ++count[image.pixel(x, y)];
    return QColor::fromRgb(std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
                               return a.second < b.second;
                           })->first);
}

// text drawn alone in font, in pen on back (black on white unless told),
// where nothing cuts it.
QImage drawnAlone(const QString& text, const QFont& font, const QColor& back = Qt::white,
                  const QColor& pen = Qt::black) {
    QImage alone(1000, 60, QImage::Format_RGB32);
    alone.fill(back);
    QPainter p(&alone);
    p.setFont(font);
    p.setPen(pen);
    p.drawText(QRect(10, 0, 980, 60), Qt::AlignLeft | Qt::AlignVCenter, text);
    return alone;
}

// The width of the ink of text drawn alone in font.
int inkWidthAlone(const QString& text, const QFont& font) {
    const QImage alone = drawnAlone(text, font);
    const auto [first, last] = testing_support::inkColumns(alone, alone.rect(), Qt::white);
    return last - first + 1;
}

// Every line of label's caption is drawn whole in shot (the window's pixels):
// between the label's top and below, the next thing down, there is one run of
// ink per line, each as tall as the capitals and as wide as its text drawn
// alone, and the last one ends clear of below.
void expectWholeLines(const QImage& shot, vb::Label& label, int below) {
    const auto* view = qobject_cast<const QLabel*>(label.widget());
    ASSERT_NE(view, nullptr);
    const QStringList lines = view->text().split(QLatin1Char('\n'));
    // The breaks drop no character of the caption.
    EXPECT_EQ(QString(lines.join(QString())).remove(QLatin1Char(' ')),
              vb::toQt(label.Caption()).remove(QLatin1Char(' ')))
        << label.Name();
    const QRect r = inForm(label);
    const QRect strip(r.left(), r.top(), r.width(), below - r.top());
    ASSERT_GT(strip.height(), 0) << label.Name() << " starts below what follows it";
    const QColor back = backgroundOf(shot, strip);
    const auto runs = inkRows(shot, strip, back);
    ASSERT_EQ(runs.size(), size_t(lines.size())) << label.Name() << ": " << label.Caption();
    const int capitals = QFontMetrics(view->font()).capHeight();
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto [top, bottom] = runs[i];
        EXPECT_GE(bottom - top + 1, capitals - 1) << label.Name() << " line " << i << " is cut";
        const auto [first, last] =
            inkColumns(shot, QRect(strip.left(), top, strip.width(), bottom - top + 1), back, 120);
        EXPECT_NEAR(last - first + 1, inkWidthAlone(lines[int(i)], view->font()), 1)
            << label.Name() << " line " << i << " '" << lines[int(i)].toStdString() << "' is cut at a side";
    }
    EXPECT_LT(runs.back().second, below - 1) << label.Name() << " touches what follows it";
}

// Pixels of ink in rect of image against back.
int inkPixels(const QImage& image, const QRect& rect, const QColor& back) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += testing_support::isInk(image.pixelColor(x, y), back, 120) ? 1 : 0;
    return n;
}

// Cell (r, c) of grid shows its text whole in shot (the window's pixels): on
// lines that the row shows whole, inside the cell, with as much ink as the
// text drawn alone on one line in the cell's colours.
void expectWholeCell(const QImage& shot, Form2& f, vb::Grid& grid, int r, int c) {
    const std::string text = grid.TextMatrix(r, c);
    // Inside the grid lines.
    const QRect cell =
        grid.cellRect(r, c).translated(grid.widget()->mapTo(&f, QPoint(0, 0))).adjusted(0, 0, -1, -1);
    ASSERT_FALSE(cell.isEmpty()) << text;
    const QColor back = backgroundOf(shot, cell);
    const QFont font = vb::windowFont(grid.FontName(), grid.FontSize());
    const auto runs = inkRows(shot, cell, back);
    ASSERT_FALSE(runs.empty()) << text;
    for (const auto& [top, bottom] : runs)
        EXPECT_GE(bottom - top + 1, QFontMetrics(font).capHeight() - 1) << text << ": a line is cut";
    EXPECT_GT(runs.front().first, cell.top()) << text;
    EXPECT_LT(runs.back().second, cell.bottom()) << text;
    // The text's colour: what differs most from the background.
    QColor pen = back;
    const auto away = [&](const QColor& colour) {
        return std::abs(colour.red() - back.red()) + std::abs(colour.green() - back.green()) +
               std::abs(colour.blue() - back.blue());
    };
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (away(shot.pixelColor(x, y)) > away(pen)) pen = shot.pixelColor(x, y);
    const QImage alone = drawnAlone(vb::toQt(text), font, back, pen);
    EXPECT_NEAR(double(inkPixels(shot, cell, back)) / inkPixels(alone, alone.rect(), back), 1.0, 0.08)
        << text << ": some of it is not drawn";
}

} // namespace

// Horizontal extent of what is drawn in rect of image, against the colour at
// its top-left corner; empty when nothing is.
static std::pair<int, int> inkColumns(const QImage& image, const QRect& rect) {
    return testing_support::inkColumns(image, rect, image.pixelColor(rect.topLeft()));
}

// Every cell of the model grid shows its text whole: the grid's font is wider
// than the one the designed widths were measured for ("1999-2003" needs more
// than the year column's 700 twips), and a cut text reads as another value.
// An engine code of wide letters, whose last one reaches past its advance,
// is kept on its one line too.
TEST_F(MainWindow, ModelCellsAreDrawnWhole) {
    ASSERT_EQ(renameInTable(file("Ark/Xmod_02.dbf"), "MOTORE____", "ENG-A12", std::string(12, 'W')), 1);
    Form2& f = open();
    const QFont font = vb::windowFont(f.MSGrid1.FontName(), f.MSGrid1.FontSize());
    int cells = 0;
    for (int brand = 0; brand < f.ListaMarche.ListCount(); ++brand) {
        if (f.ListaMarche.ListIndex() != brand) f.ListaMarche.setListIndex(brand);
        for (int family = 0; family < f.GridFamiglie.Rows(); ++family) {
            if (f.GridFamiglie.Row() != family) f.GridFamiglie.setRow(family);
            const std::string names = f.ListaMarche.List(brand) + " " + core::FamilyName;
            const QImage shot = f.MSGrid1.widget()->grab().toImage();
            for (int r = 0; r < f.MSGrid1.Rows(); ++r)
                for (int c = 0; c < 6; ++c) {
                    const std::string text = f.MSGrid1.TextMatrix(r, c);
                    const QRect cell = f.MSGrid1.cellRect(r, c);
                    if (text.empty() || cell.isEmpty()) continue;
                    // Inside the grid lines on the right and at the bottom.
                    const auto [first, last] = inkColumns(shot, cell.adjusted(0, 0, -2, -2));
                    EXPECT_NEAR(last - first + 1, inkWidthAlone(vb::toQt(text), font), 1)
                        << names << " row " << r << ": " << text;
                    ++cells;
                }
        }
    }
    EXPECT_GT(cells, 150);
    // Where the designed width is enough, it stays.
    EXPECT_EQ(f.MSGrid1.ColWidth(0), 2450);
    EXPECT_EQ(f.MSGrid1.ColWidth(3), 650);
    EXPECT_GT(f.MSGrid1.ColWidth(1), 700);
}

TEST_F(MainWindow, EmptyQueryHidesTheMenuAndKeepsGoing) {
    // The family has no photo: a filter finding nothing must not end the program.
    std::filesystem::remove(file("cars/01/XBORA_TRAMONTANA.jpg"));
    Form2& f = open();
    choose(f, "ARDESIA", "BORA/TRAMONTANA");
    EXPECT_EQ(f.FamilyPhotoName, "BORA_TRAMONTANA");
    const std::string title = f.LabelMarcaFamigliaModello.Caption();
    f.Option1(2).setValue(true);
    EXPECT_FALSE(svc.ended);
    EXPECT_EQ(f.MSGrid1.Rows(), 1);
    EXPECT_EQ(f.MSGrid1.ColWidth(5), 3600);
    for (int i = 0; i < 9; ++i) {
        EXPECT_FALSE(f.Label10(i).Visible());
        EXPECT_FALSE(f.Image2(i).Visible());
    }
    EXPECT_TRUE(f.Picture3.Picture().isNull());
    EXPECT_EQ(f.LabelMarcaFamigliaModello.Caption(), title);
    f.Option1(0).setValue(true);
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(f.Label10(i).Visible());
}

TEST_F(MainWindow, PhotoAndTitleRules) {
    Form2& f = open();
    // A car photo: the whole vehicle title.
    choose(f, "ARDESIA", "ALBA", "ALBA 1.2 16V");
    EXPECT_FALSE(f.Picture3.Picture().isNull());
    EXPECT_EQ(f.LabelMarcaFamigliaModello.Caption(), "ARDESIA ALBA ALBA 1.2 16V");
    EXPECT_EQ(f.Picture3.Left(), (f.Frame2.Width() - f.Picture3.Width()) / 2);
    // A title that fits: the photo at its own size (320 x 200), the title in its place.
    EXPECT_EQ(f.Picture3.Height(), 200 * 15);
    EXPECT_EQ(f.Picture3.Width(), 320 * 15);
    EXPECT_EQ(f.LabelMarcaFamigliaModello.Top(), 3060);
    // No car photo and no family photo: an empty box, brand and family only.
    choose(f, "ARDESIA", "ALBA", "ALBA 1.3 CARB");
    EXPECT_TRUE(f.Picture3.Picture().isNull());
    EXPECT_EQ(f.LabelMarcaFamigliaModello.Caption(), "ARDESIA ALBA");
    EXPECT_EQ(core::VehicleName, "ARDESIA ALBA ALBA 1.3 CARB");
    // No car photo but a family photo ("/" replaced by "_").
    choose(f, "ARDESIA", "BORA/TRAMONTANA", "BORA 2.0 TURBO");
    EXPECT_FALSE(f.Picture3.Picture().isNull());
    EXPECT_EQ(f.LabelMarcaFamigliaModello.Caption(), "ARDESIA BORA/TRAMONTANA");
    EXPECT_TRUE(svc.boxes.empty());
}

// Names that fill their fields: a brand, family and model of 30 characters
// each, in wide letters, and a brand of one 30-letter word with nothing to
// break at. Beside the brand's symbol and under the photo, at both screen
// sizes, every name is shown on whole lines, clear of the family grid, the
// photo and the fuel options; names that fit keep the designed places.
TEST_F(MainWindow, NamesThatFillTheirFieldsAreShownOnWholeLines) {
    const std::string ark = file("Ark/");
    struct Vehicle {
        std::string brand, family, model;
    };
    const Vehicle wide{"MOTOR WORKS WESTMOOR WAGONWAYS", "GRANDE MONOVOLUME WAGON 4MATIC",
                       "WAGON 2.0 TDI 16V DPF 4WD AUTO"};
    const Vehicle word{std::string(30, 'M'), std::string(14, 'W') + " " + std::string(15, 'W'),
                       "MMMMMMMMM MMMMMMMMMM MMMMMMMMM"};
    ASSERT_EQ(renameInTable(ark + "Xmarche.dbf", "MARCA", "ARDESIA", wide.brand), 1);
    ASSERT_EQ(renameInTable(ark + "Xfam_01.dbf", "FAMIGLIA", "ALBA", wide.family), 1);
    ASSERT_GT(renameInTable(ark + "Xmod_01.dbf", "FAMILY____", "ALBA", wide.family), 0);
    ASSERT_EQ(renameInTable(ark + "Xmod_01.dbf", "MODELLO___", "ALBA 1.2 16V", wide.model), 1);
    ASSERT_EQ(renameInTable(ark + "Xmarche.dbf", "MARCA", "BRENTA", word.brand), 1);
    ASSERT_EQ(renameInTable(ark + "Xfam_02.dbf", "FAMIGLIA", "CORSA", word.family), 1);
    ASSERT_GT(renameInTable(ark + "Xmod_02.dbf", "FAMILY____", "CORSA", word.family), 0);
    ASSERT_EQ(renameInTable(ark + "Xmod_02.dbf", "MODELLO___", "CORSA 1.3 D", word.model), 1);

    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()));
        Form2& f = openOn(screen);
        // The whole panel is on view.
        ASSERT_LE(inForm(f.Picture1).bottom(), f.height());
        auto chooseByClicks = [&](const Vehicle& v) {
            ASSERT_NO_FATAL_FAILURE(clickBrand(f, v.brand));
            // Every family name is shown whole in the grid (the chosen one is
            // checked here before it is highlighted).
            QApplication::processEvents();
            const QImage families = f.grab().toImage();
            for (int r = 0; r < f.GridFamiglie.Rows(); ++r)
                if (r != f.GridFamiglie.Row()) expectWholeCell(families, f, f.GridFamiglie, r, 0);
            clickIn(f, f.GridFamiglie, f.GridFamiglie.cellRect(rowOf(f.GridFamiglie, v.family), 0));
            ASSERT_EQ(core::FamilyName, v.family);
            const int row = rowOf(f.MSGrid1, v.model);
            ASSERT_GE(row, 1);
            // The wheel brings the model's row on view.
            for (int turns = 0; f.MSGrid1.cellRect(row, 0).height() < 16 && turns < 10; ++turns)
                wheel(f.MSGrid1.widget(), QPoint(5, 5), -120);
            clickIn(f, f.MSGrid1, f.MSGrid1.cellRect(row, 0));
            ASSERT_EQ(f.MSGrid1.Row(), row);
            QApplication::processEvents();
        };
        const int options = inForm(f.Option1(0)).top();
        for (const Vehicle& v : {wide, word}) {
            SCOPED_TRACE(v.brand);
            ASSERT_NO_FATAL_FAILURE(chooseByClicks(v));
            const QImage shot = f.grab().toImage();
            expectWholeLines(shot, f.LabelMarca, inForm(f.LabelFamiglia).top());
            expectWholeLines(shot, f.LabelFamiglia, inForm(f.GridFamiglie).top());
            expectWholeLines(shot, f.LabelMarcaFamigliaModello, inForm(f.Frame2).bottom());
            EXPECT_EQ(f.LabelMarcaFamigliaModello.Caption(),
                      v.brand + " " + v.family + (f.Picture3.Picture().isNull() ? "" : " " + v.model));
            // Beside the symbol and left of the menu; the photo above the title.
            for (vb::Label* name : {&f.LabelMarca, &f.LabelFamiglia}) {
                EXPECT_GE(inForm(*name).left(), inForm(f.Image1).right());
                EXPECT_LT(inForm(*name).right(), inForm(f.Frame1).left());
            }
            EXPECT_LE(inForm(f.GridFamiglie).bottom(), options);
            EXPECT_LE(inForm(f.Picture3).bottom(), inForm(f.LabelMarcaFamigliaModello).top());
        }
        // The car photo (320 x 200 pixels) is shown smaller, in proportion.
        ASSERT_NO_FATAL_FAILURE(chooseByClicks(wide));
        ASSERT_FALSE(f.Picture3.Picture().isNull());
        EXPECT_LT(f.Picture3.Height(), 200 * 15);
        EXPECT_NEAR(double(f.Picture3.Width()) / f.Picture3.Height(), 1.6, 0.02);
        // Short names keep the designed places.
        ASSERT_NO_FATAL_FAILURE(clickBrand(f, "CALDERA"));
        EXPECT_EQ(f.LabelMarca.Top(), 2330);
        EXPECT_EQ(f.LabelFamiglia.Top(), 2650);
        EXPECT_EQ(f.GridFamiglie.Top(), 3200);
        EXPECT_EQ(f.GridFamiglie.Height(), 2175);
        EXPECT_EQ(f.LabelMarcaFamigliaModello.Top(), 3060);
        vb::FormRegistry::unloadAll();
    }
}

// Models whose six values fill their fields: in wide letters, and in words
// as long as a field. At both screen sizes the columns stay inside the grid,
// which does not scroll sideways, and every value is shown whole on lines of
// its cell, the injection type at the right edge too; the wheel brings every
// model on view and a click on its injection type chooses it. The models of
// another family are shown on rows of one line in the designed columns again.
TEST_F(MainWindow, ModelValuesThatFillTheirFieldsAreShownWhole) {
    const std::string models = file("Ark/Xmod_01.dbf");
    const char* const fields[6] = {"MODELLO___", "DATA__IMM_", "MOTORE____",
                                   "CILINDRATA", "POTENZA___", "INIEZ_TIPO"};
    const size_t widths[6] = {30, 10, 12, 6, 16, 40};
    using Values = std::array<std::string, 6>;
    const Values words{
        "WAGON 2.0 TDI 16V DPF 4WD AUTO",
        "09/99-2003",
        "WWM-12V16DPF",
        "1242.5",
        "90(66)/3750-4500",
        "MULTIPOINT SEQUENZIALE FASATA MOTRONIC M",
    };
    const Values letters{
        "MMMMMMMMM MMMMMMMMMM MMMMMMMMM",
        "10/01-2005",
        std::string(12, 'W'),
        "9999.9",
        std::string(16, 'W'),
        std::string(40, 'W'),
    };
    const std::pair<const char*, const Values*> alba[] = {
        {"ALBA 1.2 16V", &words},
        {"ALBA 1.3 CARB", &words},
        {"ALBA 1.9 TD", &letters},
        {"ALBA 1.4 GPL", &letters},
    };
    for (const auto& [model, values] : alba)
        // The name last: it picks the record.
        for (int k = 5; k >= 0; --k) {
            ASSERT_EQ((*values)[size_t(k)].size(), widths[k]) << fields[k];
            ASSERT_EQ(setInTable(models, "MODELLO___", model, fields[k], (*values)[size_t(k)]), 1) << model;
        }

    for (const QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()));
        Form2& f = openOn(screen);
        ASSERT_NO_FATAL_FAILURE(clickBrand(f, "ARDESIA"));
        clickIn(f, f.GridFamiglie, f.GridFamiglie.cellRect(rowOf(f.GridFamiglie, "ALBA"), 0));
        ASSERT_EQ(core::FamilyName, "ALBA");
        vb::Grid& grid = f.MSGrid1;
        ASSERT_EQ(grid.Rows(), 5);
        std::set<std::pair<int, int>> whole;
        for (int model = 1; model < grid.Rows(); ++model) {
            const int height = vb::twipsToPixels(grid.RowHeight(model));
            for (int turns = 0; grid.cellRect(model, 5).height() < height && turns < 5; ++turns)
                wheel(grid.widget(), QPoint(5, 5), -120);
            ASSERT_EQ(grid.cellRect(model, 5).height(), height) << "model " << model << " is not on view";
            clickIn(f, grid, grid.cellRect(model, 5));
            ASSERT_EQ(grid.Row(), model);
            QApplication::processEvents();
            const QImage shot = f.grab().toImage();
            for (int r = 0; r < grid.Rows(); ++r) {
                if (grid.cellRect(r, 0).height() < vb::twipsToPixels(grid.RowHeight(r))) continue;
                for (int c = 0; c < 6; ++c) {
                    SCOPED_TRACE("row " + std::to_string(r) + " column " + std::to_string(c));
                    ASSERT_NO_FATAL_FAILURE(expectWholeCell(shot, f, grid, r, c));
                    whole.insert({r, c});
                }
            }
        }
        // Every value and header was seen whole, in rows of more than one
        // line, which the wheel scrolled.
        EXPECT_EQ(whole.size(), size_t(5 * 6));
        EXPECT_GT(grid.RowHeight(1), grid.standardRowHeight());
        EXPECT_GT(grid.TopRow(), 1);
        // Another family: one line to a model, in the designed widths.
        clickIn(f, f.GridFamiglie, f.GridFamiglie.cellRect(rowOf(f.GridFamiglie, "BORA/TRAMONTANA"), 0));
        ASSERT_EQ(core::FamilyName, "BORA/TRAMONTANA");
        for (int r = 0; r < grid.Rows(); ++r)
            EXPECT_EQ(grid.RowHeight(r), grid.standardRowHeight()) << r;
        EXPECT_EQ(grid.ColWidth(0), 2450);
        EXPECT_EQ(grid.ColWidth(5), 3480);
        vb::FormRegistry::unloadAll();
    }
}

TEST_F(MainWindow, DamagedCarPhotoIsRecoveredOnRequest) {
    Form2& f = open();
    svc.answers = {vb::vbYes};
    choose(f, "BRENTA", "CORSA", "CORSA 1.6");
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_NE(svc.boxes[0].prompt.find("(481) File "), std::string::npos);
    EXPECT_FALSE(f.Picture3.Picture().isNull());
    EXPECT_EQ(readBytes(file("cars/02/XCORSA16.jpg")), readBytes(file("cars/02/XCORSA16.REC")));
}

TEST_F(MainWindow, EveryModelsMenuEntries) {
    Form2& f = open();
    svc.answers = {vb::vbYes}; // the damaged photo of the sample set
    for (const auto& m : ex::kModels) {
        std::string brand;
        for (const auto& b : ex::kBrands)
            if (b.id == m.brandId) brand = b.name;
        choose(f, brand, m.family, m.name);
        if (m.name == "CORSA 1.2") continue; // three models share the name; checked by row below
        EXPECT_EQ(entries(f), std::string(m.entries)) << m.id;
        EXPECT_EQ(core::DiagramMode, m.entries[4] == '4' ? 2 : 0) << m.id;
        EXPECT_EQ(f.Image2(4).Enabled(), m.entries[4] == '4');
    }
    choose(f, "BRENTA", "CORSA");
    const char* corsa12[3] = {"01-3-5---", "012345---", "0----5---"};
    for (int r = 1; r <= 3; ++r) {
        f.MSGrid1.setRow(r);
        EXPECT_EQ(entries(f), corsa12[r - 1]) << r;
    }
}

TEST_F(MainWindow, ArrowKeysChooseTheModel) {
    Form2& f = open();
    f.Show();
    f.MSGrid1.SetFocus();
    QTest::keyClick(f.MSGrid1.widget(), Qt::Key_Down);
    EXPECT_EQ(f.MSGrid1.Row(), 2);
    EXPECT_EQ(core::VehicleName, "ARDESIA ALBA ALBA 1.3 CARB");
    EXPECT_EQ(f.Data3.Recordset().AbsolutePosition(), 1);
}

TEST_F(MainWindow, MenuHandOversAndResets) {
    Form2& f = open();
    choose(f, "ARDESIA", "ALBA", "ALBA 1.2 16V");
    struct Seen {
        std::string name;
        int form7Mode, form11Mode, form6FromMenu, diagramMode, pointer;
        std::string form7Code, beltPicture, beltText;
        bool secondKey, newFormat;
    };
    std::vector<Seen> seen;
    svc.onShow = [&](vb::Form*, const std::string& name) {
        seen.push_back({name, core::Form7Mode, core::Form11Mode, core::Form6FromMenu, core::DiagramMode,
                        f.MousePointer(), core::Form7Code, core::BeltPicture, core::BeltTextCode,
                        core::UseSecondKey, core::PscNewFormat});
    };
    const char* windows[9] = {"Form15", "Form16", "Form9", "Form7", "Form6",
                              "Form11", "Form12", "Form7", "Form7"};
    for (int i = 0; i < 9; ++i) {
        core::UseSecondKey = true;
        core::PscNewFormat = true;
        f.Label10_Click(i);
        ASSERT_EQ(seen.size(), size_t(i + 1));
        EXPECT_EQ(seen[size_t(i)].name, windows[i]);
        EXPECT_FALSE(seen[size_t(i)].secondKey);
        EXPECT_EQ(seen[size_t(i)].pointer, 11);
        EXPECT_EQ(f.MousePointer(), 0);
        EXPECT_EQ(f.Label10(0).MousePointer(), 99);
        EXPECT_EQ(core::Form7Mode, 0);
        EXPECT_EQ(core::Form11Mode, 0);
        EXPECT_EQ(core::Form6FromMenu, 0);
        EXPECT_EQ(core::DiagramMode, 2);
    }
    EXPECT_EQ(seen[3].form7Mode, 1);
    EXPECT_EQ(seen[3].form7Code, "001");
    EXPECT_EQ(seen[4].diagramMode, 52);
    EXPECT_EQ(seen[4].form6FromMenu, 1);
    EXPECT_TRUE(seen[4].newFormat); // B100 is a new-format diagram
    EXPECT_FALSE(seen[0].newFormat);
    EXPECT_EQ(seen[5].form11Mode, 1);
    EXPECT_EQ(seen[7].form7Mode, 5);
    EXPECT_EQ(seen[7].beltPicture, "00001");
    EXPECT_EQ(seen[7].beltText, "00001");
    EXPECT_EQ(seen[8].form7Mode, 6);
    EXPECT_EQ(seen[8].beltPicture, "00002");
    EXPECT_EQ(seen[8].beltText, "00001"); // entry 8 keeps the belt text of entry 7
    // Entry 4 twice leaves the base.
    f.Label10_Click(4);
    EXPECT_EQ(core::DiagramMode, 2);
    EXPECT_EQ(core::Form6FromMenu, 0);
}

TEST_F(MainWindow, HandOversComeBackWhenTheOpenedWindowFails) {
    Form2& f = open();
    choose(f, "ARDESIA", "ALBA", "ALBA 1.2 16V");
    f.Show();
    svc.onShow = [](vb::Form* w, const std::string&) {
        if (w) w->Unload();
        throw vb::VbError(vb::errFileNotFound);
    };
    for (int i : {3, 4, 5, 7, 8}) {
        QTest::mouseClick(f.Label10(i).widget(), Qt::LeftButton);
        EXPECT_EQ(core::Form7Mode, 0) << i;
        EXPECT_EQ(core::Form11Mode, 0) << i;
        EXPECT_EQ(core::Form6FromMenu, 0) << i;
        EXPECT_EQ(core::DiagramMode, 2) << i;
        EXPECT_EQ(f.MousePointer(), 0) << i;
    }
    EXPECT_EQ(svc.shown.size(), 5u);
    EXPECT_FALSE(svc.boxes.empty()); // the failure is told
    EXPECT_FALSE(svc.ended);
}

TEST_F(MainWindow, ParameterListsOfEntryFour) {
    Form2& f = open();
    const std::string inj = vb::UCase(core::Des[18]), ign = vb::UCase(core::Des[15]);
    struct Case {
        const char* brand;
        const char* family;
        const char* model;
        std::vector<std::string> codes, names;
    };
    const Case cases[] = {
        {"ARDESIA",
         "ALBA",
         "ALBA 1.4 GPL",
         {inj, "120", "031", "210", "305", "099", ign, "410", "415"},
         {inj, "120 = Sensore temperatura acqua", "031 = Sonda lambda", "210 = Debimetro",
          "305 = Attuatore regolazione minimo", "099", ign, "410 = Bobina di accensione",
          "415 = Sensore di fase accensione"}},
        {"BRENTA", "CORSA", "CORSA 1.4", {}, {}}, // B100: new format, lists untouched
        {"ARDESIA",
         "BORA/TRAMONTANA",
         "BORA 2.0 TURBO",
         {ign, "410", "415"},
         {ign, "410 = Bobina di accensione", "415 = Sensore di fase accensione"}},
        {"ARDESIA", "ALBA", "ALBA 1.9 TD", {}, {}},
        {"BRENTA", "CORSA", "CORSA 1.8", {}, {}},
    };
    std::vector<std::string> lastCodes;
    for (const Case& c : cases) {
        choose(f, c.brand, c.family, c.model);
        bool newFormat = false;
        svc.onShow = [&](vb::Form*, const std::string&) { newFormat = core::PscNewFormat; };
        f.Label10_Click(4);
        std::vector<std::string> codes(f.ListParPsc.items()), names(f.ListNomePar.items());
        if (std::string(c.model) == "CORSA 1.4") {
            EXPECT_TRUE(newFormat);
            EXPECT_EQ(codes, lastCodes);
        } else if (std::string(c.model) == "ALBA 1.9 TD") {
            EXPECT_FALSE(newFormat);
            ASSERT_EQ(codes.size(), 21u); // D100: heading and twenty codes, no ignition
            EXPECT_EQ(codes[0], inj);
            EXPECT_EQ(names[1], "120 = Sensore temperatura acqua");
        } else if (std::string(c.model) == "CORSA 1.8") {
            EXPECT_TRUE(codes.empty()); // both codes blank
            EXPECT_TRUE(names.empty());
        } else {
            EXPECT_EQ(codes, c.codes) << c.model;
            EXPECT_EQ(names, c.names) << c.model;
        }
        EXPECT_EQ(core::PscCode, f.modelField("INIEZ__COD"));
        lastCodes = codes;
    }
    EXPECT_EQ(f.TextPsc.Text.substr(0, 15), "A100:A200:B100:");
}

TEST_F(MainWindow, HoverHighlightAndResets) {
    Form2& f = open();
    EXPECT_EQ(f.Label10(3).ForeColor(), 0xFF8080); // before the first hover
    f.Label10_MouseMove(2, 0, 0, 0, 0);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(f.Label10(i).ForeColor(), i == 2 ? 0xFFFFFF : 0x800000);
        EXPECT_EQ(f.Label10(i).BackColor(), i == 2 ? 0x800000 : 0xFFFFFF);
        EXPECT_EQ(f.Label10(i).FontBold(), i == 2);
        EXPECT_EQ(f.Label10(i).ToolTipText(),
                  "Per le Informazioni mancanti contattare direttamente la " + core::Des[2] + ".");
    }
    EXPECT_TRUE(f.Image10.Visible());
    EXPECT_EQ(f.Image10.Left(), f.Image2(0).Left() - 40);
    EXPECT_EQ(f.Image3.Left(), f.Label10(2).Left() + f.Label10(2).Width() + 50);
    EXPECT_EQ(f.Image10.Top(), f.Label10(2).Top() - 60);
    EXPECT_EQ(f.Image3.Top(), f.Label10(2).Top() - 50);
    f.Label10_MouseMove(1, 0, 0, 0, 0);
    EXPECT_EQ(f.Image10.Left(), f.Image2(0).Left() - 40);
    EXPECT_EQ(f.Image10.Top(), f.Label10(1).Top() - 60);
    f.Label10_MouseMove(7, 0, 0, 0, 0);
    EXPECT_EQ(f.Image10.Left(), f.Image2(6).Left() - 40);

    f.Frame2_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(f.Label10(7).BackColor(), 0xFFFFFF);
    EXPECT_TRUE(f.Image10.Visible()); // the photo frame leaves the marks
    f.Form_MouseMove(0, 0, 0, 0);
    EXPECT_FALSE(f.Image10.Visible());
    EXPECT_FALSE(f.Image3.Visible());
    for (auto reset : {&Form2::MSGrid1_MouseMove, &Form2::Picture1_MouseMove, &Form2::Picture2_MouseMove}) {
        f.Label10_MouseMove(4, 0, 0, 0, 0);
        (f.*reset)(0, 0, 0, 0);
        EXPECT_FALSE(f.Image3.Visible());
        EXPECT_EQ(f.Label10(4).ForeColor(), 0x800000);
    }
}

TEST_F(MainWindow, NoTooltipsInOtherLanguages) {
    Form2& f = open();
    core::Lang = "_ing";
    f.Label10_MouseMove(2, 0, 0, 0, 0);
    EXPECT_EQ(f.Label10(2).ToolTipText(), "");
}

TEST_F(MainWindow, WheelOverTheGrids) {
    Form2& f = open();
    // Two families: nothing scrolls.
    f.WheelCatcher1_WheelRotation(-1, 0, 0, f.GridFamiglie.hWnd());
    EXPECT_EQ(f.GridFamiglie.TopRow(), 0);
    choose(f, "CALDERA", "FOHN");
    ASSERT_EQ(f.GridFamiglie.Rows(), 10);
    f.WheelCatcher1_WheelRotation(-1, 0, 0, f.GridFamiglie.hWnd());
    EXPECT_EQ(f.GridFamiglie.TopRow(), 1);
    f.WheelCatcher1_WheelRotation(2, 0, 0, f.GridFamiglie.hWnd()); // larger than TopRow
    EXPECT_EQ(f.GridFamiglie.TopRow(), 1);
    f.WheelCatcher1_WheelRotation(1, 0, 0, f.GridFamiglie.hWnd());
    EXPECT_EQ(f.GridFamiglie.TopRow(), 0);
    // Model grid: seven rows never scroll; eight do, never above row 1.
    choose(f, "BRENTA", "FIORDO");
    f.WheelCatcher1_WheelRotation(-1, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 1);
    choose(f, "BRENTA", "CORSA");
    f.WheelCatcher1_WheelRotation(1, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 1);
    f.WheelCatcher1_WheelRotation(-1, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 2);
    // Any other control: nothing.
    f.WheelCatcher1_WheelRotation(-1, 0, 0, f.ListaMarche.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 2);
}

// Long names above the family grid leave it fewer rows on view than it was
// designed with: the wheel still brings every family on view.
TEST_F(MainWindow, WheelReachesEveryFamilyBelowLongNames) {
    const std::string ark = file("Ark/");
    const std::string brand(30, 'M'), family(30, 'W');
    ASSERT_EQ(renameInTable(ark + "Xmarche.dbf", "MARCA", "CALDERA", brand), 1);
    ASSERT_EQ(renameInTable(ark + "Xfam_03.dbf", "FAMIGLIA", "ZEFIRO", family), 1);
    ASSERT_EQ(renameInTable(ark + "Xmod_03.dbf", "FAMILY____", "ZEFIRO", family), 1);
    // Nine families, as many as the designed grid shows.
    rewriteTable(ark + "Xfam_03.dbf", [](auto&, Records& records) { records.pop_back(); });
    Form2& f = open();
    f.Show();
    QApplication::processEvents();
    ASSERT_NO_FATAL_FAILURE(clickBrand(f, brand));
    vb::Grid& grid = f.GridFamiglie;
    ASSERT_EQ(grid.Rows(), 9);
    const int rowHeight = grid.cellRect(0, 0).height();
    ASSERT_GT(rowHeight, 0);
    EXPECT_LT(grid.cellRect(8, 0).height(), rowHeight) << "the last family is on view";
    for (int turns = 0; grid.cellRect(8, 0).height() < rowHeight && turns < 9; ++turns)
        wheel(grid.widget(), QPoint(5, 5), -120);
    ASSERT_EQ(grid.cellRect(8, 0).height(), rowHeight);
    EXPECT_GT(grid.TopRow(), 0);
    clickAt(f, grid.widget()->mapTo(&f, grid.cellRect(8, 0).center()));
    EXPECT_EQ(core::FamilyName, grid.TextMatrix(8, 0));
    // And back up to the first.
    for (int turns = 0; turns < 9; ++turns)
        wheel(grid.widget(), QPoint(5, 5), 120);
    EXPECT_EQ(grid.TopRow(), 0);
}

TEST_F(MainWindow, WheelDoesNothingWithoutFamilies) {
    Form2& f = open();
    f.GridFamiglie.setRows(0);
    f.WheelCatcher1_WheelRotation(-1, 0, 0, f.MSGrid1.hWnd());
    EXPECT_EQ(f.MSGrid1.TopRow(), 1);
}

TEST_F(MainWindow, FunctionKeysOpenTheToolbarTargets) {
    Form2& f = open();
    struct Case {
        int key;
        const char* window;
        int section;
    };
    const Case cases[] = {{112, "Form8", 11}, {113, "Form8", 20}, {114, "Form8", 30}, {115, "Form8", 50},
                          {116, "Form8", 40}, {123, "Form4", 20}, {124, "Form14", 20}};
    for (const Case& c : cases) {
        int pointer = -1;
        svc.onShow = [&](vb::Form*, const std::string&) { pointer = f.MousePointer(); };
        svc.shown.clear();
        core::HelpCode = "";
        EXPECT_TRUE(f.previewKey(c.key, 0));
        ASSERT_EQ(svc.shown, std::vector<std::string>{c.window}) << c.key;
        EXPECT_EQ(core::ManualSection, c.section);
        EXPECT_EQ(pointer, c.key == 116 ? 0 : 11) << c.key; // gas analysis leaves the pointer
        EXPECT_EQ(core::HelpCode, c.key == 112 ? "001" : "");
    }
    svc.shown.clear();
    EXPECT_FALSE(f.previewKey(117, 0));
    EXPECT_TRUE(svc.shown.empty());
    f.previewKey(27, 0);
    EXPECT_TRUE(f.isUnloaded());
}

TEST_F(MainWindow, EmptyFamilyTableKeepsThePreviousSelection) {
    db::writeTable(file("Ark/Xfam_03.dbf"), {{"FAMIGLIA", 'C', 20}}, {});
    Form2& f = open();
    const std::string key = core::FamilyKey, title = f.LabelMarcaFamigliaModello.Caption();
    f.ListaMarche.setListIndex(2);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Warning! Family File is empty.");
    EXPECT_EQ(svc.boxes[0].flags, 64);
    EXPECT_EQ(svc.boxes[0].title, std::nullopt);
    EXPECT_EQ(f.GridFamiglie.Rows(), 0);
    EXPECT_FALSE(f.FamilyGridReady);
    EXPECT_EQ(core::FamilyKey, key);
    EXPECT_EQ(f.LabelFamiglia.Caption(), "ALBA");
    EXPECT_EQ(f.LabelMarcaFamigliaModello.Caption(), title);
    // Picking a family now does nothing; a new filter queries the new brand's
    // models with the old key and finds none.
    f.GridFamiglie_Click();
    f.Option1(1).setValue(true);
    EXPECT_EQ(f.MSGrid1.Rows(), 1);
    EXPECT_FALSE(svc.ended);
}

TEST_F(MainWindow, MissingOrDamagedTablesAreReported) {
    std::filesystem::remove(file("Ark/Xmod_02.dbf"));
    writeBytes(file("Ark/Xfam_03.dbf"), "\x03garbage");
    Form2& f = open();
    f.ListaMarche.setListIndex(1);
    // The first family is chosen twice when its row becomes current, so the
    // model table is asked for twice, and reported once.
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_NE(svc.boxes[0].prompt.find("Xmod_02.dbf not available"), std::string::npos);
    svc.boxes.clear();
    EXPECT_EQ(f.MSGrid1.Rows(), 1);
    for (int i = 0; i < 9; ++i)
        EXPECT_FALSE(f.Label10(i).Visible());
    f.ListaMarche.setListIndex(2);
    EXPECT_NE(svc.boxes.at(0).prompt.find("Xfam_03.dbf not available"), std::string::npos);
    EXPECT_EQ(f.GridFamiglie.Rows(), 0);
    // Back to a sound brand: everything works again.
    f.ListaMarche.setListIndex(0);
    EXPECT_EQ(f.MSGrid1.Rows(), 5);
    EXPECT_TRUE(f.Label10(0).Visible());
}
