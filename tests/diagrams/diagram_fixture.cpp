#include "diagram_fixture.h"

#include "platform/paths.h"

#include <QApplication>
#include <QFontMetrics>

namespace diagram_tests {

void DiagramTest::SetUp() {
    WindowTest::SetUp();
    svc.onShow.relay([this](vb::Form* f, const std::string& name) {
        auto it = on.find(name);
        if (it != on.end() && it->second) it->second(f);
    });
}

void DiagramTest::TearDown() {
    for (const auto& [name, hook] : on) {
        SCOPED_TRACE(name);
        hook.expectRan("left at the end of the test");
    }
    WindowTest::TearDown();
}

selection::Form2& DiagramTest::mainWindow() {
    startProgram();
    return selection::Form2::get();
}

void DiagramTest::choose(const std::string& brand, const std::string& family, const std::string& model) {
    chooseVehicle(brand, family, model);
}

void DiagramTest::openList() {
    mainWindow().Label10_Click(0);
}

void DiagramTest::openDiagram(int row) {
    auto& list = diagrams::Form15::get();
    list.MSGrid1.setRow(row);
    list.MSGrid1_DblClick();
}

void DiagramTest::openViewer(const std::string& code, int mode, const std::string& caption) {
    core::PscCode = code;
    core::PscCaption = caption;
    const auto saved = core::DiagramMode;
    core::DiagramMode = std::int16_t(mode);
    vb::showModalByName("Form5", &mainWindow());
    core::DiagramMode = saved;
}

std::string DiagramTest::file(const std::string& rel) const {
    return vb::resolvePath(appPath() + "\\" + rel);
}

int DiagramTest::boxesWith(const std::string& text) const {
    int n = 0;
    for (const auto& b : svc.boxes)
        if (b.prompt.find(text) != std::string::npos) ++n;
    return n;
}

QRect DiagramTest::headerLineInk(vb::Form& window, vb::Shape& frame, vb::Label& other) {
    other.widget()->hide();
    const QRect header = frame.widget()->geometry();
    const QImage shot = window.grab(header).toImage();
    other.widget()->show();
    QRect r;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            if (qBlue(c) > 90 && qRed(c) < 70 && qGreen(c) < 70) r |= QRect(x, y, 1, 1);
        }
    return r.translated(header.topLeft());
}

void DiagramTest::expectOneHeaderLine(vb::Form& window, vb::Shape& frame, vb::Label& line, vb::Label& next) {
    window.Show();
    QApplication::processEvents();
    const int lineHeight = QFontMetrics(line.widget()->font()).height();
    for (QSize size : {window.size(), QSize(700, 500), QSize(1100, 700)}) {
        window.resize(size);
        QApplication::processEvents();
        const QRect ink = headerLineInk(window, frame, next);
        ASSERT_FALSE(ink.isEmpty()) << size.width();
        EXPECT_LE(ink.height(), lineHeight) << size.width();
        EXPECT_LT(ink.bottom(), next.widget()->y()) << size.width();
        EXPECT_LT(ink.right(), std::max(frame.widget()->geometry().right(), window.width())) << size.width();
    }
}

} // namespace diagram_tests
