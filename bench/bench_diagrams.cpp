// The diagram viewer on the sample data: opening a new-format diagram (the
// load alone, and from the list's open button to the first painted frame),
// the hot-spot test with the most components a diagram holds, and the print
// bitmap's recolouring.
#include "bench_support.h"

#include "app/windows.h"
#include "core/component_lists.h"
#include "core/diagram_bitmap.h"
#include "core/diagram_records.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "diagrams/diagram_list.h"
#include "diagrams/diagram_viewer.h"
#include "platform/file_io.h"
#include "platform/picture.h"
#include "platform/program_folder.h"
#include "selection/main_window.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

std::string g_app;

void openViewer() {
    core::PscCode = "B100";
    core::PscCaption = "Iniezione benzina";
    core::DiagramMode = 12;
}

void closeViewer() {
    if (vb::Form* f = vb::FormRegistry::existing("Form5")) f->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The whole load of the viewer: window, header, toolbar, picture, lists, grid.
void BM_ViewerLoadNewFormat(benchmark::State& state) {
    openViewer();
    for (auto _ : state) {
        benchmark::DoNotOptimize(vb::FormRegistry::get("Form5"));
        state.PauseTiming();
        closeViewer();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ViewerLoadNewFormat)->Unit(benchmark::kMillisecond);

// The slowest data window as the user opens it: a click on the diagram
// list's open button, with the new-format diagram's row current, up to the
// viewer's first painted frame.
void BM_ViewerClickToPainted(benchmark::State& state) {
    static PaintingServices painting;
    selection::Form2::get().show();
    diagrams::Form15& list = diagrams::Form15::get();
    list.show();
    list.MSGrid1.setRow(0);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        const double seconds = clickToPainted(list.Command9.widget(), painting);
        if (seconds < 0) {
            state.SkipWithError("the click opened no window");
            break;
        }
        state.SetIterationTime(seconds);
    }
    list.Unload();
    selection::Form2::get().hide();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_ViewerClickToPainted)->UseManualTime()->Unit(benchmark::kMillisecond);

// The diagram itself on a loaded viewer: decode both pictures through their
// temporary files, overlay, both component lists, the sorted grid.
void BM_DiagramOpening(benchmark::State& state) {
    openViewer();
    diagrams::Form5& f = diagrams::Form5::get();
    for (auto _ : state) {
        f.ImageList1.Clear();
        f.Load_ImmagineSchema(f.DiagramFolder + f.DiagramPictureName);
        f.ListDescrSecond.Clear();
        f.ListDescrComp.Clear();
        core::FillListDescrSecond(f, core::AppPath + "\\psc\\psc_txt\\B100&.cpt");
        core::FillListDescrComp(f, core::AppPath + "\\psc\\psc_txt\\B100.cpt");
        f.Load_GrigliaComponenti();
    }
    closeViewer();
}
BENCHMARK(BM_DiagramOpening)->Unit(benchmark::kMillisecond);

// Qt alone on the same two pictures stored plain.
void BM_PlainPicturesWithQt(benchmark::State& state) {
    std::string gif = vb::readAll(core::AppPath + "\\psc\\xB100.gif");
    std::string bmp = vb::readAll(core::AppPath + "\\mas\\xpsc51.bmp");
    core::decodeHeader(gif, core::Key);
    core::decodeHeader(bmp, core::Key);
    vb::writeNew(g_app + "/plain.gif", gif);
    vb::writeNew(g_app + "/plain.bmp", bmp);
    for (auto _ : state) {
        QPixmap a = vb::LoadPicture(g_app + "/plain.gif");
        QPixmap b = vb::LoadPicture(g_app + "/plain.bmp");
        benchmark::DoNotOptimize(a.width() + b.width());
    }
}
BENCHMARK(BM_PlainPicturesWithQt)->Unit(benchmark::kMillisecond);

std::vector<std::string> components744() {
    std::vector<std::string> items;
    for (int i = 0; i < 744; ++i) {
        char rec[64];
        const int x = (i % 31) * 380, y = (i / 31) * 290;
        std::snprintf(rec, sizeof rec, "%6d%6d%6d%6d%-4s%4s%4s%1s%5s", x, y, x + 360, y + 270, "20", "0702",
                      "0702", "1", "00000");
        items.push_back(std::string(rec) + "Sensore giri motore");
    }
    return items;
}

// One pointer move over a diagram of 744 components, on the last one.
void BM_HotspotMove744(benchmark::State& state) {
    openViewer();
    diagrams::Form5& f = diagrams::Form5::get();
    f.ListDescrComp.Clear();
    for (const std::string& item : components744())
        f.ListDescrComp.AddItem(item);
    const core::Hotspot last = core::hotspotOf(f.ListDescrComp.List(743));
    bool flip = false;
    for (auto _ : state) {
        // Alternating between the last rectangle and empty paper.
        const float x = flip ? float(last.x1 + 10) : 11990.f;
        const float y = flip ? float(last.y1 + 10) : 7190.f;
        f.ImagePsc_MouseMove(0, 0, x, y);
        flip = !flip;
    }
    closeViewer();
}
BENCHMARK(BM_HotspotMove744)->Unit(benchmark::kMicrosecond);

std::string bitmap800x480() {
    QImage img(800, 480, QImage::Format_RGB32);
    img.fill(QColor(0xC0, 0xC0, 0xC0));
    for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 800; x += 5)
            img.setPixel(x, y, qRgb(0xFF, 0, 0));
    return core::sixteenColourBitmap(img);
}

// Read, recolour and write back the print bitmap, buffered.
void BM_RecolourBuffered(benchmark::State& state) {
    const std::string path = g_app + "/toroscat.bmp";
    const std::string original = bitmap800x480();
    for (auto _ : state) {
        state.PauseTiming();
        vb::writeNew(path, original);
        state.ResumeTiming();
        std::string bytes = vb::readAll(path);
        core::recolourBitmap(bytes, state.range(0) != 0);
        vb::writeAt(path, 1, bytes);
    }
}
BENCHMARK(BM_RecolourBuffered)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same rule one byte at a time through two file handles (before).
void BM_RecolourByteAtATime(benchmark::State& state) {
    const std::string path = g_app + "/toroscat.bmp";
    const std::string original = bitmap800x480();
    for (auto _ : state) {
        state.PauseTiming();
        vb::writeNew(path, original);
        state.ResumeTiming();
        FILE* in = std::fopen(path.c_str(), "rb");
        FILE* out = std::fopen(path.c_str(), "r+b");
        for (long pos = 118; pos < long(original.size()); ++pos) {
            std::fseek(in, pos, SEEK_SET);
            const int b = std::fgetc(in);
            std::fseek(out, pos, SEEK_SET);
            std::fputc(core::recolourByte(static_cast<unsigned char>(b), false), out);
            std::fflush(out);
        }
        std::fclose(in);
        std::fclose(out);
    }
}
BENCHMARK(BM_RecolourByteAtATime)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_app = copyDataFolder(dir);
    vb::setProgramFolder(g_app);
    static BenchServices services;
    vb::setServices(&services);
    registerAllWindows();
    vb::FormRegistry::get("Form1");
    selection::Form2::get();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
