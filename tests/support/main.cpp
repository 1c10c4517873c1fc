#include "platform/events.h"

#include <QApplication>
#include <gtest/gtest.h>
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // The program's own application object, so that tests see events pass
    // through the same dispatch as the program's.
    vb::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
