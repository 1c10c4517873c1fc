#pragma once

// Writes the dBase tables that the program reads (db/dbase.h): used by the
// sample-data generator, the tests and the benchmarks, never by the program.

#include "db/dbase.h"

#include <optional>
#include <string>
#include <vector>

namespace db {

struct FieldDef {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
};

// Writes a dBase IV table: version 0x8B with a `.dbt` memo file (512-byte blocks)
// when any field is M, else 0x03 (what dBase IV itself writes for memo-less
// tables). Header date 2026-01-01 so output is reproducible. C/D/L values are
// left-aligned, N right-aligned, blank-padded; a value wider than its field is an
// error. std::nullopt and "" memos get a blank pointer (read back as Null).
void writeTable(const std::string& dbfPath, const std::vector<FieldDef>& fields,
                const std::vector<std::vector<std::optional<std::string>>>& records,
                const std::vector<bool>* deleted = nullptr);

} // namespace db
