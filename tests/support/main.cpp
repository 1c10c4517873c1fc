#include "platform/events.h"

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Every test starts with the pointer off every window and no mouse button
// down, as when the test runs alone. A pointer that an earlier test left
// where this test's window comes up is in the window without having come
// in, and a move to where it already is moves nothing: neither is
// reported, as on a real screen. A button left down (a double click sent
// to a widget leaves it so) makes every move a drag.
class PointerOffEveryWindow : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        const QPoint away(-1000, -1000);
        QWindow out;
        out.setGeometry(QRect(away, QSize(10, 10)));
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QTestPrivate::qtestMouseButtons & b) QTest::mouseRelease(&out, b, {}, QPoint(1, 1));
        // From two places, so that the last one is a move wherever the
        // pointer was.
        QCursor::setPos(away + QPoint(1, 1));
        QCursor::setPos(away);
        QApplication::processEvents();
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // The program's own application object, so that tests see events pass
    // through the same dispatch as the program's.
    vb::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PointerOffEveryWindow);
    return RUN_ALL_TESTS();
}
