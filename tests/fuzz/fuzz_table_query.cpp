// Queries over any bytes as a table file and its memo file: results or errors,
// never a crash. The input is laid out as for fuzz_dbase (a four-byte length,
// the table file, the memo file); the queries are made from the fields the
// table turns out to have and the values of its first records.
#include "db/query.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void readAll(db::Recordset& rs, const db::Table& t) {
    for (int i = 0; i < rs.RecordCount() && i < 32; ++i) {
        rs.setAbsolutePosition(i);
        for (const auto& f : t.fields())
            try {
                (void)rs.Fields(f.name);
            } catch (const db::Error&) {
            }
    }
}

std::string literal(const db::Table& t, std::size_t row, int field) {
    try {
        std::string v = t.value(row, field).value_or("");
        std::erase(v, '\'');
        return v;
    } catch (const db::Error&) {
        return "x";
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        static char tmpl[] = "/tmp/fuzz_table_queryXXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        // Replayed with every test run: the folder goes with the process.
        std::atexit([] { std::filesystem::remove_all(tmpl); });
        return std::string(tmpl);
    }();
    if (size < 4) return 0;
    const std::uint32_t n = data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t(data[3]) << 24);
    data += 4;
    size -= 4;
    const std::size_t split = n % (size + 1);
    std::ofstream(dir + "/t.dbf", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(split));
    std::ofstream(dir + "/t.dbt", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + split), std::streamsize(size - split));

    // Each input is a new file, whatever its time stamp says.
    db::clearTableCache();
    db::DataControl control;
    control.DatabaseName = dir;
    try {
        const db::Table t = db::openTableCached(dir + "/t.dbf");
        const int fields = static_cast<int>(t.fields().size());
        for (int f = 0; f < fields && f < 4; ++f) {
            const std::string& name = t.fields()[f].name;
            const std::string& other = t.fields()[(f + 1) % fields].name;
            const std::string value = t.recordCount() ? literal(t, t.recordCount() / 2, f) : "";
            const std::string queries[] = {
                "SELECT * FROM T.DBF WHERE " + name + "='" + value + "' ORDER BY " + other + ", " + name,
                "SELECT * FROM t.dbf WHERE " + name + "<>'" + value + "' AND " + other + "='' ORDER BY " +
                    name,
                "SELECT * FROM t.dbf ORDER BY " + name,
                "t.dbf",
            };
            for (const auto& q : queries) {
                control.RecordSource = q;
                try {
                    control.Refresh();
                    db::Recordset& rs = control.Recordset();
                    readAll(rs, t);
                    rs.FindFirst(other + "='" + value + "' AND " + name + "<>'x'");
                } catch (const db::Error&) {
                }
            }
        }
    } catch (const db::Error&) {
    }
    return 0;
}
