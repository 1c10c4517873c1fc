// Start-up of the start window against an empty window, and the decoding
// routines per megabyte.
//
//   bench_startup                 in-process benchmarks
//   bench_startup --once-empty    one process showing an empty window, then exiting
//   bench_startup --once-start    one process starting as the program does, up to the
//                                 start window, then closed as the user closes it
// The two --once modes are for timing whole processes against each other, each up
// to its window's first paint:
//   hyperfine -N 'bench_startup --once-empty' 'bench_startup --once-start'
#include "bench_support.h"

#include "app/windows.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/start_window.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/services.h"
#include "sampledata/encode.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstring>
#include <functional>
#include <random>

namespace {

QTemporaryDir* g_dir = nullptr;

void BM_StartWindowLoad(benchmark::State& state) {
    for (auto _ : state) {
        vb::Form* f = vb::FormRegistry::get("Form1");
        f->Show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(f);
        state.PauseTiming();
        vb::FormRegistry::unloadAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartWindowLoad)->Unit(benchmark::kMillisecond);

void BM_EmptyWindowShow(benchmark::State& state) {
    for (auto _ : state) {
        QWidget w;
        w.resize(1024, 768);
        w.show();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_EmptyWindowShow)->Unit(benchmark::kMillisecond);

std::string storedLines(size_t bytes) {
    std::string line;
    for (int i = 0; i < 78; ++i)
        line.push_back(char('A' + i % 26));
    std::string stored = core::ScrambleString(line);
    std::string out;
    while (out.size() < bytes)
        out += stored + "\r\n";
    return out;
}

// Decodes 1 MB of stored ".cpt" lines with one of the line routines.
template <std::string (*Decode)(const std::string&)> void decodePerMB(benchmark::State& state) {
    const std::string text = storedLines(1 << 20);
    for (auto _ : state) {
        size_t n = 0, pos = 0;
        while (pos < text.size()) {
            size_t p = text.find("\r\n", pos);
            n += Decode(text.substr(pos, p - pos)).size();
            pos = p + 2;
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(decodePerMB<core::DescrambleLine>)->Name("BM_DescrambleLinePerMB")->Unit(benchmark::kMillisecond);
BENCHMARK(decodePerMB<core::DescrambleLineConv>)
    ->Name("BM_DescrambleLineConvPerMB")
    ->Unit(benchmark::kMillisecond);

// A scrambled picture of about 1 MB, loaded as the program loads one: header
// decoded, written to the temporary file and read into the start window's logo.
void BM_ScrambledFilePerMB(benchmark::State& state) {
    QImage noise(1040, 1040, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random());
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    noise.save(&buffer, "JPG", 92);
    const std::string path = core::AppPath + "/bench.jpg";
    vb::writeNew(path, sampledata::scrambleHeader(jpeg.toStdString(), core::Key));
    core::Form1& target = core::Form1::get();
    for (auto _ : state) {
        target.Image2.setPicture(QPixmap());
        core::LoadScrambledFile(path, 1);
        if (target.Image2.Picture().isNull()) state.SkipWithError("the picture was not loaded");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(jpeg.size()));
    state.counters["MB"] = double(jpeg.size()) / (1 << 20);
}
BENCHMARK(BM_ScrambledFilePerMB)->Unit(benchmark::kMillisecond);

// Ends the process once window has painted itself for the first time: by
// end when given, else by leaving the event loop.
class AfterFirstPaint : public QObject {
  public:
    AfterFirstPaint(QWidget& window, std::function<void()> end) : end_(std::move(end)) {
        window.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, qApp, end_);
        }
        return false;
    }

  private:
    std::function<void()> end_;
    bool done_ = false;
};

// As the program's main: the start window on the data folder next to the
// program, with the desktop services; the user then closes the start window,
// which ends the program the way it always ends.
int onceStart(int argc, char** argv) {
    vb::Application app(argc, argv);
    app.setApplicationName("Catalogue");
    vb::setProgramFolder(SAMPLE_DATA_DIR);
    registerAllWindows();
    try {
        startProgram();
    } catch (const vb::ProgramEnded&) {
        return 1; // the sample data always starts
    }
    vb::Form* start = vb::FormRegistry::get("Form1");
    AfterFirstPaint end(*start, [start] { start->close(); });
    return vb::execProgram();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && !std::strcmp(argv[1], "--once-start")) return onceStart(argc, argv);
    QApplication app(argc, argv);
    if (argc > 1 && !std::strcmp(argv[1], "--once-empty")) {
        QWidget w;
        w.resize(1024, 768);
        AfterFirstPaint end(w, [] { QCoreApplication::quit(); });
        w.show();
        return app.exec();
    }
    static BenchServices services;
    vb::setServices(&services);
    registerAllWindows();
    QTemporaryDir dir;
    g_dir = &dir;
    vb::setProgramFolder(copyDataFolder(dir));
    core::InitKeys();
    core::InitIdentityTable();
    core::AppPath = vb::programFolder();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
