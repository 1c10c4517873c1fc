#include "db/query.h"
#include "dbwriter/table_writer.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>

namespace fs = std::filesystem;

namespace {

using testing_support::TempDir;

using Row = std::vector<std::optional<std::string>>;

// Models: family, fuel, injection code, model, years, engine, and a memo.
const std::vector<db::FieldDef> kModelFields = {
    {"FAMILY____", 'C', 6}, {"CARBURANTE", 'C', 1}, {"INIEZ__COD", 'C', 4}, {"MODELLO___", 'C', 8},
    {"DATA__IMM_", 'C', 9}, {"MOTORE____", 'C', 4}, {"DATITECNIC", 'M', 10}};

// Family keys hold a control byte and a byte >= 128, as scrambled keys do.
const std::string kFam = std::string("F\x17\xC8", 3);

const std::vector<Row> kModels = {
    {kFam, "B", "0000", "Zeta", "1990-1995", "E1", "memo 0"},     // 0
    {kFam, "D", "INJ1", "Alfa", "1999-2003", "E2", std::nullopt}, // 1
    {kFam, "B", "INJ2", "Alfa", "1999-2003", "E1", "memo 2"},     // 2
    {"OTHER", "B", "INJ1", "Alfa", "1980", "E0", "memo 3"},       // 3
    {kFam, "B", "INJ3", "Alfa", "1999-2003", "E1", "memo 4"},     // 4: tie with 2
    {kFam, "B", "0000", "\xC1lpha", "2000", "E9", std::nullopt},  // 5: byte 0xC1 sorts after 'Z'
    {kFam + " ", "G", "INJ1", "Beta", "2001", "E3", "memo 6"},    // 6: key with trailing blank
};

std::vector<std::string> column(db::Recordset& rs, const char* field) {
    std::vector<std::string> out;
    if (rs.RecordCount() == 0) return out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        out.push_back(rs.Fields(field).value_or("<null>"));
    return out;
}

std::vector<std::string> motors(db::Recordset& rs) {
    return column(rs, "motore____");
}

} // namespace

TEST(QueryParse, AcceptsEveryFormTheWindowsIssue) {
    const std::string q = "\"";
    const std::string head = "SELECT * FROM Xmod_01.dbf WHERE Family____=" + q + kFam + q;
    const std::string order = " ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
    struct Case {
        std::string text;
        const char* table;
        std::size_t conditions;
        std::vector<std::string> orderBy;
    };
    const std::vector<std::string> modelOrder = {"MODELLO___", "DATA__IMM_", "MOTORE____"};
    const Case cases[] = {
        {"SELECT * FROM Xmarche.dbf ORDER BY marca", "Xmarche.dbf", 0, {"marca"}},
        {head + order, "Xmod_01.dbf", 1, modelOrder},
        {head + " AND carburante=\"B\" AND iniez__cod<>\"\x17\x17\"  ORDER BY MODELLO___, DATA__IMM_, "
                "MOTORE____",
         "Xmod_01.dbf", 3, modelOrder},
        {"SELECT * FROM xpsc.dbf WHERE psc_codice=\"\x01\xFF'x\"", "xpsc.dbf", 1, {}},
        {"SELECT * From xcod_ita.dbf WHERE C1='a\"b' ORDER BY C2", "xcod_ita.dbf", 1, {"C2"}},
        {"xpsc.dbf", "xpsc.dbf", 0, {}},
        {"  xpsc.dbf \t", "xpsc.dbf", 0, {}},
        {"select\t*\nfrom t.dbf where a<>'' and b = \"\" order by a ,b", "t.dbf", 2, {"a", "b"}},
    };
    for (const auto& c : cases) {
        const db::Query query = db::Query::parse(c.text);
        EXPECT_EQ(query.tableName(), c.table) << c.text;
        EXPECT_EQ(query.where().size(), c.conditions) << c.text;
        EXPECT_EQ(query.orderBy(), c.orderBy) << c.text;
    }
    const auto where = db::Query::parse(cases[2].text).where();
    EXPECT_EQ(where[0].literal, kFam);
    EXPECT_TRUE(where[2].notEqual);
    EXPECT_EQ(where[2].literal, "\x17\x17");
    EXPECT_EQ(db::Query::parse(cases[4].text).where()[0].literal, "a\"b");
}

TEST(QueryParse, RejectsAnythingElseNamingTheStatement) {
    const char* cases[] = {
        "",
        "SELECT marca FROM Xmarche.dbf",
        "SELECT * FROM",
        "SELECT * Xmarche.dbf",
        "SELECT * FROM t.dbf WHERE a = b",
        "SELECT * FROM t.dbf WHERE a = \"unclosed",
        "SELECT * FROM t.dbf WHERE a > 'x'",
        "SELECT * FROM t.dbf WHERE a < 'x'",
        "SELECT * FROM t.dbf WHERE a LIKE 'x'",
        "SELECT * FROM t.dbf WHERE a = 'x' OR b = 'y'",
        "SELECT * FROM t.dbf WHERE a = 'x' AND",
        "SELECT * FROM t.dbf ORDER marca",
        "SELECT * FROM t.dbf ORDER BY a,",
        "SELECT * FROM t.dbf ORDER BY a DESC",
        "xpsc.dbf extra",
        "DELETE FROM t.dbf",
    };
    for (const char* text : cases) {
        try {
            (void)db::Query::parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const db::Error& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + text + "\""), std::string::npos)
                << e.what();
        }
    }
    EXPECT_THROW(db::Query::parseCriteria("C1='x' ORDER BY C2"), db::Error);
    EXPECT_THROW(db::Query::parseCriteria(""), db::Error);
}

class QueryEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        db::clearTableCache();
        // Upper case on disk; the SQL spells it differently.
        db::writeTable(dir.file("XMOD_01.DBF"), kModelFields, kModels);
        data.Connect = "dBase IV;";
        data.DatabaseName = dir.path();
    }
    db::Recordset& run(const std::string& sql) {
        data.RecordSource = sql;
        data.Refresh();
        return data.Recordset();
    }
    TempDir dir;
    db::DataControl data;
};

TEST_F(QueryEngine, ModelQueriesFilterAndOrderByBytes) {
    const std::string head = "SELECT * FROM Xmod_01.dbf WHERE Family____=\"" + kFam + "\"";
    const std::string order = " ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
    struct Case {
        std::string sql;
        std::vector<std::string> motors;
    };
    const Case cases[] = {
        // Row 6's key differs only by a trailing blank and so matches (CHAR semantics).
        // Rows 2 and 4 tie on all three keys and keep table order.
        {head + order, {"E1", "E1", "E2", "E3", "E1", "E9"}},
        {head + " AND carburante=\"B\" AND iniez__cod<>\"0000\"  ORDER BY MODELLO___, DATA__IMM_, MOTORE____",
         {"E1", "E1"}},
        {head + " AND carburante=\"D\"" + order, {"E2"}},
        {head + " AND iniez__cod=\"0000\"" + order, {"E1", "E9"}},
        {head + " AND carburante=\"X\"" + order, {}},
        {"SELECT * FROM xmod_01.dbf WHERE family____='" + kFam + "   '",
         {"E1", "E2", "E1", "E1", "E9", "E3"}},
        {"xmod_01.DBF", {"E1", "E2", "E1", "E0", "E1", "E9", "E3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(motors(run(c.sql)), c.motors) << c.sql;

    auto& rs = run(head + " AND carburante=\"B\" AND iniez__cod<>\"0000\"" + order);
    EXPECT_EQ(column(rs, "datitecnic"), (std::vector<std::string>{"memo 2", "memo 4"}));
}

TEST_F(QueryEngine, NullMatchesNeitherEqualNorNotEqualAndSortsFirst) {
    EXPECT_EQ(motors(run("SELECT * FROM xmod_01.dbf WHERE datitecnic<>'memo 0'")),
              (std::vector<std::string>{"E1", "E0", "E1", "E3"}));
    EXPECT_EQ(motors(run("SELECT * FROM xmod_01.dbf WHERE datitecnic='memo 0'")),
              (std::vector<std::string>{"E1"}));
    EXPECT_EQ(motors(run("SELECT * FROM xmod_01.dbf ORDER BY datitecnic")),
              (std::vector<std::string>{"E2", "E9", "E1", "E1", "E0", "E1", "E3"}));
}

TEST_F(QueryEngine, UnknownFieldsAreNamed) {
    for (const char* sql :
         {"SELECT * FROM xmod_01.dbf WHERE NoSuch='x'", "SELECT * FROM xmod_01.dbf ORDER BY NoSuch"}) {
        try {
            run(sql);
            ADD_FAILURE() << sql;
        } catch (const db::Error& e) {
            EXPECT_NE(std::string(e.what()).find("NoSuch"), std::string::npos) << e.what();
        }
    }
}

TEST_F(QueryEngine, RecordsetMovesCountsAndPositions) {
    auto& rs =
        run("SELECT * FROM Xmod_01.dbf WHERE carburante='B' ORDER BY MODELLO___, DATA__IMM_, MOTORE____");
    EXPECT_EQ(rs.RecordCount(), 5); // known before MoveLast
    EXPECT_FALSE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), 0);
    rs.MoveLast();
    EXPECT_EQ(rs.AbsolutePosition(), 4);
    EXPECT_EQ(rs.Fields("MOTORE____"), "E9");
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), -1);
    EXPECT_THROW(rs.MoveNext(), db::Error);

    rs.setAbsolutePosition(2);
    EXPECT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields("motore____"), "E1");
    EXPECT_EQ(rs.Fields("data__imm_"), "1999-2003");
    EXPECT_FALSE(rs.IsNull("datitecnic"));
    rs.setAbsolutePosition(4);
    EXPECT_TRUE(rs.IsNull("DATITECNIC"));

    for (int bad : {-1, 5, 1000}) {
        try {
            rs.setAbsolutePosition(bad);
            ADD_FAILURE() << bad;
        } catch (const db::Error& e) {
            EXPECT_EQ(e.number(), db::kErrInvalidArgument);
            EXPECT_NE(std::string(e.what()).find(std::to_string(bad)), std::string::npos);
        }
    }
    EXPECT_EQ(rs.AbsolutePosition(), 4);

    try {
        (void)rs.Fields("INFO5__COD");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), db::kErrItemNotFound);
        EXPECT_NE(std::string(e.what()).find("INFO5__COD"), std::string::npos);
    }
}

TEST_F(QueryEngine, EmptyResultHasNoCurrentRecord) {
    auto& rs = run("SELECT * FROM Xmod_01.dbf WHERE carburante='X'");
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), -1);
    EXPECT_THROW(rs.MoveLast(), db::Error);
    try {
        (void)rs.Fields("MODELLO___");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), db::kErrNoCurrentRecord);
        EXPECT_NE(std::string(e.what()).find("MODELLO___"), std::string::npos);
    }
}

TEST_F(QueryEngine, FindFirstPositionsOrKeepsPosition) {
    auto& rs = run("xmod_01.dbf");
    rs.FindFirst("CARBURANTE='B' AND iniez__cod=\"INJ1\"");
    EXPECT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.AbsolutePosition(), 3);
    rs.FindFirst("carburante='B'"); // from the start, not from the current row
    EXPECT_EQ(rs.AbsolutePosition(), 0);
    rs.setAbsolutePosition(5);
    rs.FindFirst("carburante='B' AND iniez__cod='NONE'");
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.AbsolutePosition(), 5);
    rs.FindFirst("family____='" + kFam + "' AND motore____='E3'");
    EXPECT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.Fields("MODELLO___"), "Beta");
    EXPECT_THROW(rs.FindFirst("nosuch='x'"), db::Error);
    EXPECT_THROW(rs.FindFirst("carburante='B' ORDER BY x"), db::Error);
}

TEST_F(QueryEngine, ClosedAndMissingRecordsetsThrow) {
    db::DataControl fresh;
    EXPECT_THROW(fresh.Recordset(), db::Error);

    auto& rs = run("xmod_01.dbf");
    rs.Close();
    EXPECT_FALSE(rs.isOpen());
    EXPECT_THROW((void)rs.Eof(), db::Error);
    EXPECT_THROW(rs.MoveFirst(), db::Error);
    EXPECT_THROW((void)rs.Fields("MODELLO___"), db::Error);

    // A failed refresh leaves the previous record set in place.
    auto& again = run("SELECT * FROM xmod_01.dbf WHERE carburante='D'");
    data.RecordSource = "SELECT * FROM missing.dbf";
    EXPECT_THROW(data.Refresh(), db::Error);
    EXPECT_EQ(again.RecordCount(), 1);

    data.DatabaseName.clear();
    data.RecordSource = "xmod_01.dbf";
    EXPECT_THROW(data.Refresh(), db::Error);
}

TEST_F(QueryEngine, CachedTableIsReusedUntilFileChanges) {
    auto& first = run("xmod_01.dbf");
    ASSERT_EQ(first.Fields("MODELLO___"), "Zeta");

    // Same size and modification time of both files: the cached copy is served.
    const auto path = dir.file("XMOD_01.DBF");
    const auto memo = dir.file("XMOD_01.DBT");
    const auto stamp = fs::last_write_time(path);
    const auto memoStamp = fs::last_write_time(memo);
    auto changed = kModels;
    changed[0][3] = "Yeta";
    db::writeTable(path, kModelFields, changed);
    fs::last_write_time(path, stamp);
    fs::last_write_time(memo, memoStamp);
    EXPECT_EQ(run("xmod_01.dbf").Fields("MODELLO___"), "Zeta");

    // A change to the memo file alone is a change to the table.
    fs::last_write_time(memo, memoStamp + std::chrono::seconds(5));
    EXPECT_EQ(run("xmod_01.dbf").Fields("MODELLO___"), "Yeta");
}

TEST_F(QueryEngine, MemoFileDeletedWhileOpenIsReportedByName) {
    auto& rs = run("SELECT * FROM xmod_01.dbf WHERE carburante='B'");
    ASSERT_EQ(rs.Fields("DATITECNIC"), "memo 0");
    const std::string memo = dir.file("XMOD_01.DBT");
    ASSERT_TRUE(fs::remove(memo));
    const auto expectMemoNamed = [&](const std::function<void()>& action, const char* what) {
        try {
            action();
            ADD_FAILURE() << what << ": no error";
        } catch (const db::Error& e) {
            EXPECT_EQ(e.file(), memo) << what;
            EXPECT_EQ(std::string(e.what()).rfind(memo + ": memo file ", 0), 0u) << what << ": " << e.what();
        }
    };
    // The open record set reads memos on demand: the one read before is kept, the next one fails.
    EXPECT_EQ(rs.Fields("DATITECNIC"), "memo 0");
    rs.MoveNext();
    expectMemoNamed([&] { (void)rs.Fields("DATITECNIC"); }, "memo read");
    // The cache notices the memo file is gone, though the table file is unchanged.
    expectMemoNamed([&] { run("SELECT * FROM xmod_01.dbf WHERE carburante='D'"); }, "refresh");
}

TEST_F(QueryEngine, RecordsetOutlivesItsDataControlsNextRefresh) {
    db::DataControl other;
    other.DatabaseName = dir.path();
    other.RecordSource = "SELECT * FROM xmod_01.dbf WHERE carburante='D'";
    other.Refresh();
    db::Recordset kept = other.Recordset();
    other.RecordSource = "SELECT * FROM xmod_01.dbf WHERE carburante='G'";
    other.Refresh();
    EXPECT_EQ(kept.Fields("motore____"), "E2");
    EXPECT_EQ(other.Recordset().Fields("motore____"), "E3");
}

TEST(QueryDeleted, DeletedRecordsNeverMatch) {
    TempDir dir;
    const std::vector<bool> deleted = {false, true, false, true};
    db::writeTable(dir.file("xcod_ita.dbf"), {{"C1", 'C', 3}, {"C2", 'C', 2}, {"N", 'N', 4}},
                   {{"A", "02", "1"}, {"A", "01", "2"}, {"A", "03", "3"}, {"B", "01", "4"}}, &deleted);
    db::DataControl data;
    data.DatabaseName = dir.path();
    data.RecordSource = "SELECT * From xcod_ita.dbf WHERE C1='A' ORDER BY C2";
    data.Refresh();
    EXPECT_EQ(column(data.Recordset(), "N"), (std::vector<std::string>{"1", "3"}));

    data.RecordSource = "xcod_ita.dbf";
    data.Refresh();
    auto& rs = data.Recordset();
    rs.FindFirst("C1='B'");
    EXPECT_TRUE(rs.NoMatch());
    rs.FindFirst("N='3' AND C1<>'B'"); // N values compare as trimmed text
    EXPECT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.AbsolutePosition(), 1);
}

namespace {

// The reference trims byte by byte, apart from the engine's own trimming.
std::string_view plainRtrim(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Random tables and queries, each checked against a plain scan and sort.
// Big tables with few conditions sort groups of many rows, which takes another way.
// Field A is wide, so that its values end in long runs of padding.
void checkRandomQueries(int records, int queries, int maxConditions) {
    TempDir dir;
    const std::vector<std::string> values = {"",     "a",  "a ", "a\x01", "b",    "\x01",
                                             "\xC8", "ab", " a", "Z",     "\x7F", "b\x01",
                                             "x        y", "         z", "abcdefghi"};
    std::mt19937 rng(7);
    const auto pick = [&] { return values[rng() % values.size()]; };
    std::vector<Row> rows;
    std::vector<bool> deleted;
    for (int i = 0; i < records; ++i) {
        rows.push_back({std::to_string(i), pick(), pick().substr(0, 2), std::to_string(rng() % 7),
                        rng() % 3 ? std::optional<std::string>(pick()) : std::nullopt});
        deleted.push_back(rng() % 10 == 0);
    }
    const std::vector<db::FieldDef> fields = {
        {"ID", 'N', 5}, {"A", 'C', 19}, {"B", 'C', 2}, {"N", 'N', 2}, {"M", 'M', 10}};
    db::writeTable(dir.file("r.dbf"), fields, rows, &deleted);
    db::clearTableCache();
    const db::Table table = db::openTableCached(dir.file("r.dbf"));
    const char* names[] = {"A", "B", "N", "M"};

    const auto reference = [&](const std::vector<db::Condition>& where,
                               const std::vector<std::string>& order) {
        std::vector<std::uint32_t> out;
        for (std::uint32_t r = 0; r < table.recordCount(); ++r) {
            bool ok = true;
            for (const auto& c : where) {
                const auto v = table.view(r, table.fieldIndex(c.field));
                ok = ok && v &&
                     ((plainRtrim(*v) == plainRtrim(c.literal)) != c.notEqual);
            }
            if (ok) out.push_back(r);
        }
        std::stable_sort(out.begin(), out.end(), [&](std::uint32_t x, std::uint32_t y) {
            for (const auto& f : order) {
                auto a = table.view(x, table.fieldIndex(f)), b = table.view(y, table.fieldIndex(f));
                if (a.has_value() != b.has_value()) return !a.has_value();
                if (!a) continue;
                const int c = plainRtrim(*a).compare(plainRtrim(*b));
                if (c != 0) return c < 0;
            }
            return false;
        });
        std::vector<std::string> ids;
        for (auto r : out)
            ids.push_back(*table.value(r, "ID"));
        return ids;
    };

    for (int q = 0; q < queries; ++q) {
        std::string sql = "SELECT * FROM r.dbf";
        std::vector<db::Condition> where;
        const int nWhere = static_cast<int>(rng() % (maxConditions + 1));
        for (int i = 0; i < nWhere; ++i) {
            db::Condition c{names[rng() % 4], rng() % 3 == 0, pick()};
            if (c.field == "N") c.literal = std::to_string(rng() % 9);
            sql += (i ? " AND " : " WHERE ") + c.field + (c.notEqual ? "<>" : "=") + "'" + c.literal + "'";
            where.push_back(c);
        }
        std::vector<std::string> order;
        const int nOrder = static_cast<int>(rng() % 4);
        for (int i = 0; i < nOrder; ++i) {
            order.push_back(names[rng() % 4]);
            sql += (i ? ", " : " ORDER BY ") + order.back();
        }
        db::Recordset rs = db::Query::parse(sql).run(table);
        EXPECT_EQ(column(rs, "ID"), reference(where, order)) << sql;

        if (!where.empty()) {
            std::string criteria = sql.substr(sql.find(" WHERE ") + 7);
            if (const auto o = criteria.find(" ORDER BY "); o != std::string::npos) criteria.resize(o);
            db::Recordset all = db::Query::parse("SELECT * FROM r.dbf ORDER BY B").run(table);
            all.FindFirst(criteria);
            const auto hits = reference(where, {"B"});
            ASSERT_EQ(all.NoMatch(), hits.empty()) << criteria;
            if (!hits.empty()) {
                EXPECT_EQ(all.Fields("ID"), hits.front()) << criteria;
            }
        }
    }
}

} // namespace

TEST(QueryIndexes, AgreeWithAPlainScanOnRandomTablesAndQueries) {
    checkRandomQueries(3000, 300, 3);
}

TEST(QueryIndexes, AgreeWithAPlainScanWhenSortingManyRows) {
    checkRandomQueries(20000, 12, 1);
}
