// Start-up of the start window inside one process, and the decoding
// routines per megabyte. The start-up of the whole program, from exec to its
// first painted frame against a minimal Qt program, is bench/startup.sh.
#include "bench_support.h"

#include "app/windows.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/start_window.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "platform/services.h"
#include "sampledata/encode.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <random>

namespace {

QTemporaryDir* g_dir = nullptr;

// The start window's construction and Form_Load, not shown.
void BM_StartWindowLoad(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(vb::FormRegistry::get("Form1"));
        state.PauseTiming();
        vb::FormRegistry::unloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartWindowLoad)->Unit(benchmark::kMillisecond);

// The loaded start window shown, up to its first painted frame.
void BM_StartWindowShowToPainted(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        vb::Form* f = vb::FormRegistry::get("Form1");
        state.ResumeTiming();
        if (!showUntilPainted(*f, [f] { f->Show(); })) state.SkipWithError("the window never painted");
        state.PauseTiming();
        vb::FormRegistry::unloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartWindowShowToPainted)->Unit(benchmark::kMillisecond);

// An empty window of the same size, shown up to its first painted frame.
void BM_EmptyWindowShowToPainted(benchmark::State& state) {
    for (auto _ : state) {
        QWidget w;
        w.resize(1024, 768);
        if (!showUntilPainted(w, [&w] { w.show(); })) state.SkipWithError("the window never painted");
    }
}
BENCHMARK(BM_EmptyWindowShowToPainted)->Unit(benchmark::kMillisecond);

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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
