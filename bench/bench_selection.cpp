// The main window on a catalogue of 50,000 models: brand choice through
// family choice, model query, grid fill and model choice, and the window's
// paint.
#include "bench_support.h"

#include "app/windows.h"
#include "core/module1.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "sampledata/expected.h"
#include "sampledata/sampledata.h"
#include "selection/main_window.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

selection::Form2* g_form = nullptr;
int g_bigBrand = -1;

void BM_BrandChoiceToModelChosen(benchmark::State& state) {
    selection::Form2& f = *g_form;
    int other = g_bigBrand == 0 ? 1 : 0;
    for (auto _ : state) {
        f.ListaMarche.setListIndex(g_bigBrand);
        state.PauseTiming();
        f.ListaMarche.setListIndex(other);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BrandChoiceToModelChosen)->Unit(benchmark::kMillisecond);

void BM_FamilyChoiceToModelChosen(benchmark::State& state) {
    selection::Form2& f = *g_form;
    f.ListaMarche.setListIndex(g_bigBrand);
    int r = 0;
    for (auto _ : state) {
        r = (r + 37) % f.GridFamiglie.Rows();
        f.GridFamiglie.setRow(r);
    }
}
BENCHMARK(BM_FamilyChoiceToModelChosen)->Unit(benchmark::kMillisecond);

// The model query and the grid fill. Load_Modelli ends by choosing the
// first model, as the window does; that choice is timed on its own in the
// same iteration and left out, so the figure is the query and the fill alone.
void BM_ModelQueryAndFill(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    selection::Form2& f = *g_form;
    f.ListaMarche.setListIndex(g_bigBrand);
    for (auto _ : state) {
        const auto start = Clock::now();
        f.Load_Modelli();
        const auto loaded = Clock::now();
        f.MSGrid1_Click();
        const auto chosen = Clock::now();
        const std::chrono::duration<double> fill = (loaded - start) - (chosen - loaded);
        state.SetIterationTime(std::max(0.0, fill.count()));
    }
    state.counters["models"] = f.MSGrid1.Rows() - 1;
}
BENCHMARK(BM_ModelQueryAndFill)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ModelQueryOnly(benchmark::State& state) {
    selection::Form2& f = *g_form;
    f.ListaMarche.setListIndex(g_bigBrand);
    for (auto _ : state) {
        f.Data3.Refresh();
        benchmark::DoNotOptimize(f.Data3.Recordset().RecordCount());
    }
}
BENCHMARK(BM_ModelQueryOnly)->Unit(benchmark::kMicrosecond);

void BM_ModelTableReadOnce(benchmark::State& state) {
    const std::string path =
        core::AppPath + "\\Ark\\Xmod_" + std::string(sampledata::expected::kBigBrandId) + ".dbf";
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::readAll(path).size());
}
BENCHMARK(BM_ModelTableReadOnce)->Unit(benchmark::kMicrosecond);

void BM_ModelChoice(benchmark::State& state) {
    selection::Form2& f = *g_form;
    f.ListaMarche.setListIndex(g_bigBrand);
    int r = 1;
    for (auto _ : state) {
        r = r % (f.MSGrid1.Rows() - 1) + 1;
        f.MSGrid1.setRow(r);
    }
}
BENCHMARK(BM_ModelChoice)->Unit(benchmark::kMicrosecond);

// One full paint of the main window, every control in it, on the big
// brand with its model grid filled; rendered into an image so that no
// platform can skip the paint.
void BM_MainWindowPaint(benchmark::State& state) {
    selection::Form2& f = *g_form;
    f.ListaMarche.setListIndex(g_bigBrand);
    f.show();
    QCoreApplication::processEvents();
    QImage image(f.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        f.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    f.hide();
    state.counters["pixels"] = double(image.width()) * image.height();
}
BENCHMARK(BM_MainWindowPaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    sampledata::Options o;
    o.bigCatalogueModels = 50000;
    sampledata::writeSampleData(dir.path().toStdString(), o);
    vb::setProgramFolder(dir.path().toStdString());
    static BenchServices services;
    vb::setServices(&services);
    registerAllWindows();
    vb::FormRegistry::get("Form1");
    g_form = &selection::Form2::get();
    for (int i = 0; i < g_form->ListaMarche.ListCount(); ++i)
        if (g_form->ListaID_Marche.List(i) == sampledata::expected::kBigBrandId) g_bigBrand = i;
    if (g_bigBrand < 0) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
