#include "platform/controls.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "support/harness.h"

#include <QGuiApplication>
#include <QPalette>

using namespace testing_support;

namespace {

class Canvas : public vb::Form {
  public:
    Canvas() : vb::Form("Canvas") {
        setWidth(9000);
        setHeight(6000);
    }
    vb::PictureBox Picture1{*this, "Picture1"};
    vb::VScrollBar VScroll1{*this, "VScroll1"};
};

using DrawingTest = WindowTest;

int inkIn(const QImage& img, QRect r, QColor colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom() && y < img.height(); ++y)
        for (int x = r.left(); x <= r.right() && x < img.width(); ++x) {
            QColor c = img.pixelColor(x, y);
            if (c.alpha() > 128 && std::abs(c.red() - colour.red()) < 60 &&
                std::abs(c.green() - colour.green()) < 60 && std::abs(c.blue() - colour.blue()) < 60)
                ++n;
        }
    return n;
}

TEST_F(DrawingTest, PrintMovesThePositionAndDrawsInTheForeColour) {
    Canvas f;
    f.setFontName("MS Sans Serif");
    f.setFontSize(9.75);
    const int h = f.TextHeight(" ");
    const int w = f.TextWidth(" ");
    EXPECT_EQ(h % 15, 0);
    EXPECT_EQ(vb::QBColor(12), 0x0000FF); // light red, &HBBGGRR
    EXPECT_EQ(vb::QBColor(9), 0xFF0000);  // light blue
    EXPECT_GT(w, 0);
    EXPECT_EQ(f.TextHeight("a\r\nb\rc"), 3 * h);
    EXPECT_EQ(f.TextWidth("ab\r\nabcdef\nabc"), f.TextWidth("abcdef"));

    f.setForeColor(vb::QBColor(12));
    f.setCurrentX(1500);
    f.setCurrentY(600);
    f.Print("Sensor", false);
    EXPECT_EQ(f.CurrentX(), 1500 + f.TextWidth("Sensor"));
    EXPECT_EQ(f.CurrentY(), 600);
    f.Print(" ok");
    EXPECT_EQ(f.CurrentX(), 0);
    EXPECT_EQ(f.CurrentY(), 600 + h);
    f.Print("one\r\ntwo");
    EXPECT_EQ(f.CurrentY(), 600 + 3 * h);

    const QImage& img = f.drawing();
    EXPECT_GT(inkIn(img, QRect(100, 40, 60, h / 15), QColor(255, 0, 0)), 5);
    EXPECT_EQ(inkIn(img, QRect(0, 0, 90, 35), QColor(255, 0, 0)), 0);

    // The drawing is kept when the window grows.
    f.setWidth(12000);
    f.resize(800, 600);
    EXPECT_GT(inkIn(f.drawing(), QRect(100, 40, 60, h / 15), QColor(255, 0, 0)), 5);

    f.Cls();
    EXPECT_EQ(f.CurrentX(), 0);
    EXPECT_EQ(f.CurrentY(), 0);
    EXPECT_EQ(inkIn(f.drawing(), QRect(0, 0, 400, 200), QColor(255, 0, 0)), 0);
}

TEST_F(DrawingTest, PictureBoxesDrawTextToo) {
    Canvas f;
    f.Picture1.Move(0, 0, 3000, 1500);
    f.Picture1.setForeColor(vb::QBColor(9));
    f.Picture1.Print("Relay");
    EXPECT_EQ(f.Picture1.CurrentY(), f.Picture1.TextHeight("R"));
    EXPECT_GT(inkIn(f.Picture1.drawing(), QRect(0, 0, 60, 15), QColor(0, 0, 255)), 3);
    // The form's own drawing is untouched.
    EXPECT_EQ(inkIn(f.drawing(), QRect(0, 0, 60, 15), QColor(0, 0, 255)), 0);
}

// The ink of a drawing: its bounding box.
QRect inkBox(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 128) box |= QRect(x, y, 1, 1);
    return box;
}

TEST_F(DrawingTest, EveryFaceOfTheWindowsIsDrawnAtTheSizeGiven) {
    // The faces the windows and printouts name, and the other faces whose
    // files are bitmaps of single sizes.
    for (const char* face : {"Courier", "COURIER", "MS Sans Serif", "Tahoma", "Arial", "Courier New",
                             "Small Fonts", "System", "Fixedsys"}) {
        std::vector<QRect> boxes;
        for (double points : {7.0, 9.75, 12.0}) {
            Canvas f;
            f.setFontName(face);
            f.setFontSize(points);
            f.setCurrentX(150);
            f.setCurrentY(150);
            f.Print("HHHHHHHHHHHH");
            boxes.push_back(inkBox(f.drawing()));
            ASSERT_FALSE(boxes.back().isEmpty()) << face << " " << points;
        }
        // The capitals grow with the size: 9, 13 and 16 pixels to the em.
        for (int i : {1, 2}) {
            const double ratio = i == 1 ? 13.0 / 9 : 16.0 / 13;
            EXPECT_NEAR(double(boxes[i].width()) / boxes[i - 1].width(), ratio, 0.15) << face << " " << i;
            EXPECT_NEAR(double(boxes[i].height()) / boxes[i - 1].height(), ratio, 0.25) << face << " " << i;
        }
    }
}

TEST_F(DrawingTest, SystemColoursFollowTheDesktopPalette) {
    const QPalette saved = QGuiApplication::palette();
    QPalette pal;
    pal.setColor(QPalette::Base, QColor(1, 2, 3));
    pal.setColor(QPalette::Text, QColor(200, 0, 0));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(4, 5, 6));
    pal.setColor(QPalette::ButtonText, QColor(7, 8, 9));
    pal.setColor(QPalette::ToolTipText, QColor(10, 11, 12));
    pal.setColor(QPalette::Window, QColor(13, 14, 15));
    QGuiApplication::setPalette(pal);
    EXPECT_EQ(vb::vbColor(vb::vbWindowBackground), QColor(1, 2, 3));
    EXPECT_EQ(vb::vbColor(std::int32_t(0x80000011)), QColor(4, 5, 6)); // grey text
    EXPECT_EQ(vb::vbColor(std::int32_t(0x80000012)), QColor(7, 8, 9)); // button text
    EXPECT_EQ(vb::vbColor(std::int32_t(0x80000018)), QColor(10, 11, 12));
    EXPECT_EQ(vb::vbColor(std::int32_t(0x80000001)), QColor(13, 14, 15)); // no role: the window's
    // Text printed in the window text colour shows in the palette's colour.
    Canvas f;
    f.setForeColor(std::int32_t(0x80000008));
    f.Print("Sensor");
    EXPECT_GT(inkIn(f.drawing(), QRect(0, 0, 60, f.TextHeight("S") / 15), QColor(200, 0, 0)), 5);
    QGuiApplication::setPalette(saved);
}

} // namespace
