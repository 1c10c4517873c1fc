#pragma once

// The query engine's indexes. Each is built from the table file the first time
// a query needs it and kept with the table (so as long as the file is unchanged,
// see openTableCached). Only fixed-width fields are indexed; memo fields are
// read row by row.

#include "db/dbase.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace db::index {

// One column, dictionary-coded: every row's value replaced by its rank among
// the column's distinct values in byte order, so that codes compare as the
// values do. Codes start at 1.
struct Column : Table::Derived {
    std::vector<std::uint32_t> codes;  // per row
    std::string arena;                 // the distinct values as first met, back to back
    std::vector<std::uint32_t> ends;   // value k as first met ends at ends[k]
    std::vector<std::uint32_t> byCode; // code - 1 -> k

    std::size_t distinct() const { return byCode.size(); }
    std::string_view value(std::uint32_t code) const;
    // The code of a value given right-trimmed; 0 when no row holds it.
    std::uint32_t find(std::string_view value) const;
};

bool indexable(const Table& table, int field);
// Null for a field that cannot be indexed. The columns not built yet are built
// in one pass over the file.
std::shared_ptr<const Column> column(const Table& table, int field);
std::vector<std::shared_ptr<const Column>> columns(const Table& table, const std::vector<int>& fields);

// Rows grouped by one column's code (all rows in group 0 when groupField is -1),
// each group in the order of the `order` fields with ties in table order: the
// index for ORDER BY. A group is sorted the first time it is asked for, so that
// the first query on a big table pays for its own rows only.
struct Grouped : Table::Derived {
    std::vector<std::uint32_t> starts; // group g is rows[starts[g] .. starts[g + 1])
    std::vector<int> order;

    std::span<const std::uint32_t> group(const Table& table, std::uint32_t code) const;

    // Sorted in place on first request, under the lock.
    mutable std::mutex sortMutex;
    mutable std::vector<std::uint32_t> rows;
    mutable std::vector<bool> sorted;
};

// The group field must be indexable (or -1); the order fields may be any.
std::shared_ptr<const Grouped> grouped(const Table& table, int groupField, const std::vector<int>& order);

} // namespace db::index
