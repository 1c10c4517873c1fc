#include "core/interface.h"
#include "core/module1.h"
#include "frame/toolbar.h"
#include "platform/form.h"

#include "support/harness.h"
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTest>
#include <set>

using namespace testing_support;

namespace {

class ToolbarWindow : public vb::Form {
  public:
    explicit ToolbarWindow(const std::string& name, frame::ToolbarStyle style)
        : vb::Form(name), toolbar(*this, std::move(style)) {}
    void Form_KeyDown(int& KeyCode, int) override {
        if (toolbar.handleKey(KeyCode)) KeyCode = 0;
    }
    frame::Toolbar toolbar;
    vb::CommandButton Command7{*this, "Command7"};
};

class Toolbar : public WindowTest {
  protected:
    // A vehicle and the hand-overs with which every data window opens on
    // its own: a diagram, a text, the info list and the menu's locations.
    void chooseVehicleForEveryDataWindow() {
    chooseVehicle("ARDESIA", "ALBA", "ALBA 1.2 16V");
    core::PscCode = "B100";
    core::PscCaption = "Schema";
    core::DiagramMode = 12;
    core::Form7Mode = 1;
    core::Form7Code = "001";
    core::Form11Mode = 1;
    core::Form6FromMenu = 1;
    }
};

// The messages Qt's logging sends while it lives.
class LogCapture {
  public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            lines().push_back(std::string(context.category ? context.category : "") + ": " + text.toStdString());
        });
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& lines() {
        static std::vector<std::string> l;
        return l;
    }
    bool has(const std::string& part) const {
        for (const std::string& l : lines())
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

  private:
    QtMessageHandler previous_;
};

} // namespace

TEST_F(Toolbar, OwnPointerPairAndFocusAfterTheTarget) {
    std::vector<std::string> calls;
    frame::ToolbarStyle style;
    style.busy = [&] { calls.push_back("busy"); };
    style.ready = [&] { calls.push_back("ready"); };
    style.focusBeforeReady = [&](vb::CommandButton&) { calls.push_back("focus"); };
    ToolbarWindow w("Form9", style);
    svc.onShow = [&](vb::Form*, const std::string& name) { calls.push_back(name); };
    w.toolbar.Command2_Click();
    EXPECT_EQ(calls, (std::vector<std::string>{"busy", "Form8", "focus", "ready"}));
    EXPECT_EQ(core::ManualSection, 30);
    // Trouble codes use the window's busy pointer, not the pair.
    calls.clear();
    int pointer = -1;
    svc.onShow = [&](vb::Form*, const std::string&) { pointer = w.MousePointer(); };
    w.toolbar.Command20_Click();
    EXPECT_EQ(pointer, 11);
    EXPECT_EQ(calls, (std::vector<std::string>{"focus"}));
    EXPECT_EQ(w.MousePointer(), 0);
    EXPECT_EQ(w.Command7.MousePointer(), 99);
}

TEST_F(Toolbar, KeyMapDiffersByWindow) {
    ToolbarWindow plain("Form7", {});
    EXPECT_FALSE(plain.previewKey(27, 0));
    EXPECT_FALSE(plain.previewKey(124, 0));
    EXPECT_TRUE(svc.shown.empty());
    EXPECT_TRUE(plain.previewKey(123, 0));
    EXPECT_EQ(svc.shown, std::vector<std::string>{"Form4"});
    // F1 recomputes the help page from the window that asks.
    core::Form7Mode = 5;
    EXPECT_TRUE(plain.previewKey(112, 0));
    EXPECT_EQ(core::HelpCode, "013");
    EXPECT_EQ(core::ManualSection, 11);

    frame::ToolbarStyle sheet;
    sheet.escCloses = true;
    sheet.mapsF13 = true;
    auto* w = new ToolbarWindow("Form16", sheet);
    EXPECT_TRUE(w->previewKey(124, 0));
    EXPECT_EQ(svc.shown.back(), "Form14");
    EXPECT_TRUE(w->previewKey(112, 0));
    EXPECT_EQ(core::HelpCode, "003");
    w->previewKey(27, 0);
    EXPECT_TRUE(w->isUnloaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Toolbar, BrandDocumentsWindowHasNoBrandButton) {
    frame::ToolbarStyle style;
    style.hasBrandDocuments = false;
    ToolbarWindow w("Form14", style);
    EXPECT_FALSE(w.toolbar.Command30.Visible());
    w.toolbar.arrange(15360);
    EXPECT_EQ(w.toolbar.Command5.Left(), 15360 - 730);
    EXPECT_EQ(w.toolbar.Command4.Left(), 15360 - 730 - 3 * 645);
}

TEST_F(Toolbar, CloseButtonOnceThroughEsc) {
    // Esc mapped by the key handler closes the window; the cancel button
    // must not run a second time on a window already closed.
    frame::ToolbarStyle style;
    style.escCloses = true;
    int closes = 0;
    auto* w = new ToolbarWindow("Form2", style);
    style.close = nullptr;
    w->toolbar.Command6.Click = [&] {
        ++closes;
        w->Unload();
    };
    w->previewKey(27, 0);
    EXPECT_EQ(closes, 0); // the key map unloads directly through Command6_Click
    EXPECT_TRUE(w->isUnloaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Toolbar, EachButtonHasItsPictureTooltipKeyAndTarget) {
    startProgram();
    frame::ToolbarStyle style;
    style.escCloses = true;
    style.mapsF13 = true;
    auto* w = new ToolbarWindow("Form16", style);
    frame::Toolbar& t = w->toolbar;
    t.setUp();
    w->Show();
    struct Case {
        vb::CommandButton* button;
        Qt::Key key;
        const char* picture;
        int label;
        const char* opens;
        int section;
    };
    const Case cases[] = {
        {&t.Command5, Qt::Key_F1, "tashlp.gif", 41, "Form8", 11},
        {&t.Command1, Qt::Key_F2, "tasglo.gif", 35, "Form8", 20},
        {&t.Command2, Qt::Key_F3, "tasosc.gif", 36, "Form8", 30},
        {&t.Command3, Qt::Key_F4, "tasdia.gif", 38, "Form8", 50},
        {&t.Command4, Qt::Key_F5, "tasgas.gif", 39, "Form8", 40},
        {&t.Command20, Qt::Key_F12, "tasobd.gif", 86, "Form4", 20},
        {&t.Command30, Qt::Key_F13, "tasric.gif", 90, "Form14", 20},
        {&t.Command6, Qt::Key_Escape, "left.gif", 42, nullptr, 0},
    };
    int section = -1;
    svc.onShow = [&](vb::Form*, const std::string&) { section = core::ManualSection; };
    for (const Case& c : cases) {
        EXPECT_EQ(c.button->ToolTipText(), core::Des[size_t(c.label)]) << c.picture;
        EXPECT_EQ(c.button->Picture().toImage(), core::interfacePicture(c.picture).toImage()) << c.picture;
        if (!c.opens) continue;
        // A click on the button and its key open the same.
        for (bool byKey : {false, true}) {
            svc.shown.clear();
            section = -1;
            if (byKey)
                QTest::keyClick(w, c.key);
            else
                QTest::mouseClick(c.button->widget(), Qt::LeftButton);
            EXPECT_EQ(svc.shown, std::vector<std::string>{c.opens}) << c.picture << " " << byKey;
            EXPECT_EQ(section, c.section) << c.picture << " " << byKey;
        }
    }
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_TRUE(w->isUnloaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Toolbar, PicturesDrawnAtTheirButtonsSize) {
    // The help and glossary buttons are half as high as the others; a
    // picture taller than its button would be cut.
    startProgram();
    ToolbarWindow w("Form16", {});
    w.toolbar.setUp();
    frame::Toolbar& t = w.toolbar;
    for (vb::CommandButton* b : {&t.Command1, &t.Command2, &t.Command3, &t.Command4, &t.Command5, &t.Command6,
                                 &t.Command20, &t.Command30}) {
        const QPixmap& pic = b->Picture();
        ASSERT_FALSE(pic.isNull()) << b->Name();
        EXPECT_EQ(pic.width(), b->Width() / vb::kTwipsPerPixel) << b->Name();
        EXPECT_EQ(pic.height(), b->Height() / vb::kTwipsPerPixel) << b->Name();
    }
}

TEST_F(Toolbar, EveryDataWindowKeepsItsRowInReachWhenResizedFromOutside) {
    // The window manager or the user resizes the window: the band and every
    // button of the row follow the right edge and still take their clicks.
    chooseVehicleForEveryDataWindow();
    for (const char* name :
         {"Form2", "Form15", "Form5", "Form6", "Form7", "Form9", "Form11", "Form12", "Form14", "Form16"}) {
        vb::Form* f = vb::FormRegistry::get(name);
        ASSERT_TRUE(f) << name;
        f->Show();
        QApplication::processEvents();
        // At the size the window takes at load (the screen's), the help and
        // glossary column lies wholly inside the window.
        for (const char* button : {"Command5", "Command1"}) {
            QWidget* w = f->findControl(button)->widget();
            EXPECT_TRUE(f->rect().contains(QRect(w->mapTo(f, QPoint(0, 0)), w->size())))
                << name << " at load: " << button;
        }
        for (const QSize size : {QSize(700, 500), QSize(1100, 800), QSize(640, 480)}) {
            f->resize(size);
            QApplication::processEvents();
            ASSERT_EQ(f->size(), size);
            const std::string where = std::string(name) + " at " + std::to_string(size.width()) + "x" +
                                      std::to_string(size.height()) + ": ";
            for (const char* button : {"Command5", "Command1", "Command2", "Command3", "Command4",
                                       "Command20", "Command30", "Command6"}) {
                vb::Control* c = f->findControl(button);
                if (!c || !c->Visible()) continue;
                QWidget* w = c->widget();
                const QRect r(w->mapTo(f, QPoint(0, 0)), w->size());
                // Every button of the row, the rightmost column included, is
                // whole inside the window.
                EXPECT_TRUE(f->rect().contains(r)) << where << button;
                QWidget* hit = testing_support::widgetAt(*f, r.center());
                EXPECT_TRUE(hit == w || w->isAncestorOf(hit))
                    << where << button << " is covered by " << testing_support::nameOf(hit);
            }
            vb::Control* help = f->findControl("Command5");
            const QRect r(help->widget()->mapTo(f, QPoint(0, 0)), help->widget()->size());
            EXPECT_LE(f->width() - 1 - r.right(), 150 / vb::kTwipsPerPixel) << where << "help column";
            svc.shown.clear();
            testing_support::clickAt(*f, r.center());
            testing_support::clickAt(*f, f->findControl("Command20")->widget()->mapTo(f, QPoint(10, 10)));
            EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form8", "Form4"})) << where;
        }
    }
}

TEST_F(Toolbar, MissingPicturesLeaveTheirButtonsEmptyAndCanBeLogged) {
    startProgram();
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("mas/tasobd.gif"))));
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("mas/indice.cur"))));
    {
        // Off by default: nothing is said.
        LogCapture log;
        ToolbarWindow w("Form16", {});
        w.toolbar.setUp();
        EXPECT_TRUE(w.toolbar.Command20.Picture().isNull());
        EXPECT_FALSE(w.toolbar.Command4.Picture().isNull());
        EXPECT_EQ(w.toolbar.Command4.MouseIcon(), nullptr);
        EXPECT_EQ(w.toolbar.Command4.MousePointer(), vb::vbCustom);
        EXPECT_TRUE(log.lines().empty());
    }
    // Switched on, each skipped file is named once per set-up.
    QLoggingCategory::setFilterRules(QStringLiteral("catalogue.*=true"));
    LogCapture log;
    ToolbarWindow w("Form16", {});
    w.toolbar.setUp();
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(log.has("catalogue.pictures: picture " + core::AppPath + "\\mas\\tasobd.gif not loaded"));
    EXPECT_TRUE(log.has("catalogue.pictures: cursor " + core::AppPath + "\\mas\\indice.cur not loaded"));
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST_F(Toolbar, DataWindowsShowTheHourglassOnTheirOwnControlsWhileTheyWork) {
    // A manual opened from the toolbar: until it closes, the window and the
    // controls it lists show the hourglass; then the window its default
    // pointer and those controls the hand. The others keep what they had.
    chooseVehicleForEveryDataWindow();
    const std::vector<std::string> row = {"Command6", "Command1", "Command2",
                                          "Command3", "Command4", "Command5"};
    auto with = [&row](std::vector<std::string> more) {
        more.insert(more.end(), row.begin(), row.end());
        return std::set<std::string>(more.begin(), more.end());
    };
    const std::pair<const char*, std::set<std::string>> windows[] = {
        {"Form5", with({"Command7", "Command8", "Command9", "Command10"})},
        {"Form6", with({"Command7"})},
        {"Form7", with({"Command7", "Command8"})},
        {"Form9",
         with({"Command7", "Command8", "Command10", "Command11", "Command12", "Command13", "Command14"})},
        {"Form11", with({"Command7", "Grid1"})},
        {"Form12", with({"Command7", "Command8"})},
        {"Form14", with({"Command7", "Command20", "MSGrid1"})},
    };
    for (const auto& [name, listed] : windows) {
        vb::Form* f = vb::FormRegistry::get(name);
        ASSERT_TRUE(f) << name;
        f->Show();
        QApplication::processEvents();
        std::vector<std::pair<vb::Control*, int>> before;
        for (vb::Control* c : f->Controls())
            before.push_back({c, c->MousePointer()});
        int windowPointer = -1;
        std::set<std::string> busy;
        svc.onShow = [&](vb::Form*, const std::string&) {
            windowPointer = f->MousePointer();
            for (vb::Control* c : f->Controls())
                if (c->MousePointer() == vb::vbHourglass) busy.insert(c->Name());
        };
        QWidget* button = f->findControl("Command2")->widget();
        testing_support::clickAt(*f, button->mapTo(f, QPoint(10, 10)));
        svc.onShow = nullptr;
        EXPECT_EQ(svc.shown.back(), "Form8") << name;
        EXPECT_EQ(windowPointer, vb::vbHourglass) << name;
        EXPECT_EQ(busy, listed) << name;
        EXPECT_EQ(f->MousePointer(), vb::vbDefault) << name;
        for (const auto& [c, pointer] : before)
            EXPECT_EQ(c->MousePointer(), listed.count(c->Name()) ? vb::vbCustom : pointer)
                << name << " " << c->Name() << " " << c->Index();
        f->Unload();
    }
}
