#include "platform/grid.h"

#include "platform/errors.h"
#include "platform/form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <chrono>
#include <memory>

namespace {

struct GridTest : ::testing::Test {
    vb::Form form{"GridTestForm"};
    vb::Grid grid{form, "MSGrid1"};
    int changes = 0, clicks = 0, dblClicks = 0;
    std::vector<std::string> order;

    void SetUp() override {
        form.setWidth(12000);
        form.setHeight(9000);
        grid.Move(300, 300, 6000, 3000);
        grid.RowColChange = [this] {
            ++changes;
            order.push_back("change");
        };
        grid.Click = [this] {
            ++clicks;
            order.push_back("click");
        };
        grid.DblClick = [this] { ++dblClicks; };
        form.Show();
        QApplication::processEvents();
    }
    void TearDown() override { form.hide(); }

    // Rows x cols of "r,c" texts, no fixed column, one fixed row.
    void fill(int rows, int cols) {
        grid.setCols(cols);
        grid.setFixedCols(0);
        grid.setRows(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                grid.setTextMatrix(r, c, std::to_string(r) + "," + std::to_string(c));
        QApplication::processEvents();
        changes = 0;
        order.clear();
    }
    QPoint centre(int r, int c) const {
        QRect rc = grid.cellRect(r, c);
        EXPECT_FALSE(rc.isEmpty()) << "cell " << r << "," << c << " not on view";
        return rc.center();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(grid.widget(), k, mods);
    }
    QColor pixel(int r, int c) {
        QRect rc = grid.cellRect(r, c);
        return grid.widget()->grab().toImage().pixelColor(rc.left() + 1, rc.top() + 1);
    }
};

TEST_F(GridTest, ShapeSizesAndTextReadBack) {
    EXPECT_EQ(grid.kind(), vb::ControlKind::Grid);
    grid.setCols(6);
    grid.setRows(5);
    EXPECT_EQ(grid.Rows(), 5);
    EXPECT_EQ(grid.Cols(), 6);

    grid.setColWidth(0, 2450);
    grid.setColWidth(1, 811);
    grid.setRowHeight(2, 733);
    EXPECT_EQ(grid.ColWidth(0), 2450);
    EXPECT_EQ(grid.ColWidth(1), 811);
    EXPECT_EQ(grid.ColWidth(2), vb::Grid::kDefaultColWidth);
    EXPECT_EQ(grid.RowHeight(2), 733);
    EXPECT_EQ(grid.RowHeight(3), 240); // standard height of the default font
    grid.setColWidth(0, -1);
    EXPECT_EQ(grid.ColWidth(0), vb::Grid::kDefaultColWidth);

    // The minimum lifts short rows but leaves taller ones alone.
    grid.setRowHeightMin(550);
    EXPECT_EQ(grid.RowHeight(3), 550);
    EXPECT_EQ(grid.RowHeight(2), 733);
    grid.setRowHeight(2, 720);
    EXPECT_EQ(grid.RowHeight(2), 720);

    grid.setTextMatrix(4, 5,
                       "\xB0"
                       "C \x80");
    EXPECT_EQ(grid.TextMatrix(4, 5), "\xB0"
                                     "C \x80");
    grid.setRow(0); // fixed cells can be written through Row + Text
    grid.setCol(3);
    grid.setText("Header");
    EXPECT_EQ(grid.TextMatrix(0, 3), "Header");
    EXPECT_EQ(grid.Text(), "Header");

    auto number = [](auto&& f) {
        try {
            f();
        } catch (const vb::VbError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(number([&] { grid.TextMatrix(5, 0); }), 381);
    EXPECT_EQ(number([&] { grid.setTextMatrix(0, 6, "x"); }), 381);
    EXPECT_EQ(number([&] { grid.setRow(5); }), 30009);
    EXPECT_EQ(number([&] { grid.setCol(-1); }), 30010);
    EXPECT_EQ(number([&] { grid.setFixedRows(6); }), 380);
    // Alignments run from 0 to 9.
    EXPECT_EQ(number([&] { grid.setCellAlignment(10); }), 380);
    EXPECT_EQ(number([&] { grid.setCellPictureAlignment(-1); }), 380);
    // Without rows there is no cell to format; reading gives the defaults.
    grid.setRows(0);
    EXPECT_EQ(number([&] { grid.setCellBackColor(0xFF); }), 30009);
    EXPECT_EQ(grid.CellAlignment(), 9);
    EXPECT_EQ(grid.CellBackColor(), 0);
}

TEST_F(GridTest, AddItemSplitsTabsAndInsertsAtIndex) {
    grid.setCols(3);
    grid.setFixedCols(0);
    grid.setRows(1);
    grid.AddItem("a\tb\tc\textra");
    grid.AddItem("only");
    grid.AddItem("first", 1);
    ASSERT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.TextMatrix(1, 0), "first");
    EXPECT_EQ(grid.TextMatrix(2, 0), "a");
    EXPECT_EQ(grid.TextMatrix(2, 2), "c");
    EXPECT_EQ(grid.TextMatrix(3, 0), "only");
    EXPECT_EQ(grid.TextMatrix(3, 1), "");
    EXPECT_EQ(grid.RowHeight(3), grid.standardRowHeight());
}

TEST_F(GridTest, RowColChangeOnlyOnRealChangeByCode) {
    fill(10, 3);
    grid.setRow(1);
    grid.setCol(0);
    changes = 0;

    grid.setRow(1);
    grid.setCol(0);
    EXPECT_EQ(changes, 0);
    grid.setRow(4);
    EXPECT_EQ(changes, 1);
    grid.setCol(2);
    EXPECT_EQ(changes, 2);

    // Setting Row/Col collapses the selection end onto them.
    grid.setRowSel(7);
    grid.setColSel(0);
    EXPECT_EQ(changes, 2);
    grid.setRow(5);
    EXPECT_EQ(grid.RowSel(), 5);
    EXPECT_EQ(grid.ColSel(), 0);
    grid.setCol(1);
    EXPECT_EQ(grid.ColSel(), 1);
    changes = 0;

    // Shrinking past the current row moves it to the last row, once.
    grid.setRows(8);
    EXPECT_EQ(changes, 0);
    grid.setRows(3);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.RowSel(), 2);
    EXPECT_EQ(changes, 1);
    grid.setCols(1);
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(changes, 2);
    // An emptied grid reads row 0 and comes back without a move.
    grid.setRows(0);
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.Text(), "");
    changes = 0;
    grid.setRows(4);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(grid.FixedRows(), 0);
}

TEST_F(GridTest, KeysMoveCurrentCellAndScrollWithoutClick) {
    fill(40, 3);
    grid.setRow(1);
    grid.setCol(0);
    changes = 0;

    key(Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    key(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 1);
    key(Qt::Key_End);
    EXPECT_EQ(grid.Col(), 2);
    key(Qt::Key_Home);
    EXPECT_EQ(grid.Col(), 0);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(clicks, 0);

    // Blocked at the edges: neither into the fixed row nor past the last column.
    key(Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 1);
    changes = 0;
    key(Qt::Key_Up);
    key(Qt::Key_Left);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(changes, 0);

    // Moving below the view scrolls just enough to show the row.
    key(Qt::Key_PageDown);
    EXPECT_GT(grid.Row(), 5);
    EXPECT_GT(grid.TopRow(), 1);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 39);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_FALSE(grid.cellRect(39, 2).isEmpty());
    EXPECT_EQ(grid.cellRect(39, 2).height(), vb::twipsToPixels(grid.RowHeight(39)));
    // Nor past the last row or column.
    changes = 0;
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    EXPECT_EQ(grid.Row(), 39);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(changes, 0);
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(clicks, 0);
}

TEST_F(GridTest, MouseClickMakesCellCurrentThenRaisesClick) {
    fill(6, 3);
    grid.setRow(1);
    grid.setCol(0);
    order.clear();
    changes = 0;

    QTest::mouseClick(grid.widget(), Qt::LeftButton, {}, centre(3, 2));
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(order, (std::vector<std::string>{"change", "click"}));

    // The same cell again: a click without a change.
    QTest::mouseClick(grid.widget(), Qt::LeftButton, {}, centre(3, 2));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(clicks, 2);

    // The fixed header row is not selectable by the mouse.
    QTest::mouseClick(grid.widget(), Qt::LeftButton, {}, centre(0, 1));
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(clicks, 2);

    QTest::mouseDClick(grid.widget(), Qt::LeftButton, {}, centre(4, 0));
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(grid.Row(), 4);
    // Nor does a double click on it count.
    QTest::mouseDClick(grid.widget(), Qt::LeftButton, {}, centre(0, 1));
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_EQ(grid.MouseRow(), 0);
    EXPECT_EQ(grid.MouseCol(), 1);
}

TEST_F(GridTest, TopRowClampsAndFollowsScrollBar) {
    fill(100, 2);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.setTopRow(0);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.setTopRow(50);
    EXPECT_EQ(grid.TopRow(), 50);

    // Never past the row that shows the last row at the bottom of the view.
    grid.setTopRow(1000);
    int top = grid.TopRow();
    EXPECT_LT(top, 99);
    EXPECT_FALSE(grid.cellRect(99, 0).isEmpty());
    EXPECT_EQ(grid.cellRect(99, 0).height(), 16);
    grid.setTopRow(top + 1);
    EXPECT_EQ(grid.TopRow(), top);

    QApplication::processEvents();
    auto* bar = grid.widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    bar->setValue(20);
    EXPECT_EQ(grid.TopRow(), 20);

    // Fewer rows pull the top row back and it stays there.
    grid.setRows(10);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.setRows(100);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.setRows(5);
    QApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(GridTest, GridSizedToItsCellsHasNoScrollBar) {
    // Rows of 720 twips and columns of 810, outer size +30/+45 as the brand grid.
    grid.setCols(12);
    grid.setRows(3);
    grid.setFixedRows(0);
    grid.setFixedCols(0);
    for (int c = 0; c < 12; ++c)
        grid.setColWidth(c, 810);
    for (int r = 0; r < 3; ++r)
        grid.setRowHeight(r, 720);
    grid.Move(0, 0, 12 * 810 + 45, 3 * 720 + 30);
    QApplication::processEvents();
    EXPECT_FALSE(grid.widget()->findChild<QScrollBar*>()->isVisible());
    EXPECT_EQ(grid.TopRow(), 0);
    grid.setTopRow(1);
    EXPECT_EQ(grid.TopRow(), 0);
    EXPECT_EQ(grid.cellRect(2, 11).size(), QSize(54, 48));
}

TEST_F(GridTest, MouseRowColAreCurrentInsideMouseMove) {
    fill(6, 3);
    std::vector<std::tuple<int, int, float, float>> seen;
    grid.MouseMove = [&](int, int, float x, float y) {
        seen.emplace_back(grid.MouseRow(), grid.MouseCol(), x, y);
    };

    QPoint p = centre(2, 1);
    QTest::mouseMove(grid.widget(), p);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::get<0>(seen[0]), 2);
    EXPECT_EQ(std::get<1>(seen[0]), 1);
    // Client coordinates: the cells start at 0.
    QRect first = grid.cellRect(0, 0);
    EXPECT_EQ(std::get<2>(seen[0]), float((p.x() - first.left()) * 15));
    EXPECT_EQ(std::get<3>(seen[0]), float((p.y() - first.top()) * 15));

    // Below the last row and right of the last column: the nearest cell.
    QTest::mouseMove(grid.widget(), QPoint(grid.widget()->width() - 3, grid.widget()->height() - 3));
    EXPECT_EQ(grid.MouseRow(), 5);
    EXPECT_EQ(grid.MouseCol(), 2);
    // Moving never changes the current cell.
    EXPECT_EQ(changes, 0);
}

TEST_F(GridTest, CellFormatsBelongToOneCellAndClearKeepsStructure) {
    fill(4, 3);
    QPixmap pic(16, 16);
    pic.fill(Qt::red);
    grid.setRow(2);
    grid.setCol(1);
    grid.setCellPicture(pic);
    grid.setCellPictureAlignment(4);
    grid.setCellAlignment(4);
    grid.setCellFontBold(true);
    grid.setCellBackColor(0xC0FFFF);
    grid.setCellForeColor(0x0000FF);

    grid.setCol(2);
    EXPECT_TRUE(grid.CellPicture().isNull());
    EXPECT_EQ(grid.CellAlignment(), 9);
    EXPECT_FALSE(grid.CellFontBold());
    EXPECT_EQ(grid.CellBackColor(), 0);

    grid.setCol(1);
    EXPECT_EQ(grid.CellPicture().cacheKey(), pic.cacheKey());
    EXPECT_EQ(grid.CellPictureAlignment(), 4);
    EXPECT_EQ(grid.CellAlignment(), 4);
    EXPECT_TRUE(grid.CellFontBold());
    EXPECT_EQ(grid.CellBackColor(), 0xC0FFFF);
    EXPECT_EQ(grid.CellForeColor(), 0x0000FF);

    grid.setColWidth(1, 1500);
    grid.setRowHeight(2, 720);
    grid.setMergeRow(3, true);
    grid.Clear();
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.Cols(), 3);
    EXPECT_EQ(grid.ColWidth(1), 1500);
    EXPECT_EQ(grid.RowHeight(2), 720);
    EXPECT_TRUE(grid.MergeRow(3));
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(grid.TextMatrix(2, 1), "");
    EXPECT_EQ(grid.TextMatrix(0, 0), "");
    EXPECT_TRUE(grid.CellPicture().isNull());
    EXPECT_FALSE(grid.CellFontBold());
}

TEST_F(GridTest, PaintsSelectionRangeCellColoursAndMergedRows) {
    fill(5, 4);
    grid.setRow(4);
    grid.setCol(3);
    grid.setCellBackColor(0xC0FFFF);
    grid.setRow(1);
    grid.setCol(0);
    grid.setRowSel(2);
    grid.setColSel(2);
    QApplication::processEvents();

    const QColor navy(0, 0, 0x80), white(Qt::white), yellow(0xFF, 0xFF, 0xC0);
    EXPECT_EQ(pixel(1, 0), navy);
    EXPECT_EQ(pixel(2, 2), navy);
    EXPECT_EQ(pixel(2, 3), white);
    EXPECT_EQ(pixel(3, 0), white);
    EXPECT_EQ(pixel(4, 3), yellow);
    EXPECT_NE(pixel(0, 0), navy); // fixed cells are never highlighted
    grid.setHighLight(false);
    QApplication::processEvents();
    EXPECT_EQ(pixel(1, 0), white);

    // Equal neighbours in a merging row lose the grid line between them.
    auto lineBetween = [&](int r, int c) {
        QRect rc = grid.cellRect(r, c);
        return grid.widget()->grab().toImage().pixelColor(rc.right(), rc.top() + 2);
    };
    for (int c = 0; c < 4; ++c)
        grid.setTextMatrix(3, c, c < 3 ? "Title" : "x");
    grid.setMergeRow(3, true);
    QApplication::processEvents();
    EXPECT_EQ(lineBetween(3, 0), QColor(0xC0, 0xC0, 0xC0)); // MergeCells still off
    grid.setMergeCells(1);
    QApplication::processEvents();
    EXPECT_EQ(lineBetween(3, 0), white);
    EXPECT_EQ(lineBetween(3, 2), QColor(0xC0, 0xC0, 0xC0));
    grid.setTextMatrix(3, 1, "split");
    QApplication::processEvents();
    EXPECT_EQ(lineBetween(3, 0), QColor(0xC0, 0xC0, 0xC0));

    // A lone CR breaks the line like CR LF: ink appears on a second line.
    auto inkBelowFirstLine = [&](const std::string& text) {
        grid.setTextMatrix(4, 0, text);
        grid.setRowHeight(4, 720);
        QApplication::processEvents();
        QRect rc = grid.cellRect(4, 0);
        QImage img = grid.widget()->grab().toImage();
        for (int y = rc.top() + 17; y < rc.top() + 34; ++y)
            for (int x = rc.left() + 1; x < rc.right(); ++x)
                if (img.pixelColor(x, y).lightness() < 100) return true;
        return false;
    };
    grid.setRow(4);
    grid.setCol(0);
    grid.setCellAlignment(0);
    grid.setHighLight(false);
    EXPECT_FALSE(inkBelowFirstLine("HHH"));
    EXPECT_TRUE(inkBelowFirstLine("HHH\rHHH"));
    EXPECT_TRUE(inkBelowFirstLine("HHH\r\nHHH"));
}

TEST_F(GridTest, WheelNeverScrollsTheGrid) {
    fill(100, 2);
    grid.setTopRow(10);
    QApplication::processEvents();
    // Kept alive so each event has its own address: the window's router
    // recognises an event travelling up the parents by its address.
    std::vector<std::unique_ptr<QWheelEvent>> events;
    auto wheel = [&](QWidget* w, int delta) {
        QPoint pos(5, 5);
        events.push_back(std::make_unique<QWheelEvent>(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta),
                                                       Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                                       false));
        QApplication::sendEvent(w, events.back().get());
    };
    wheel(grid.widget(), -120);
    EXPECT_EQ(grid.TopRow(), 10);

    // The window's catcher hears it, with the grid's handle.
    vb::WheelCatcher catcher(form, "WheelCatcher1");
    std::uintptr_t handle = 0;
    int rotation = 0;
    catcher.WheelRotation = [&](int r, int, int, std::uintptr_t h) {
        rotation += r;
        handle = h;
    };
    wheel(grid.widget(), -240);
    auto* bar = grid.widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    wheel(bar, 120);
    EXPECT_EQ(rotation, -1);
    EXPECT_EQ(handle, grid.hWnd());
    EXPECT_EQ(grid.TopRow(), 10);
}

TEST_F(GridTest, HighlightedPictureCellIsFramed) {
    // A picture that covers its whole cell, as a brand symbol nearly does.
    fill(3, 3);
    for (int c = 0; c < 3; ++c)
        grid.setColWidth(c, 810);
    QPixmap white(54, 48);
    white.fill(Qt::white);
    for (int r = 1; r < 3; ++r)
        for (int c = 1; c < 3; ++c) {
            grid.setRow(r);
            grid.setCol(c);
            grid.setCellPicture(white);
            grid.setCellPictureAlignment(4);
        }
    grid.setRow(1);
    grid.setCol(2);
    QApplication::processEvents();
    const QColor navy = vb::vbColor(0x800000);
    EXPECT_EQ(pixel(1, 2), navy);
    EXPECT_NE(pixel(1, 1), navy);
    EXPECT_NE(pixel(2, 2), navy);
    // Inside the frame the picture still shows.
    QRect rc = grid.cellRect(1, 2);
    EXPECT_EQ(grid.widget()->grab().toImage().pixelColor(rc.center()), QColor(Qt::white));
}

TEST_F(GridTest, RowsScrollingUnderAStillPointerReportAMove) {
    fill(40, 2);
    std::vector<int> rows;
    grid.MouseMove = [&](int, int, float, float) { rows.push_back(grid.MouseRow()); };
    QTest::mouseMove(grid.widget(), centre(3, 1));
    ASSERT_EQ(rows, std::vector<int>{3});
    grid.setTopRow(grid.TopRow() + 2);
    EXPECT_EQ(rows, (std::vector<int>{3, 5}));
    // Once the pointer has left, scrolling reports nothing.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(grid.widget(), &leave);
    grid.setTopRow(grid.TopRow() + 2);
    EXPECT_EQ(rows.size(), 2u);
}

TEST_F(GridTest, FillsFiftyThousandCellsQuickly) {
    grid.setCols(6);
    grid.setRows(8001);
    const std::string text = "Motor 1.9 TDI";
    auto start = std::chrono::steady_clock::now();
    for (int r = 1; r <= 8000; ++r)
        for (int c = 0; c < 6; ++c)
            grid.setTextMatrix(r, c, text);
    auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // The sanitizers slow every access several times; they check the
    // memory here, the benchmarks check the speed.
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(ms, 500.0);
#else
    EXPECT_LT(ms, 50.0);
#endif
    EXPECT_EQ(grid.TextMatrix(8000, 5), text);
}

} // namespace
