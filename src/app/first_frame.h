#pragma once
// The moment a window's first frame is on the screen, for the benchmarks.
// Header-only on Qt alone, so that the start-up benchmark's reference
// program watches its first frame the same way without linking the program.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

// Runs done once the given window (or, without one, the first window of the
// application) has painted its first frame.
class AfterFirstFrame : public QObject {
  public:
    explicit AfterFirstFrame(std::function<void()> done, QWidget* window = nullptr)
        : done_(std::move(done)), window_(window) {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && watched->isWidgetType() &&
            (window_ ? watched == window_ : static_cast<QWidget*>(watched)->isWindow())) {
            qApp->removeEventFilter(this);
            // The painted frame is flushed to the screen in the same pass as
            // the paint events; a zero timer runs after that flush.
            QTimer::singleShot(0, this, [this] { done_(); });
        }
        return false;
    }

  private:
    std::function<void()> done_;
    QWidget* window_;
};

// Start-up is timed from exec to the first frame on the screen. The start-up
// benchmark (bench/startup.sh) asks for it with CATALOGUE_FIRST_FRAME in the
// environment: the process then prints "first-frame <microseconds since the
// epoch>" once its first window has painted, and ends. Users never set it.
inline bool firstFrameReportAsked() {
    return qEnvironmentVariableIsSet("CATALOGUE_FIRST_FRAME");
}

inline void printFirstFrameTime() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("first-frame %lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
    std::fflush(stdout);
}
