// The reference library: finding a trouble code in a 10,000-code table the
// way the trouble-code browser does (against SQLite in memory with an index
// on the same two columns), and painting a 1,000-line manual page.

#include "app/windows.h"
#include "bench_support.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "db/dbase.h"
#include "db/query.h"
#include "documents/brand_documents.h"
#include "documents/manual_viewer.h"
#include "documents/trouble_code_browser.h"
#include "documents/trouble_codes.h"
#include "platform/program_folder.h"
#include "sampledata/output.h"
#include "sampledata/reference.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#ifdef HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr int kCodes = 10000;

struct Codes {
    QTemporaryDir dir;
    std::string folder;
    std::vector<sampledata::TroubleCode> codes;
    Codes() {
        sampledata::Options o;
        const sampledata::Output out(dir.path().toStdString(), o);
        sampledata::writeTroubleCodes(out, kCodes);
        folder = dir.path().toStdString() + "/obd";
        codes = sampledata::troubleCodes(kCodes);
    }
};

Codes& codes() {
    static Codes c;
    return c;
}

// The lookups of the benchmark: every 97th code, over all brands.
std::vector<std::pair<std::string, std::string>> lookups() {
    std::vector<std::pair<std::string, std::string>> r;
    const auto& all = codes().codes;
    for (size_t i = 0; i < all.size(); i += 97) {
        std::string code = all[i].code;
        r.push_back({all[i].brand, core::ScrambleString(code)});
    }
    return r;
}

// Finding the code in the open record set of the whole table: the query
// SQLite answers below from its index.
void BM_TroubleCodeFind(benchmark::State& state) {
    Codes& c = codes();
    const auto keys = lookups();
    db::DataControl data;
    data.Connect = "dBASE IV;";
    data.DatabaseName = c.folder;
    data.RecordSource = "xcod_ita.dbf";
    data.Refresh();
    db::Recordset& rs = data.Recordset();
    size_t i = 0;
    int64_t found = 0;
    for (auto _ : state) {
        const auto& [brand, code] = keys[i++ % keys.size()];
        rs.FindFirst(documents::obdCodeCriteria(brand, code));
        if (!rs.NoMatch()) ++found;
        benchmark::DoNotOptimize(rs.Fields("c3"));
    }
    if (found != state.iterations()) state.SkipWithError("a code was not found");
}
BENCHMARK(BM_TroubleCodeFind)->Unit(benchmark::kMicrosecond);

// The browser's whole step when a code is chosen: the whole table as record
// source, a move to the last and the first record, the find.
void BM_TroubleCodeDescribe(benchmark::State& state) {
    Codes& c = codes();
    const auto keys = lookups();
    db::DataControl data;
    data.Connect = "dBASE IV;";
    data.DatabaseName = c.folder;
    data.RecordSource = "xcod_ita.dbf";
    data.Refresh(); // loads the table once; the steps below are timed
    size_t i = 0;
    int64_t found = 0;
    for (auto _ : state) {
        const auto& [brand, code] = keys[i++ % keys.size()];
        data.Refresh();
        db::Recordset& rs = data.Recordset();
        rs.MoveLast();
        rs.MoveFirst();
        rs.FindFirst(documents::obdCodeCriteria(brand, code));
        if (!rs.NoMatch()) ++found;
        benchmark::DoNotOptimize(documents::obdDescription(*rs.Fields("c3")));
    }
    if (found != state.iterations()) state.SkipWithError("a code was not found");
}
BENCHMARK(BM_TroubleCodeDescribe)->Unit(benchmark::kMicrosecond);

// The brand's code list, as the browser fills it.
void BM_TroubleCodeList(benchmark::State& state) {
    Codes& c = codes();
    db::DataControl data;
    data.Connect = "dBASE IV;";
    data.DatabaseName = c.folder;
    const char* brands[] = {"STANDARD", "ARDESIA", "CALDERA"};
    size_t i = 0;
    for (auto _ : state) {
        data.RecordSource = documents::obdCodeListQuery("_ita", brands[i++ % 3]);
        data.Refresh();
        db::Recordset& rs = data.Recordset();
        int n = 0;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            benchmark::DoNotOptimize(documents::obdCode(*rs.Fields("C2")).size() + size_t(++n));
    }
}
BENCHMARK(BM_TroubleCodeList)->Unit(benchmark::kMicrosecond);

#ifdef HAVE_SQLITE
struct Sqlite {
    sqlite3* db = nullptr;
    ~Sqlite() { sqlite3_close(db); }
};

std::unique_ptr<Sqlite> loadSqlite() {
    auto s = std::make_unique<Sqlite>();
    sqlite3_open(":memory:", &s->db);
    const db::Table t = db::Table::open(codes().folder + "/xcod_ita.dbf");
    sqlite3_exec(s->db, "CREATE TABLE codes(C1 TEXT, C2 TEXT, C3 TEXT)", nullptr, nullptr, nullptr);
    sqlite3_exec(s->db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(s->db, "INSERT INTO codes VALUES(?, ?, ?)", -1, &st, nullptr);
    for (std::size_t r = 0; r < t.recordCount(); ++r) {
        for (int f = 0; f < 3; ++f) {
            const auto v = t.view(r, f);
            sqlite3_bind_text(st, f + 1, v->data(), int(v->size()), SQLITE_STATIC);
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(s->db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_exec(s->db, "CREATE INDEX brand_code ON codes(C1, C2)", nullptr, nullptr, nullptr);
    return s;
}

void BM_TroubleCodeFindSqlite(benchmark::State& state) {
    static const std::unique_ptr<Sqlite> s = loadSqlite();
    const auto keys = lookups();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(s->db, "SELECT * FROM codes WHERE C1 = ? AND C2 = ? LIMIT 1", -1, &st, nullptr);
    size_t i = 0;
    int64_t found = 0;
    for (auto _ : state) {
        const auto& [brand, code] = keys[i++ % keys.size()];
        std::string key = documents::obdBrandKey(brand);
        const std::string c1 = core::ScrambleString(key);
        sqlite3_bind_text(st, 1, c1.data(), int(c1.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, code.data(), int(code.size()), SQLITE_STATIC);
        if (sqlite3_step(st) == SQLITE_ROW) {
            ++found;
            benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    if (found != state.iterations()) state.SkipWithError("a code was not found");
}
BENCHMARK(BM_TroubleCodeFindSqlite)->Unit(benchmark::kMicrosecond);
#endif

// A page of 1,000 marked-up lines painted and drawn: as the window shows it
// (the lines that fit, the rest scrolled), and with every line painted.
void paintPage(benchmark::State& state, bool allLines) {
    auto* f = new documents::Form8;
    f->setWidth(15360);
    f->setHeight(11520);
    for (int i = 0; i < 1000; ++i)
        f->PageLines.push_back(i % 7 == 0
                                   ? std::string()
                                   : "[Riga " + std::to_string(i) +
                                         "] testo normale ^valore~ e &avviso| fine della riga di prova");
    f->LineCount = 1000;
    f->VisibleLines = allLines ? 1000 : 45;
    f->FirstLine = 500;
    f->TextLeft = 100;
    f->TextTop = 800;
    QImage img(f->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        f->Draw_Pagina(0, 12, 12, 14, 4);
        QPainter p(&img);
        f->render(&p);
    }
    state.counters["items"] = double(f->Surface.items().size());
    delete f;
}

void BM_ManualPagePaint(benchmark::State& state) {
    paintPage(state, false);
}
BENCHMARK(BM_ManualPagePaint)->Unit(benchmark::kMillisecond);

void BM_ManualPagePaintAllLines(benchmark::State& state) {
    paintPage(state, true);
}
BENCHMARK(BM_ManualPagePaintAllLines)->Unit(benchmark::kMillisecond);

// The windows on the sample data, as the user meets them: each step must fit
// in one frame. A window's Load is its construction and Form_Load, without
// showing or painting it.
void BM_TroubleCodeBrowserLoad(benchmark::State& state) {
    for (auto _ : state) {
        documents::Form4& f = documents::Form4::get();
        benchmark::DoNotOptimize(f.List1.ListCount());
        state.PauseTiming();
        f.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TroubleCodeBrowserLoad)->Unit(benchmark::kMillisecond);

void BM_TroubleCodeBrandChoice(benchmark::State& state) {
    documents::Form4& f = documents::Form4::get();
    int i = 0;
    for (auto _ : state) {
        i = i % 3 + 1; // ARDESIA, BRENTA, CALDERA
        f.Combo1.setListIndex(i);
    }
    state.counters["codes"] = f.List1.ListCount();
}
BENCHMARK(BM_TroubleCodeBrandChoice)->Unit(benchmark::kMillisecond);

void BM_TroubleCodeChoice(benchmark::State& state) {
    documents::Form4& f = documents::Form4::get();
    f.Combo1.setListIndex(0);
    int i = 0;
    for (auto _ : state) {
        i = (i + 37) % f.List1.ListCount();
        f.List1.setListIndex(i);
    }
}
BENCHMARK(BM_TroubleCodeChoice)->Unit(benchmark::kMicrosecond);

void BM_ManualIndexLoad(benchmark::State& state) {
    core::ManualSection = 30;
    for (auto _ : state) {
        documents::Form8& f = documents::Form8::get();
        benchmark::DoNotOptimize(f.MSGrid1.Rows());
        state.PauseTiming();
        f.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ManualIndexLoad)->Unit(benchmark::kMillisecond);

void BM_ManualTopicOpenAndBack(benchmark::State& state) {
    core::ManualSection = 20;
    documents::Form8& f = documents::Form8::get();
    int r = 0;
    for (auto _ : state) {
        r = (r + 7) % f.MSGrid1.Rows();
        f.MSGrid1.setRow(r);
        f.MSGrid1_DblClick();
        f.Command8_Click();
    }
    f.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_ManualTopicOpenAndBack)->Unit(benchmark::kMillisecond);

// A brand document opened from the list, and the way back to the list.
void brandDocument(benchmark::State& state, bool timeOpen) {
    documents::Form14& f = documents::Form14::get();
    int r = 0;
    for (auto _ : state) {
        if (!timeOpen) state.PauseTiming();
        f.MSGrid1.setRow(r);
        r = (r + 1) % f.MSGrid1.Rows();
        f.MSGrid1_DblClick();
        if (timeOpen)
            state.PauseTiming();
        else
            state.ResumeTiming();
        f.Command6_Click();
        if (timeOpen) state.ResumeTiming();
    }
}
void BM_BrandDocumentOpen(benchmark::State& state) {
    brandDocument(state, true);
}
BENCHMARK(BM_BrandDocumentOpen)->Unit(benchmark::kMillisecond);
void BM_BrandDocumentClose(benchmark::State& state) {
    brandDocument(state, false);
}
BENCHMARK(BM_BrandDocumentClose)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    vb::setProgramFolder(copyDataFolder(dir));
    static BenchServices services;
    vb::setServices(&services);
    registerAllWindows();
    vb::FormRegistry::get("Form1");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
