#pragma once
// Start-up is timed from exec to the first frame on the screen. The start-up
// benchmark (bench/startup.sh) asks for it with CATALOGUE_FIRST_FRAME in the
// environment: once the first window has painted, the process prints
// "first-frame <microseconds since the epoch>" and ends. Users never set it.
//
// Header-only on Qt alone, so that the benchmark's reference program reports
// its first frame the same way without linking the program.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

class FirstFrameReport : public QObject {
  public:
    // end runs once the time is printed.
    explicit FirstFrameReport(std::function<void()> end) : end_(std::move(end)) {
        qApp->installEventFilter(this);
    }

    static bool asked() { return qEnvironmentVariableIsSet("CATALOGUE_FIRST_FRAME"); }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            qApp->removeEventFilter(this);
            // The painted frame is flushed to the screen in the same pass as
            // the paint events; a zero timer runs after that flush.
            QTimer::singleShot(0, this, [this] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                std::printf("first-frame %lld\n",
                            static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
                std::fflush(stdout);
                end_();
            });
        }
        return false;
    }

  private:
    std::function<void()> end_;
};
