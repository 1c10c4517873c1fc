// Model-table query cost: raw file read vs. our engine (cached and not) vs. SQLite in memory,
// each on tables of 50,000 and 500,000 models with the same 500 families (so a
// family has ten times the models in the bigger one: linear cost means 10x).
// Equal work: BM_ModelQueryRows and its reference BM_SqliteQueryRowsCovering
// both run the model query and read the grid's columns of every row.
// bench/query.sh runs them interleaved and prints the ratios.

#include "db/dbase.h"
#include "db/query.h"
#include "dbwriter/table_writer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifdef HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kFamilies = 500;

fs::path gDir;
std::vector<std::string> gFamilyKeys;

std::string padded(std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s;
}

// Keys carry a control byte and a byte >= 128, like the scrambled ones.
std::string familyKey(int i) {
    std::string k = "FAM\x17" + std::to_string(i);
    k.push_back('\xC3');
    return k;
}

std::string writeModelTable(int count) {
    const std::vector<db::FieldDef> fields = {
        {"Family____", 'C', 30}, {"carburante", 'C', 1},  {"INIEZ__COD", 'C', 4}, {"MODELLO___", 'C', 30},
        {"DATA__IMM_", 'C', 10}, {"MOTORE____", 'C', 12}, {"CILINDRATA", 'C', 6}, {"POTENZA___", 'C', 16},
        {"INIEZ_TIPO", 'C', 40}, {"FOTO__AUTO", 'C', 20}, {"schemi", 'C', 80},    {"presa_diag", 'C', 3},
        {"Ubi____Cod", 'C', 4},  {"info1__cod", 'C', 3},  {"CINGHIEPIC", 'C', 5}, {"CINGHIEAUX", 'C', 5},
        {"CINGHIETXT", 'C', 5},  {"ACCEN__COD", 'C', 4},  {"datitecnic", 'M', 10}};
    std::mt19937 rng(12345);
    const char fuels[] = {'B', 'D', 'G', 'B', 'D'};
    std::vector<std::vector<std::optional<std::string>>> records;
    records.reserve(std::size_t(count));
    for (int r = 0; r < count; ++r) {
        const int fam = static_cast<int>(rng() % kFamilies);
        const auto num = [&](int mod) { return std::to_string(rng() % mod); };
        records.push_back({padded(gFamilyKeys[fam], 30), std::string(1, fuels[rng() % 5]),
                           (rng() % 4 == 0) ? "0000" : "I" + num(999), "Model " + num(40),
                           num(30) + "-" + num(30), "ENG" + num(5000), num(9999), num(300) + "/" + num(9000),
                           "Injection " + num(50), "photo" + num(900), padded("A001B002C003", 80), num(999),
                           num(9999), num(999), num(99999), num(99999), num(99999), num(9999),
                           (r % 4 == 0) ? std::optional<std::string>(std::string(200, 'T')) : std::nullopt});
    }
    const fs::path dir = gDir / std::to_string(count);
    fs::create_directories(dir);
    const std::string path = (dir / "Xmod_01.dbf").string();
    db::writeTable(path, fields, records);
    return path;
}

// The table of `count` models, written on first use.
const std::string& modelTable(int count) {
    static std::map<int, std::string> written;
    auto it = written.find(count);
    if (it == written.end()) it = written.emplace(count, writeModelTable(count)).first;
    return it->second;
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(50000)->Arg(500000);
}

std::string modelQuery(const std::string& key, char fuel) {
    return "SELECT * FROM Xmod_01.dbf WHERE Family____=\"" + key + "\" AND carburante=\"" +
           std::string(1, fuel) + "\" ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
}

void BM_RawFileRead(benchmark::State& state) {
    const std::string& path = modelTable(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        const long size = std::ftell(f);
        std::fseek(f, 0, SEEK_SET);
        std::unique_ptr<char[]> buf(new char[static_cast<std::size_t>(size)]);
        benchmark::DoNotOptimize(std::fread(buf.get(), 1, static_cast<std::size_t>(size), f));
        std::fclose(f);
        benchmark::DoNotOptimize(buf.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}
BENCHMARK(BM_RawFileRead)->Apply(sizes)->Unit(benchmark::kMillisecond);

void BM_TableOpen(benchmark::State& state) {
    const std::string& path = modelTable(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(db::Table::open(path).recordCount());
}
BENCHMARK(BM_TableOpen)->Apply(sizes)->Unit(benchmark::kMillisecond);

db::DataControl modelControl(int count) {
    db::DataControl data;
    data.Connect = "dBase IV;";
    data.DatabaseName = fs::path(modelTable(count)).parent_path().string();
    return data;
}

int64_t queryFamily(db::DataControl& data, std::size_t family) {
    data.RecordSource = modelQuery(gFamilyKeys[family % gFamilyKeys.size()], 'B');
    data.Refresh();
    auto& rs = data.Recordset();
    if (rs.RecordCount() > 0) rs.MoveLast();
    return rs.RecordCount();
}

// Times `query` on one family after another, the table open with its indexes
// and each family queried once before: the main window's state after its
// first clicks.
void timeWarmQueries(benchmark::State& state, int64_t (*query)(db::DataControl&, std::size_t)) {
    db::DataControl data = modelControl(static_cast<int>(state.range(0)));
    db::clearTableCache();
    for (std::size_t f = 0; f < gFamilyKeys.size(); ++f)
        query(data, f);
    std::size_t i = 0;
    int64_t rows = 0;
    for (auto _ : state)
        rows += query(data, i++);
    state.counters["rows/query"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

void BM_ModelQueryCached(benchmark::State& state) {
    timeWarmQueries(state, queryFamily);
}
BENCHMARK(BM_ModelQueryCached)->Apply(sizes)->Unit(benchmark::kMicrosecond);

// The columns of the main window's model grid, read for every row it shows.
const char* const kGridFields[] = {"MODELLO___", "DATA__IMM_", "MOTORE____",
                                   "CILINDRATA", "POTENZA___", "INIEZ_TIPO"};

// The model query as the main window runs it: the statement, the record set,
// and every grid value of every row, moving through the set as the window does.
int64_t queryFamilyRows(db::DataControl& data, std::size_t family) {
    data.RecordSource = modelQuery(gFamilyKeys[family % gFamilyKeys.size()], 'B');
    data.Refresh();
    auto& rs = data.Recordset();
    if (rs.RecordCount() == 0) return 0;
    rs.MoveLast();
    rs.MoveFirst();
    int64_t rows = 0;
    while (!rs.Eof()) {
        for (const char* field : kGridFields)
            benchmark::DoNotOptimize(rs.Fields(field));
        rs.MoveNext();
        ++rows;
    }
    return rows;
}

// One family's query with all its grid values, every family shown once before.
// Reference: BM_SqliteQueryRowsCovering.
void BM_ModelQueryRows(benchmark::State& state) {
    timeWarmQueries(state, queryFamilyRows);
}
BENCHMARK(BM_ModelQueryRows)->Apply(sizes)->Unit(benchmark::kMicrosecond);

// The first query on each family of an open table: it puts the family's rows in
// order, reading their records (which the window reads next anyway).
void BM_ModelQueryFirstOfFamily(benchmark::State& state) {
    db::DataControl data = modelControl(static_cast<int>(state.range(0)));
    std::size_t i = gFamilyKeys.size();
    int64_t rows = 0;
    for (auto _ : state) {
        if (i == gFamilyKeys.size()) {
            state.PauseTiming();
            db::clearTableCache();
            queryFamily(data, 0);
            i = 1;
            state.ResumeTiming();
        }
        rows += queryFamily(data, i++);
    }
    state.counters["rows/query"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}
BENCHMARK(BM_ModelQueryFirstOfFamily)->Apply(sizes)->Unit(benchmark::kMicrosecond);

// The first query on the table: open, index build and the family's order.
void BM_ModelQueryUncached(benchmark::State& state) {
    db::DataControl data = modelControl(static_cast<int>(state.range(0)));
    std::size_t i = 0;
    int64_t rows = 0;
    for (auto _ : state) {
        db::clearTableCache();
        rows += queryFamily(data, i++);
    }
    state.counters["rows/query"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}
BENCHMARK(BM_ModelQueryUncached)->Apply(sizes)->Unit(benchmark::kMillisecond);

#ifdef HAVE_SQLITE
struct Sqlite {
    sqlite3* db = nullptr;
    ~Sqlite() { sqlite3_close(db); }
};

// Loads the table into an in-memory database (values as our reader returns them),
// with an index on the two filter columns, or (covering) one on the filter columns
// followed by the ORDER BY columns, so that no query sorts.
std::unique_ptr<Sqlite> loadSqlite(int count, bool covering = false) {
    auto s = std::make_unique<Sqlite>();
    sqlite3_open(":memory:", &s->db);
    const db::Table t = db::Table::open(modelTable(count));
    std::string create = "CREATE TABLE models(";
    std::string insert = "INSERT INTO models VALUES(";
    for (std::size_t f = 0; f < t.fields().size(); ++f) {
        create += (f ? ", " : "") + t.fields()[f].name + " TEXT";
        insert += f ? ", ?" : "?";
    }
    sqlite3_exec(s->db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(s->db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(s->db, (insert + ")").c_str(), -1, &st, nullptr);
    for (std::size_t r = 0; r < t.recordCount(); ++r) {
        for (std::size_t f = 0; f < t.fields().size(); ++f) {
            const auto v = t.view(r, static_cast<int>(f));
            if (v)
                sqlite3_bind_text(st, static_cast<int>(f + 1), v->data(), static_cast<int>(v->size()),
                                  SQLITE_STATIC);
            else
                sqlite3_bind_null(st, static_cast<int>(f + 1));
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(s->db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_exec(s->db,
                 covering ? "CREATE INDEX fam ON models(Family____, carburante, MODELLO___, DATA__IMM_, "
                            "MOTORE____)"
                          : "CREATE INDEX fam ON models(Family____, carburante)",
                 nullptr, nullptr, nullptr);
    return s;
}

// Each database is loaded once, so that interleaved runs do not load them again.
Sqlite* loadedSqlite(int count, bool covering) {
    static std::map<std::pair<int, bool>, std::unique_ptr<Sqlite>> loaded;
    auto& s = loaded[{count, covering}];
    if (!s) s = loadSqlite(count, covering);
    return s.get();
}

void BM_SqliteLoad(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadSqlite(static_cast<int>(state.range(0))).get());
}
BENCHMARK(BM_SqliteLoad)->Apply(sizes)->Unit(benchmark::kMillisecond);

// Runs the family query once per iteration, a family in turn, reading each
// row with readRow.
template <class ReadRow>
void runFamilyQuery(benchmark::State& state, Sqlite* s, const std::string& sql, ReadRow readRow) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(s->db, sql.c_str(), -1, &st, nullptr);
    std::size_t i = 0;
    int64_t rows = 0;
    for (auto _ : state) {
        const std::string& key = gFamilyKeys[i++ % gFamilyKeys.size()];
        sqlite3_bind_text(st, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
        while (sqlite3_step(st) == SQLITE_ROW) {
            readRow(st);
            ++rows;
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    state.counters["rows/query"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}

void runSqliteQuery(benchmark::State& state, bool indexed) {
    Sqlite* s = loadedSqlite(static_cast<int>(state.range(0)), false);
    const std::string sql =
        std::string("SELECT * FROM models") + (indexed ? "" : " NOT INDEXED") +
        " WHERE Family____=? AND carburante='B' ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
    runFamilyQuery(state, s, sql,
                   [](sqlite3_stmt* st) { benchmark::DoNotOptimize(sqlite3_column_text(st, 3)); });
}

void BM_SqliteQueryIndexed(benchmark::State& state) {
    runSqliteQuery(state, true);
}
BENCHMARK(BM_SqliteQueryIndexed)->Apply(sizes)->Unit(benchmark::kMicrosecond);

void BM_SqliteQueryScan(benchmark::State& state) {
    runSqliteQuery(state, false);
}
BENCHMARK(BM_SqliteQueryScan)->Apply(sizes)->Unit(benchmark::kMicrosecond);

// The reference of BM_ModelQueryRows: the same query and the grid's columns of
// every row, through an index that leaves nothing to sort.
void BM_SqliteQueryRowsCovering(benchmark::State& state) {
    Sqlite* s = loadedSqlite(static_cast<int>(state.range(0)), true);
    std::string sql = "SELECT ";
    for (const char* field : kGridFields)
        sql += std::string(field == kGridFields[0] ? "" : ", ") + field;
    sql += " FROM models WHERE Family____=? AND carburante='B' ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
    runFamilyQuery(state, s, sql, [](sqlite3_stmt* st) {
        for (int c = 0; c < static_cast<int>(std::size(kGridFields)); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            benchmark::DoNotOptimize(
                text ? std::optional<std::string>(std::in_place, text,
                                                  static_cast<std::size_t>(sqlite3_column_bytes(st, c)))
                     : std::nullopt);
        }
    });
}
BENCHMARK(BM_SqliteQueryRowsCovering)->Apply(sizes)->Unit(benchmark::kMicrosecond);
#endif

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    gDir = fs::temp_directory_path() /
           ("bench_query_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(gDir);
    int rc = 0;
    try {
        for (int i = 0; i < kFamilies; ++i)
            gFamilyKeys.push_back(familyKey(i));
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_query: %s\n", e.what());
        rc = 1;
    }
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(gDir, ec);
    return rc;
}
