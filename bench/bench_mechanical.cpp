// The mechanical windows on the sample data: the technical-data walk, the
// data sheet of a model with every category and 200 rows, the showcase
// model's data sheet, torque page and A/C page.
#include "bench_support.h"

#include "app/windows.h"
#include "core/module1.h"
#include "core/technical_data.h"
#include "mechanical/ac_window.h"
#include "mechanical/data_sheet.h"
#include "mechanical/data_sheet_window.h"
#include "mechanical/torque_window.h"
#include "platform/program_folder.h"
#include "selection/main_window.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

std::string item(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    return std::string{hex[text.size() / 16], hex[text.size() % 16]} + text;
}
std::string group(const std::string& code, const std::string& value, const std::string& unit = {},
                  const std::string& further = {}, const std::string& note = {}) {
    return item(code) + item(value) + item(unit) + item(further) + item(note);
}

// A model with every category of the dictionaries, tightening formulas, A/C
// records and sequences, in 200 grid rows.
std::string richTechnicalData() {
    const char* const codes[] = {"A01", "A02", "A03", "A04", "A05", "B01", "B02", "C01", "C02", "C03",
                                 "C05", "D01", "D02", "D03", "D04", "E01", "E02", "F01", "F02", "G01",
                                 "H01", "R01", "R02", "R03", "R04", "R05", "R07", "R08", "S01", "S02",
                                 "S03", "S04", "S05", "T01", "T02", "U01", "U02", "U03"};
    std::string s;
    for (int round = 0; round < 4; ++round)
        for (const char* c : codes) {
            const char k = c[0];
            if (k == 'R' && (c[2] == '2' || c[2] == '4'))
                s += group(c, "L01C0702E0703C0504E0905C0906E0507C0308E1109C1110E03");
            else if (k == 'R' || k == 'S' || k == 'T')
                s += group(c, "A2+B90+B90+A1,5 x3+I4,5+L6+");
            else if (std::string(c) == "U01")
                s += group(c, "A085025ATB120000BUC0600  C ");
            else
                s += group(c, "12 - 14", "02", round % 2 ? "valore ulteriore" : "", round % 3 ? "" : "nota");
        }
    return s;
}

void BM_TechnicalDataWalk(benchmark::State& state) {
    std::string big;
    while (big.size() < (8u << 20))
        big += richTechnicalData();
    for (auto _ : state)
        benchmark::DoNotOptimize(core::tighteningFormulas(big));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(big.size()));
}
BENCHMARK(BM_TechnicalDataWalk)->Unit(benchmark::kMillisecond);

void BM_DataSheetRowsWithoutWidgets(benchmark::State& state) {
    mechanical::Form16& f = mechanical::Form16::get();
    const mechanical::SheetDictionaries d{f.ListaCategorie.items(), f.ListaDescrizioni.items(),
                                          f.ListaUnitaDiMisura.items(), f.ListaOperazioniSerraggio.items(),
                                          f.ListaOperazioniRicaricaAC.items()};
    const std::string dati = richTechnicalData();
    for (auto _ : state)
        benchmark::DoNotOptimize(mechanical::buildDataSheet(dati, "4/16V", d));
    state.counters["rows"] = double(mechanical::buildDataSheet(dati, "4/16V", d).size());
}
BENCHMARK(BM_DataSheetRowsWithoutWidgets)->Unit(benchmark::kMicrosecond);

// Rows, formats, icons and row heights into the window's grid, then one paint.
void BM_DataSheetOf200Rows(benchmark::State& state) {
    mechanical::Form16& f = mechanical::Form16::get();
    const std::string dati = richTechnicalData();
    QImage canvas(f.size(), QImage::Format_ARGB32);
    for (auto _ : state) {
        f.Grid1.setRows(0);
        std::string text = dati;
        f.Fill_GrigliaDatiTecnici(text);
        f.render(&canvas);
    }
    state.counters["rows"] = f.Grid1.Rows();
}
BENCHMARK(BM_DataSheetOf200Rows)->Unit(benchmark::kMillisecond);

// A window's construction and Form_Load, without showing or painting it.
template <class W> void load(benchmark::State& state) {
    for (auto _ : state) {
        W& w = W::get();
        benchmark::DoNotOptimize(&w);
        state.PauseTiming();
        w.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
void BM_LoadShowcaseDataSheet(benchmark::State& state) {
    load<mechanical::Form16>(state);
}
BENCHMARK(BM_LoadShowcaseDataSheet)->Unit(benchmark::kMillisecond);
void BM_LoadShowcaseTorquePage(benchmark::State& state) {
    load<mechanical::Form9>(state);
}
BENCHMARK(BM_LoadShowcaseTorquePage)->Unit(benchmark::kMillisecond);
void BM_LoadShowcaseAcPage(benchmark::State& state) {
    load<mechanical::Form12>(state);
}
BENCHMARK(BM_LoadShowcaseAcPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    copyDataFolder(dir);
    vb::setProgramFolder(dir.path().toStdString());
    static BenchServices services;
    vb::setServices(&services);
    registerAllWindows();
    vb::FormRegistry::get("Form1");
    selection::Form2::get(); // the first brand's first model: the showcase model
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
