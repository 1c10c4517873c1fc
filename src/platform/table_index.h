#pragma once

// The query engine's indexes. Each is built from the table file the first time
// a query needs it and kept with the table (so as long as the file is unchanged,
// see openTableCached). Only fixed-width fields are indexed; memo fields are
// read row by row.

#include "platform/dbase.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace db::index {

// One column, dictionary-coded: every row's value replaced by its rank among
// the column's distinct values in byte order, so that codes compare as the
// values do. Codes start at 1.
struct Column : Table::Derived {
    std::vector<std::uint32_t> codes; // per row
    std::string arena;                // the distinct values in order, back to back
    std::vector<std::uint32_t> ends;  // value k (code k + 1) ends at ends[k]

    std::size_t distinct() const { return ends.size(); }
    std::string_view value(std::uint32_t code) const;
    // The code of a value given right-trimmed; 0 when no row holds it.
    std::uint32_t find(std::string_view value) const;
};

bool indexable(const Table& table, int field);
// Null for a field that cannot be indexed.
std::shared_ptr<const Column> column(const Table& table, int field);

// Rows grouped by one column's code (all rows in group 0 when groupField is -1),
// each group in the order of the `order` fields, ties in table order.
struct Grouped : Table::Derived {
    std::vector<std::uint32_t> starts; // group g is rows[starts[g] .. starts[g + 1])
    std::vector<std::uint32_t> rows;

    std::span<const std::uint32_t> group(std::uint32_t code) const;
};

// Every field must be indexable.
std::shared_ptr<const Grouped> grouped(const Table& table, int groupField, const std::vector<int>& order);

} // namespace db::index
