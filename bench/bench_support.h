#pragma once
// Quiet desktop services for benchmarks: no boxes, a fixed screen.
#include "app/first_frame.h"
#include "platform/form.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

struct BenchServices : vb::Services {
    int boxes = 0;
    int msgBox(const std::string& prompt, int, const std::optional<std::string>&) override {
        ++boxes;
        std::fprintf(stderr, "message: %s\n", prompt.c_str());
        return vb::vbYes;
    }
    void beep() override {}
    int screenWidth() const override { return 15360; }
    int screenHeight() const override { return 11520; }
    void showModal(vb::Form& form, vb::Form*) override { form.Unload(); }
    [[noreturn]] void endProgram() override { std::abort(); }
};

// Modal windows as on the desktop, for timing a click to the first frame of
// the window it opens: the window is shown over its owner and runs its modal
// loop, and is unloaded once it has painted.
struct PaintingServices : BenchServices {
    using Clock = std::chrono::steady_clock;
    Clock::time_point painted;
    int opened = 0;
    void showModal(vb::Form& form, vb::Form* owner) override {
        ++opened;
        AfterFirstFrame done(
            [&] {
                painted = Clock::now();
                form.Unload();
            },
            &form);
        form.runModalLoop(owner);
    }
};

// Seconds from a left click on target to the first painted frame of the
// window the click opens, through the services given; -1 when no window
// opened.
inline double clickToPainted(QWidget* target, PaintingServices& services) {
    vb::Services& before = vb::services();
    vb::setServices(&services);
    const int opened = services.opened;
    const auto start = PaintingServices::Clock::now();
    QTest::mouseClick(target, Qt::LeftButton);
    vb::setServices(&before);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (services.opened == opened) return -1;
    return std::chrono::duration<double>(services.painted - start).count();
}

// Shows window and returns once its first frame is painted; false when none
// came within five seconds.
inline bool showUntilPainted(QWidget& window, const std::function<void()>& show) {
    QEventLoop loop;
    bool painted = false;
    AfterFirstFrame done(
        [&] {
            painted = true;
            loop.quit();
        },
        &window);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    show();
    if (!painted) loop.exec();
    return painted;
}

// A copy of the data folder in a temporary folder, so that benchmarks never
// write into the build.
inline std::string copyDataFolder(const QTemporaryDir& dir) {
    namespace fs = std::filesystem;
    for (const auto& e : fs::directory_iterator(SAMPLE_DATA_DIR))
        if (e.is_directory())
            fs::copy(e.path(), fs::path(dir.path().toStdString()) / e.path().filename(),
                     fs::copy_options::recursive);
    return dir.path().toStdString();
}
