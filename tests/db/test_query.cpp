#include "db/query.h"
#include "dbwriter/table_writer.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
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

TEST_F(QueryEngine, EachRefreshRunsTheStatementAndFolderAsTheyReadThen) {
    // Statements of one length that differ in a single byte of a literal.
    const std::string petrol = "SELECT * FROM xmod_01.dbf WHERE carburante='B' ORDER BY MOTORE____";
    std::string diesel = petrol;
    diesel[diesel.find("'B'") + 1] = 'D';
    EXPECT_EQ(motors(run(petrol)), (std::vector<std::string>{"E0", "E1", "E1", "E1", "E9"}));
    EXPECT_EQ(motors(run(diesel)), (std::vector<std::string>{"E2"}));
    EXPECT_EQ(motors(run(petrol)), (std::vector<std::string>{"E0", "E1", "E1", "E1", "E9"}));

    // A statement that fails leaves the set it would have replaced; the text
    // before it runs again as written.
    data.RecordSource = "SELECT * FROM xmod_01.dbf WHERE carburante='D' OR x='y'";
    EXPECT_THROW(data.Refresh(), db::Error);
    EXPECT_EQ(motors(data.Recordset()), (std::vector<std::string>{"E0", "E1", "E1", "E1", "E9"}));
    EXPECT_EQ(motors(run(diesel)), (std::vector<std::string>{"E2"}));

    // The same text in another folder reads that folder's table, whose fields
    // lie elsewhere in the record.
    TempDir other;
    db::writeTable(other.file("xmod_01.dbf"), {{"MOTORE____", 'C', 4}, {"CARBURANTE", 'C', 1}},
                   {{"X1", "D"}, {"X2", "B"}, {"X3", "D"}});
    data.DatabaseName = other.path();
    EXPECT_EQ(motors(run(diesel)), (std::vector<std::string>{"X1", "X3"}));

    // The same text and folder after the file was written again with its fields
    // in another order.
    db::writeTable(other.file("xmod_01.dbf"),
                   {{"CARBURANTE", 'C', 1}, {"XX", 'C', 3}, {"MOTORE____", 'C', 4}},
                   {{"D", "a", "Y1"}, {"B", "b", "Y2"}, {"D", "c", "Y3"}});
    fs::last_write_time(other.file("xmod_01.dbf"),
                        fs::file_time_type::clock::now() + std::chrono::seconds(5));
    EXPECT_EQ(motors(run(diesel)), (std::vector<std::string>{"Y1", "Y3"}));
}

TEST_F(QueryEngine, HeldRecordsetReadsEachRefreshsTableByName) {
    // Two tables with fields of the same names at other places in the record.
    db::writeTable(dir.file("xmod_02.dbf"),
                   {{"DATITECNIC", 'C', 6}, {"MOTORE____", 'C', 4}, {"N", 'N', 3}, {"MODELLO___", 'C', 8}},
                   {{"memo x", "M1", "7", "Kappa"}, {std::nullopt, "M2", "8", "Lambda"}});
    auto& rs = run("SELECT * FROM xmod_01.dbf WHERE carburante='D'");
    const auto read = [&] {
        return rs.Fields("MOTORE____").value_or("<null>") + "|" + rs.Fields("MODELLO___").value_or("<null>") +
               "|" + rs.Fields("DATITECNIC").value_or("<null>");
    };
    EXPECT_EQ(read(), "E2|Alfa|<null>");
    run("SELECT * FROM xmod_02.dbf ORDER BY N");
    EXPECT_EQ(&data.Recordset(), &rs);
    EXPECT_EQ(read(), "M1|Kappa|memo x");
    rs.MoveNext();
    EXPECT_EQ(read(), "M2|Lambda|"); // a blank text field is empty, not Null
    EXPECT_EQ(rs.Fields("n"), "8");
    run("SELECT * FROM xmod_01.dbf WHERE carburante='G'");
    EXPECT_EQ(read(), "E3|Beta|memo 6");
    run("SELECT * FROM xmod_01.dbf WHERE carburante='B' ORDER BY MOTORE____");
    EXPECT_EQ(read(), "E0|Alfa|memo 3");
    EXPECT_THROW((void)rs.Fields("N"), db::Error);
}

TEST_F(QueryEngine, EveryMoveReadsTheRowItLandsOn) {
    auto& rs = run("SELECT * FROM xmod_01.dbf ORDER BY MOTORE____, MODELLO___");
    // E0 Alfa, E1 Alfa (2), E1 Alfa (4), E1 Zeta, E2 Alfa, E3 Beta, E9 \xC1lpha
    const auto row = [&] { return *rs.Fields("MOTORE____") + " " + *rs.Fields("INIEZ__COD"); };
    EXPECT_EQ(row(), "E0 INJ1");
    rs.MoveNext();
    EXPECT_EQ(row(), "E1 INJ2");
    rs.MoveLast();
    EXPECT_EQ(row(), "E9 0000");
    rs.MoveFirst();
    EXPECT_EQ(row(), "E0 INJ1");
    rs.setAbsolutePosition(2);
    EXPECT_EQ(row(), "E1 INJ3");
    rs.FindFirst("MOTORE____='E3'");
    ASSERT_FALSE(rs.NoMatch());
    EXPECT_EQ(row(), "E3 INJ1");
    rs.FindFirst("MOTORE____='none'");
    EXPECT_EQ(row(), "E3 INJ1");

    // A copy moves on its own.
    db::Recordset copy = rs;
    copy.MoveFirst();
    EXPECT_EQ(*copy.Fields("MOTORE____"), "E0");
    EXPECT_EQ(row(), "E3 INJ1");
    rs.MoveNext();
    EXPECT_EQ(row(), "E9 0000");
    EXPECT_EQ(*copy.Fields("INIEZ__COD"), "INJ1");
}

TEST(QueryFieldNames, NamesThatDifferInOneByteReadTheirOwnFields) {
    // For every length a name may have, names that differ from each other in
    // one byte only, at each place; read in ever another order and spelling.
    std::vector<db::FieldDef> fields;
    for (std::size_t length = 1; length <= 10; ++length) {
        const std::string base = std::string("ABCDEFGHIJ").substr(0, length);
        fields.push_back({base, 'C', 12});
        for (std::size_t at = 0; at < length; ++at) {
            std::string name = base;
            name[at] = 'X';
            fields.push_back({name, 'C', 12});
        }
    }
    std::vector<Row> rows(2);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (const auto& f : fields)
            rows[r].push_back(f.name + "." + std::to_string(r));
    TempDir dir;
    db::writeTable(dir.file("names.dbf"), fields, rows);
    db::DataControl data;
    data.DatabaseName = dir.path();
    data.RecordSource = "names.dbf";
    data.Refresh();
    auto& rs = data.Recordset();

    std::vector<std::string> names;
    for (const auto& f : fields) {
        names.push_back(f.name);
        std::string lower = f.name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(lower);
    }
    std::mt19937 rng(3);
    int checked = 0;
    for (int pass = 0; pass < 6; ++pass) {
        rs.setAbsolutePosition(pass % 2);
        if (pass > 0) std::shuffle(names.begin(), names.end(), rng);
        for (const auto& name : names) {
            std::string upper = name;
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            ASSERT_EQ(rs.Fields(name), upper + "." + std::to_string(pass % 2)) << name;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 6 * 2 * 65);
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
