#include "diagram_fixture.h"

#include "core/diagram_records.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/vbstring.h"
#include "sampledata/diagram_data.h"
#include "support/fixtures.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

using namespace diagram_tests;
using diagrams::Form5;
using testing_support::clickAt;
using testing_support::moveAt;
using testing_support::nameOf;
using testing_support::widgetAt;

namespace {

class Viewer : public DiagramTest {
  protected:
    // Opens code over the showcase model and runs check inside the viewer.
    void view(const std::string& code, int mode, const std::function<void(Form5&)>& check) {
        choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
        bool ran = false;
        on["Form5"] = [&](vb::Form*) {
            ran = true;
            check(Form5::get());
        };
        openViewer(code, mode, "Iniezione benzina ARDESIA ALBA 1.2 16V");
        EXPECT_TRUE(ran);
    }
    // What the diagram changes in the header and the bar, as drawn on the
    // screen: nothing when they stay above it.
    static std::string diagramOverHeaderOrBar(Form5& f) {
        const QImage with = f.grab().toImage();
        f.ImagePsc.widget()->hide();
        const QImage without = f.grab().toImage();
        f.ImagePsc.widget()->show();
        const QRect header = f.Shape2.widget()->geometry();
        const int barTop = f.Picture1.widget()->y();
        for (int y = 0; y < with.height(); ++y) {
            if (y > header.bottom() && y < barTop) continue;
            for (int x = 0; x < with.width(); ++x)
                if (with.pixel(x, y) != without.pixel(x, y))
                    return "diagram drawn at " + std::to_string(x) + "," + std::to_string(y);
        }
        return "";
    }
    // Every point of the header and of the bar takes its own clicks.
    static std::string diagramTakesClicksOfHeaderOrBar(Form5& f) {
        const QRect header = f.Shape2.widget()->geometry();
        const int barTop = f.Picture1.widget()->y();
        for (int x = 0; x < f.width(); x += 3)
            for (int y : {header.top() + 1, header.center().y(), header.bottom(), barTop, barTop + 2,
                          f.height() / 2 + barTop / 2, f.height() - 1})
                if (y <= header.bottom() || y >= barTop)
                    if (widgetAt(f, QPoint(x, y)) == f.ImagePsc.widget())
                        return "diagram takes the click at " + std::to_string(x) + "," + std::to_string(y);
        return "";
    }
    static QPoint centreOf(Form5& f, vb::Control& c) {
        return c.widget()->mapTo(&f, c.widget()->rect().center());
    }
    // A point inside component i of a sheet, in twips of the picture.
    static QPointF inside(const std::string& code, int i) {
        for (const auto& s : sampledata::newFormatSheets())
            if (s.code == code) {
                const auto& c = s.components[size_t(i)];
                return QPointF(c.x1 + 30, c.y1 + 30);
            }
        return {};
    }
};

TEST_F(Viewer, NewFormatDiagramOverItsFrameWithTheComponentGrid) {
    view("B100", 12, [&](Form5& f) {
        EXPECT_TRUE(core::PscNewFormat);
        EXPECT_TRUE(vb::Right(f.DiagramFolder, 5) == "\\psc\\");
        EXPECT_TRUE(f.ImagePsc.Visible());
        EXPECT_EQ(f.ImagePsc.Width(), 12000);
        EXPECT_EQ(f.ImagePsc.Height(), 7200);
        ASSERT_EQ(f.ImageList1.Count(), 2);
        EXPECT_EQ(f.Picture2.Picture().width(), 800);
        // Silver of the diagram lets the frame through; everything else is the diagram.
        const QImage shown = f.ImagePsc.Picture().toImage();
        const QImage diagram = f.Picture2.Picture().toImage();
        const QImage frame = f.ImageList1.ListImage(1).toImage();
        int silver = 0, drawn = 0;
        for (int y = 0; y < 480; y += 7)
            for (int x = 0; x < 800; x += 7) {
                if (diagram.pixel(x, y) == qRgb(0xC0, 0xC0, 0xC0)) {
                    ++silver;
                    EXPECT_EQ(shown.pixel(x, y), frame.pixel(x, y));
                } else {
                    ++drawn;
                    EXPECT_EQ(shown.pixel(x, y), diagram.pixel(x, y));
                }
            }
        EXPECT_GT(silver, 1000);
        EXPECT_GT(drawn, 100);
        // Centred between header and bar.
        EXPECT_EQ(f.ImagePsc.Left(), (f.Width() - 12000 - 90) / 2);
        EXPECT_EQ(f.ImagePsc.Top(), (f.Height() - 7200) / 2 - 150);

        EXPECT_EQ(f.Label4.Caption(), "ARDESIA ALBA ALBA 1.2 16V (1999-2003) " + core::Des[13] +
                                          ": AL-12V16 " + core::Des[79] + " 1242 cm\xB3  " + core::Des[80] +
                                          " 80(59)/6000 CV(KW)/Rpm");
        EXPECT_EQ(f.Label5.Caption(), "Iniezione benzina ARDESIA ALBA 1.2 16V");
        EXPECT_EQ(f.Command7.ToolTipText(), core::Des[49]);
        EXPECT_EQ(f.Command8.ToolTipText(), core::Des[46]);
        // The grid: one row per component, sorted, duplicates kept.
        EXPECT_TRUE(f.VisibleComponentGrid.Visible());
        EXPECT_EQ(f.VisibleComponentGrid.Left(), f.Command6.Left() + f.Command6.Width() + 15);
        EXPECT_EQ(f.VisibleComponentGrid.Left() + f.VisibleComponentGrid.Width(), f.Command30.Left() - 15);
        ASSERT_EQ(f.VisibleComponentGrid.Rows(), 14);
        EXPECT_EQ(f.VisibleComponentGrid.TextMatrix(0, 0), "10   (1) Centralina motore");
        EXPECT_EQ(f.VisibleComponentGrid.TextMatrix(3, 0), "20   (1) Sensore giri motore");
        EXPECT_EQ(f.VisibleComponentGrid.TextMatrix(4, 0), "20   (1) Sensore giri motore");
        for (int r = 1; r < 14; ++r)
            EXPECT_LE(f.VisibleComponentGrid.TextMatrix(r - 1, 0), f.VisibleComponentGrid.TextMatrix(r, 0));
        EXPECT_EQ(f.List1.ListCount(), 0);
        EXPECT_EQ(f.List1.ListIndex(), -1);
        for (auto& b : f.Command10)
            EXPECT_FALSE(b->Visible());
        EXPECT_EQ(core::Form7Code, "001");
        EXPECT_TRUE(svc.boxes.empty());
        // A resize by the user re-centres the picture and keeps the bar at the bottom.
        f.resize(1100, 700);
        EXPECT_EQ(f.ImagePsc.Left(), (f.Width() - 12000 - 90) / 2);
        EXPECT_EQ(f.Picture1.Top() + f.Picture1.Height(), f.ScaleHeight());
        EXPECT_EQ(f.Command5.Left(), f.Width() - f.Command5.Width() - 100);
    });
}

// A diagram opened again shows the very same window, and its picture is
// the one decoded the first time instead of a new decoding of the same file.
TEST_F(Viewer, ReopenedDiagramLooksTheSameWithoutDecodingAgain) {
    QImage first, again;
    qint64 firstDiagram = 0, againDiagram = 0;
    view("B100", 12, [&](Form5& f) {
        first = f.grab().toImage();
        firstDiagram = f.Picture2.Picture().cacheKey();
    });
    view("B100", 12, [&](Form5& f) {
        again = f.grab().toImage();
        againDiagram = f.Picture2.Picture().cacheKey();
    });
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first == again);
    EXPECT_EQ(firstDiagram, againDiagram);
}

TEST_F(Viewer, ButtonsByMode) {
    struct Case {
        int mode;
        bool c7, c9, picture;
    };
    const Case cases[] = {{10, false, true, true},  {20, false, true, true},  {30, false, false, true},
                          {32, false, false, true}, {12, true, true, true},   {22, true, true, true},
                          {31, true, false, true},  {33, true, false, true},  {40, false, false, true},
                          {42, false, false, true}, {50, false, false, true}, {52, false, false, true},
                          {0, true, true, true},    {2, true, true, true},    {54, false, false, false},
                          {-5, true, true, true},   {23, true, true, true},   {24, true, false, true}};
    for (const Case& c : cases)
        view("B100", c.mode, [&](Form5& f) {
            EXPECT_EQ(f.Command7.Enabled(), c.c7) << c.mode;
            EXPECT_EQ(f.Command9.Enabled(), c.c9) << c.mode;
            EXPECT_EQ(f.ImagePsc.Visible(), c.picture) << c.mode;
            EXPECT_TRUE(f.Command8.Enabled());
            // Disabled buttons are not reached by their keys either.
            svc.shown.clear();
            f.previewKey(117, 0);
            f.previewKey(119, 0);
            EXPECT_EQ(svc.shown.size(), size_t(c.c7) + size_t(c.c9)) << c.mode;
        });
}

TEST_F(Viewer, SocketCodeOfZerosDisablesTheSocketButton) {
    choose("CALDERA", "MAESTRALE", "MAESTRALE 2.0 METANO");
    bool opened = false;
    on["Form5"] = [&](vb::Form*) {
        opened = true;
        EXPECT_FALSE(Form5::get().Command9.Enabled());
    };
    openViewer("B100", 10);
    EXPECT_TRUE(opened) << "the viewer never opened";
}

TEST_F(Viewer, OldFormatButtonsTooltipsAndTheSpecialDiagram) {
    view("D100", 22, [&](Form5& f) {
        EXPECT_FALSE(core::PscNewFormat);
        EXPECT_TRUE(vb::Right(f.DiagramFolder, 9) == "\\psc_ita\\");
        EXPECT_FALSE(f.VisibleComponentGrid.Visible());
        EXPECT_EQ(f.ImagePsc.Width(), 9600);
        ASSERT_EQ(f.List1.ListCount(), 20);
        EXPECT_EQ(f.List1.ListIndex(), 0);
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(f.Command10(i).Visible());
            EXPECT_EQ(f.Command10(i).Caption(), f.List1.List(i));
        }
        EXPECT_EQ(f.List3.List(0), "0120 = Sensore temperatura acqua");
        EXPECT_EQ(f.List3.ListCount(), 20);
    });
    view("A100", 12, [&](Form5& f) {
        ASSERT_EQ(f.List1.ListCount(), 6);
        EXPECT_EQ(f.List3.List(5), "0099"); // no description: the code alone
        EXPECT_TRUE(f.Command10(5).Enabled());
        EXPECT_FALSE(f.Command10(6).Visible());
        EXPECT_FALSE(f.Command10(19).Enabled());
    });
    view("C011", 50, [&](Form5& f) {
        EXPECT_EQ(f.Label5.Caption(), core::Des[67] + " " + core::Des[61]);
        EXPECT_FALSE(f.Command8.Enabled());
        // F10 still starts printing.
        svc.printerAnswers.push_back({false});
        f.previewKey(121, 0);
        EXPECT_EQ(svc.printerDialogs, 1);
    });
}

TEST_F(Viewer, EmptyParameterFieldBetweenCodesLeavesNoStrayButton) {
    std::vector<std::string> fields(20, "   ");
    fields[0] = "120";
    fields[2] = "031";
    fields[3] = " 12";
    EXPECT_EQ(Form5::parameterCodes(fields), (std::vector<std::string>{"120", "031", " 12"}));
    EXPECT_TRUE(Form5::parameterCodes(std::vector<std::string>(20, "   ")).empty());
    // A code the catalogue lacks: no buttons rather than the first record's.
    view("Z999", 10, [&](Form5& f) {
        EXPECT_EQ(f.List1.ListCount(), 0);
        for (auto& b : f.Command10)
            EXPECT_FALSE(b->Visible());
        EXPECT_FALSE(f.ImagePsc.Visible());
    });
    EXPECT_EQ(boxesWith("xz999.gif not available"), 1);
}

TEST_F(Viewer, ZoomFactorsByWindowAndPictureWidth) {
    struct Case {
        int screen;
        std::string code;
        int zoomed;
    };
    const Case cases[] = {{15360, "B100", 15360}, {14000, "B100", 12000}, {15360, "A100", 15360},
                          {14000, "A100", 12000}, {12000, "A100", 9600},  {19200, "B100", 15360}};
    for (const Case& c : cases) {
        svc.width = c.screen;
        view(c.code, 12, [&](Form5& f) {
            const int own = f.ImagePsc.Width();
            f.ImagePsc_Click();
            EXPECT_TRUE(f.Zoomed);
            EXPECT_EQ(f.ImagePsc.Width(), c.zoomed) << c.screen << c.code;
            EXPECT_TRUE(f.ImagePsc.Stretch());
            EXPECT_EQ(f.ImagePsc.Left(), (f.Width() - f.ImagePsc.Width() - 90) / 2);
            f.ImagePsc_Click();
            EXPECT_FALSE(f.Zoomed);
            EXPECT_FALSE(f.ImagePsc.Stretch());
            EXPECT_EQ(f.ImagePsc.Width(), own);
        });
    }
}

TEST_F(Viewer, HotspotsTooltipsPointersAndPresses) {
    view("B100", 12, [&](Form5& f) {
        const QPointF ecu = inside("B100", 0);
        f.ImagePsc_MouseMove(0, 0, float(ecu.x()), float(ecu.y()));
        EXPECT_EQ(f.ImagePsc.ToolTipText(), "12   (1) Centralina iniezione");
        EXPECT_EQ(core::HotspotCode, "0701");
        EXPECT_EQ(core::HotspotTextCode, "0701");
        EXPECT_TRUE(f.OverHotspot);
        EXPECT_EQ(f.ImagePsc.MousePointer(), vb::vbCustom);
        // The overlapping rectangle listed later loses.
        f.ImagePsc_MouseMove(0, 0, 2000, 1800);
        EXPECT_EQ(core::HotspotCode, "0701");
        // The connector has no component: the arrow, and a press opens nothing.
        const QPointF connector = inside("B100", 10);
        f.ImagePsc_MouseMove(0, 0, float(connector.x()), float(connector.y()));
        EXPECT_EQ(core::HotspotCode, "0000");
        EXPECT_EQ(f.ImagePsc.MousePointer(), vb::vbDefault);
        f.ImagePsc_MouseDown(1, 0, float(connector.x()), float(connector.y()));
        EXPECT_TRUE(svc.shown.empty() || svc.shown.back() != "Form7");
        // On an edge is outside: the magnifier, codes cleared.
        f.ImagePsc_MouseMove(0, 0, 600, 1000);
        EXPECT_EQ(core::HotspotCode, "");
        EXPECT_FALSE(f.OverHotspot);
        EXPECT_TRUE(f.MagnifierShown);
        // The tooltip goes at the next move.
        f.ImagePsc_MouseMove(0, 0, 590, 1000);
        EXPECT_EQ(f.ImagePsc.ToolTipText(), "");

        // A left press on a component opens its text; the click after it does not zoom.
        const QPointF rpm = inside("B100", 1);
        f.ImagePsc_MouseMove(0, 0, float(rpm.x()), float(rpm.y()));
        std::string during;
        on["Form7"] = [&](vb::Form*) {
            during = core::HotspotCode + "/" + core::HotspotTextCode + "/" + std::to_string(core::Form7Mode);
        };
        f.ImagePsc_MouseDown(2, 0, float(rpm.x()), float(rpm.y()));
        EXPECT_TRUE(during.empty()); // right button: nothing
        f.ImagePsc_MouseDown(1, 0, float(rpm.x()), float(rpm.y()));
        EXPECT_EQ(during, "0702/0702/0");
        EXPECT_EQ(core::HotspotCode, "0000");
        EXPECT_EQ(core::HotspotTextCode, "0000");
        f.ImagePsc_Click();
        EXPECT_FALSE(f.Zoomed);

        // While zoomed the rectangles scale.
        f.ImagePsc_MouseMove(0, 0, 100, 100);
        f.ImagePsc_Click();
        ASSERT_TRUE(f.Zoomed);
        f.ImagePsc_MouseMove(0, 0, float(rpm.x() * 1.28), float(rpm.y() * 1.28));
        EXPECT_EQ(core::HotspotCode, "0702");
    });
}

TEST_F(Viewer, ShortRecordBeepsAndWordsForEdgesAreNeverHit) {
    svc.answers.clear();
    view("K100", 12, [&](Form5& f) {
        svc.beeps = 0;
        f.ImagePsc_MouseMove(0, 0, 9500, 700);
        EXPECT_TRUE(f.OverHotspot);
        EXPECT_EQ(core::HotspotCode, "");
        f.ImagePsc_MouseDown(1, 0, 9500, 700);
        EXPECT_EQ(svc.beeps, 1);
        f.ImagePsc_MouseMove(0, 0, 10, 1000);
        EXPECT_FALSE(f.OverHotspot);
    });
}

TEST_F(Viewer, ComponentButtonsTooltipBoxAndHoverReset) {
    view("D100", 22, [&](Form5& f) {
        f.Command10_MouseMove(3);
        EXPECT_TRUE(f.Timer20.Enabled());
        EXPECT_EQ(f.Timer20.Interval(), 1000);
        f.Timer20_Timer();
        EXPECT_TRUE(f.Picture20.Visible());
        EXPECT_EQ(f.Label20.Caption(), vb::Trim(f.List3.List(3)));
        EXPECT_EQ(f.Picture20.Width(), f.Label20.Width() + 150);
        EXPECT_EQ(f.Picture20.Left(), f.Command10(3).Left());
        EXPECT_EQ(f.Picture20.Top(), f.Picture1.Top() - f.Picture20.Height() + 50);
        // Straight to a button of the lower row: the next tick moves the box.
        f.Command10_MouseMove(12);
        EXPECT_EQ(f.HoverIndex, 12);
        f.Timer20_Timer();
        EXPECT_EQ(f.Picture20.Top(), f.Picture1.Top() - f.Picture20.Height() + 450);
        EXPECT_EQ(f.Label20.Caption(), vb::Trim(f.List3.List(12)));
        // Moving over the window surface resets it.
        f.Form_MouseMove(0, 0, 10, 10);
        EXPECT_FALSE(f.Picture20.Visible());
        EXPECT_FALSE(f.Timer20.Enabled());
        EXPECT_EQ(f.HoverSource, 0);

        // A click selects the button's code for the text viewer.
        std::string selected;
        on["Form7"] = [&](vb::Form*) { selected = f.List1.List(f.List1.ListIndex()); };
        f.Command10_MouseMove(7);
        f.Command10_Click(7);
        EXPECT_EQ(selected, f.List1.List(7));
        EXPECT_FALSE(f.Timer20.Enabled());
        // Still on the same button: no new tooltip until the pointer comes back.
        f.Command10_MouseMove(7);
        EXPECT_FALSE(f.Timer20.Enabled());
    });
}

TEST_F(Viewer, LocationsAndSocketHandOversAndClosing) {
    view("B100", 12, [&](Form5& f) {
        int fromMenu = -1, mode = -1;
        on["Form6"] = [&](vb::Form*) { fromMenu = core::Form6FromMenu; };
        on["Form7"] = [&](vb::Form*) { mode = core::Form7Mode; };
        core::Form6FromMenu = 1;
        f.previewKey(119, 0); // F8
        EXPECT_EQ(fromMenu, 0);
        f.previewKey(117, 0); // F6
        EXPECT_EQ(mode, 1);
        EXPECT_EQ(core::Form7Mode, 0);
        EXPECT_EQ(f.MousePointer(), vb::vbDefault);
        EXPECT_EQ(f.Command7.MousePointer(), vb::vbCustom);
        f.previewKey(27, 0);
        EXPECT_TRUE(f.isUnloaded());
        EXPECT_EQ(f.ImageList1.Count(), 0);
    });
}

TEST_F(Viewer, MissingOrDamagedPictureKeepsTheViewerOpen) {
    vb::Kill(file("psc\\xB100.gif"));
    view("B100", 12, [&](Form5& f) {
        EXPECT_FALSE(f.ImagePsc.Visible());
        EXPECT_EQ(f.VisibleComponentGrid.Rows(), 14);
    });
    EXPECT_EQ(boxesWith("xb100.gif not available"), 1);
    EXPECT_FALSE(svc.ended);

    // Damaged, without a recovery copy: the offer, then "Unable to recover".
    testing_support::writeBytes(file("psc\\psc_ita\\xA100.gif"), std::string(200, '\xAA'));
    svc.boxes.clear();
    svc.answers = {vb::vbYes};
    view("A100", 12, [&](Form5& f) { EXPECT_FALSE(f.ImagePsc.Visible()); });
    EXPECT_EQ(boxesWith("Failed !! To try to recover ?"), 1);
    EXPECT_EQ(boxesWith("Unable to recover"), 1);
    EXPECT_FALSE(svc.ended);

    // Missing frame bitmap.
    vb::Kill(file("mas\\xpsc51.bmp"));
    svc.boxes.clear();
    view("B200", 12, [&](Form5& f) { EXPECT_FALSE(f.ImagePsc.Visible()); });
    EXPECT_EQ(boxesWith("xpsc51.bmp not available"), 1);
}

// A diagram cut short is damaged: the recovery is offered instead of half a
// diagram over blank, and the recovered diagram is shown whole.
TEST_F(Viewer, DiagramCutShortIsOfferedForRecovery) {
    const std::string gif = file("psc\\xB100.gif");
    const std::string whole = testing_support::readBytes(gif);
    testing_support::writeBytes(gif, whole.substr(0, whole.size() / 3));
    testing_support::writeBytes(file("psc") + "/xB100.REC", whole);
    svc.answers = {vb::vbYes};
    // The viewer is still busy loading while it asks.
    std::vector<int> pointerWhileAsking;
    svc.onBox = [&](const testing_support::Box&) {
        pointerWhileAsking.push_back(vb::FormRegistry::existing("Form5")->MousePointer());
    };
    view("B100", 12, [&](Form5& f) {
        EXPECT_TRUE(f.ImagePsc.Visible());
        EXPECT_EQ(f.Picture2.Picture().width(), 800);
        EXPECT_EQ(f.MousePointer(), vb::vbDefault);
    });
    EXPECT_EQ(pointerWhileAsking, std::vector<int>{vb::vbHourglass});
    EXPECT_EQ(boxesWith("(481) File " + vb::LCase(appPath())), 1);
    EXPECT_EQ(boxesWith("xb100.gif Failed !! To try to recover ?"), 1);
    EXPECT_TRUE(testing_support::readBytes(gif) == whole);
    EXPECT_FALSE(svc.ended);
}

TEST_F(Viewer, HeaderAndBarStayAboveTheDiagramAtAnyZoomAndSize) {
    view("D100", 22, [&](Form5& f) {
        // The bar is as designed and holds both rows of component buttons.
        EXPECT_EQ(f.Picture1.Height(), 720);
        f.Show();
        QApplication::processEvents();
        const QRect bar = f.Picture1.widget()->geometry();
        EXPECT_EQ(bar.height(), 720 / vb::kTwipsPerPixel);
        EXPECT_EQ(bar.bottom(), f.height() - 1);
        for (auto& b : f.Command10)
            EXPECT_TRUE(QRect(QPoint(0, 0), bar.size()).contains(b->widget()->geometry())) << b->Index();

        // Zoomed x1.6 by a click on the diagram, the picture fills the window.
        clickAt(f, centreOf(f, f.ImagePsc));
        ASSERT_TRUE(f.Zoomed);
        EXPECT_EQ(f.ZoomFactor, 1.6);
        EXPECT_EQ(diagramOverHeaderOrBar(f), "");
        EXPECT_EQ(diagramTakesClicksOfHeaderOrBar(f), "");
        int opened = 0;
        on["Form7"] = [&](vb::Form*) { ++opened; };
        clickAt(f, f.Command10(12).widget()->mapTo(&f, QPoint(2, 2)));
        EXPECT_EQ(opened, 1);
        // A click on the header does not zoom out.
        clickAt(f, f.Shape2.widget()->geometry().bottomRight() - QPoint(3, 3));
        EXPECT_TRUE(f.Zoomed);

        // Resized from outside while zoomed; zoomed out there, resized again
        // and zoomed in at that size.
        for (QSize size : {QSize(700, 500), QSize(900, 700)}) {
            f.resize(size);
            QApplication::processEvents();
            EXPECT_EQ(f.Picture1.widget()->geometry().bottom(), f.height() - 1);
            EXPECT_EQ(diagramOverHeaderOrBar(f), "") << size.width();
            EXPECT_EQ(diagramTakesClicksOfHeaderOrBar(f), "") << size.width();
            for (vb::CommandButton* b : {&f.Command6, &f.Command7, &f.Command8, &f.Command9, &f.Command5})
                EXPECT_EQ(widgetAt(f, centreOf(f, *b)), b->widget())
                    << size.width() << " " << b->Name() << " under " << nameOf(widgetAt(f, centreOf(f, *b)));
            clickAt(f, QPoint(f.width() / 2, f.height() / 2));
        }
        EXPECT_TRUE(f.Zoomed);
        EXPECT_EQ(diagramOverHeaderOrBar(f), "");
        svc.printerAnswers.push_back({false});
        clickAt(f, centreOf(f, f.Command8));
        EXPECT_EQ(svc.printerDialogs, 1);
        clickAt(f, centreOf(f, f.Command7));
        EXPECT_EQ(svc.shown.back(), "Form6");
        clickAt(f, centreOf(f, f.Command6));
        EXPECT_TRUE(f.isUnloaded());
    });
}

TEST_F(Viewer, ComponentTooltipLeavesTheScreenWithTheHotspots) {
    view("B100", 12, [&](Form5& f) {
        f.Show();
        QApplication::processEvents();
        QWidget* diagram = f.ImagePsc.widget();
        auto at = [&](QPointF twips) {
            return diagram->mapTo(
                &f, QPoint(int(twips.x()) / vb::kTwipsPerPixel, int(twips.y()) / vb::kTwipsPerPixel));
        };
        const QPoint ecu = at(inside("B100", 0));
        moveAt(f, ecu);
        ASSERT_EQ(f.ImagePsc.ToolTipText(), "12   (1) Centralina iniezione");
        // The pointer rests on the component: the tip comes up.
        const QPoint local = diagram->mapFrom(&f, ecu);
        QHelpEvent rest(QEvent::ToolTip, local, diagram->mapToGlobal(local));
        QApplication::sendEvent(diagram, &rest);
        ASSERT_TRUE(QToolTip::isVisible());
        EXPECT_EQ(QToolTip::text().toStdString(), "12   (1) Centralina iniezione");
        // Out of every hot-spot: the text is cleared at the next move, and
        // the tip shown goes with it.
        moveAt(f, at(QPointF(300, 1000)));
        moveAt(f, at(QPointF(240, 1000)));
        EXPECT_EQ(f.ImagePsc.ToolTipText(), "");
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
    });
}

TEST_F(Viewer, LongVehicleLineStaysOnItsOwnLineInTheHeader) {
    choose("ARDESIA", "BORA/TRAMONTANA", "TRAMONTANA 1.6");
    bool ran = false;
    on["Form5"] = [&](vb::Form*) {
        ran = true;
        Form5& f = Form5::get();
        expectOneHeaderLine(f, f.Shape2, f.Label4, f.Label5);
        EXPECT_LT(headerLineInk(f, f.Shape2, f.Label5).right(), f.Shape2.widget()->geometry().right());
        // At full size the whole line is there, up to its last word.
        f.resize(1200, 900);
        QApplication::processEvents();
        EXPECT_GE(f.Label4.widget()->width(),
                  QFontMetrics(f.Label4.widget()->font())
                      .horizontalAdvance(QString::fromLatin1(f.Label4.Caption().c_str())));
        EXPECT_TRUE(vb::Right(f.Label4.Caption(), 10) == "CV(KW)/Rpm");
    };
    openViewer("K100", 12, "Iniezione benzina ARDESIA TRAMONTANA 1.6 PROVA");
    EXPECT_TRUE(ran);
}

} // namespace
