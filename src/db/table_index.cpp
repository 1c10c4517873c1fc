#include "db/table_index.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>

namespace db::index {

std::string_view Column::value(std::uint32_t code) const {
    const std::uint32_t id = byCode[code - 1];
    const std::uint32_t begin = id ? ends[id - 1] : 0;
    return std::string_view(arena).substr(begin, ends[id] - begin);
}

std::uint32_t Column::find(std::string_view v) const {
    std::uint32_t lo = 1, hi = static_cast<std::uint32_t>(distinct()) + 1;
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (value(mid) < v)
            lo = mid + 1;
        else
            hi = mid;
    }
    return (lo <= distinct() && value(lo) == v) ? lo : 0;
}

bool indexable(const Table& table, int field) {
    return field >= 0 && std::size_t(field) < table.fields().size() && table.fields()[field].type != 'M';
}

namespace {

// Distinct values as they come, found again through an open-addressing hash
// table. Hashes are not stored: growing recomputes them, which costs less than
// keeping them for a column of half a million different values.
class Dictionary {
  public:
    std::uint32_t idOf(std::string_view v) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash(v) & mask;
        for (; slots_[i] != 0; i = (i + 1) & mask)
            if (value(slots_[i] - 1) == v) return slots_[i] - 1;
        const auto id = static_cast<std::uint32_t>(ends.size());
        arena.append(v);
        ends.push_back(static_cast<std::uint32_t>(arena.size()));
        slots_[i] = id + 1;
        if (ends.size() * 2 > slots_.size()) grow();
        return id;
    }
    std::size_t size() const { return ends.size(); }
    std::string_view value(std::uint32_t id) const {
        const std::uint32_t begin = id ? ends[id - 1] : 0;
        return std::string_view(arena).substr(begin, ends[id] - begin);
    }
    void dropSlots() { std::vector<std::uint32_t>().swap(slots_); }

    std::string arena;
    std::vector<std::uint32_t> ends;

  private:
    static std::size_t hash(std::string_view v) { return std::hash<std::string_view>{}(v); }
    void grow() {
        std::vector<std::uint32_t> bigger(slots_.size() * 2, 0);
        const std::size_t mask = bigger.size() - 1;
        for (std::uint32_t id = 0; id < ends.size(); ++id) {
            std::size_t i = hash(value(id)) & mask;
            while (bigger[i] != 0)
                i = (i + 1) & mask;
            bigger[i] = id + 1;
        }
        slots_.swap(bigger);
    }

    std::vector<std::uint32_t> slots_ = std::vector<std::uint32_t>(64, 0); // id + 1, 0 = free
};

// The columns of `fields`, built in one pass over the file. With keepValues
// false only the codes are kept: enough to sort by the column.
std::vector<std::shared_ptr<Column>> buildColumns(const Table& table, const std::vector<int>& fields,
                                                  bool keepValues) {
    std::vector<std::shared_ptr<Column>> out;
    std::vector<Dictionary> dicts(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out.push_back(std::make_shared<Column>());
        out.back()->codes.resize(table.recordCount());
    }
    table.scanColumns(fields, [&](std::uint32_t row, std::span<const std::string_view> values) {
        for (std::size_t i = 0; i < values.size(); ++i)
            out[i]->codes[row] = dicts[i].idOf(detail::rtrimBlanks(values[i]));
    });
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Dictionary& dict = dicts[i];
        Column& c = *out[i];
        dict.dropSlots();
        std::vector<std::uint32_t> byCode(dict.size());
        std::iota(byCode.begin(), byCode.end(), 0u);
        // char_traits<char> compares as unsigned char: plain byte order.
        std::sort(byCode.begin(), byCode.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return dict.value(a) < dict.value(b); });
        {
            std::vector<std::uint32_t> code(byCode.size());
            for (std::size_t k = 0; k < byCode.size(); ++k)
                code[byCode[k]] = static_cast<std::uint32_t>(k + 1);
            for (auto& v : c.codes)
                v = code[v];
        }
        if (keepValues) {
            c.arena = std::move(dict.arena);
            c.ends = std::move(dict.ends);
            c.byCode = std::move(byCode);
        }
        dict = Dictionary();
    }
    return out;
}

std::string columnKey(int field) {
    return "column " + std::to_string(field);
}

} // namespace

std::vector<std::shared_ptr<const Column>> columns(const Table& table, const std::vector<int>& fields) {
    std::vector<std::shared_ptr<const Column>> out(fields.size());
    std::vector<int> missing;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (indexable(table, fields[i]) &&
            !(out[i] = std::static_pointer_cast<const Column>(table.findDerived(columnKey(fields[i])))) &&
            std::find(missing.begin(), missing.end(), fields[i]) == missing.end())
            missing.push_back(fields[i]);
    if (!missing.empty()) {
        const auto built = buildColumns(table, missing, true);
        for (std::size_t k = 0; k < missing.size(); ++k) {
            const auto kept = std::static_pointer_cast<const Column>(table.derived(
                columnKey(missing[k]), [&]() -> std::shared_ptr<const Table::Derived> { return built[k]; }));
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (fields[i] == missing[k]) out[i] = kept;
        }
    }
    return out;
}

std::shared_ptr<const Column> column(const Table& table, int field) {
    return columns(table, {field}).front();
}

namespace {

// Groups up to this size are sorted by their values, read through the table's
// record cache (the window reads those records next anyway); bigger ones by the
// codes of their sort columns, so that sorting never brings a whole big table
// into memory.
constexpr std::size_t kSortByValues = 8192;

void sortByValues(const Table& table, const std::vector<int>& order, std::span<std::uint32_t> rows) {
    const std::size_t k = order.size();
    // The keys are copied side by side first, so that sorting compares within one
    // small block of memory rather than in records spread over the whole table.
    // Records are read batch by batch and their keys copied at once, while the
    // batch is still in the processor's cache.
    constexpr std::uint32_t kNull = 0xFFFFFFFFu;
    struct Key {
        std::uint32_t begin = 0;
        std::uint32_t size = kNull;
    };
    std::size_t width = 0;
    for (int f : order)
        width += static_cast<std::size_t>(table.fields()[static_cast<std::size_t>(f)].length);
    std::string bytes;
    bytes.reserve(rows.size() * width);
    std::vector<Key> keys(rows.size() * k);
    constexpr std::size_t kBatch = 128;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i % kBatch == 0) table.prefetch(rows.subspan(i, std::min(kBatch, rows.size() - i)));
        for (std::size_t j = 0; j < k; ++j)
            if (const auto v = table.view(rows[i], order[j])) {
                const std::string_view trimmed = detail::rtrimBlanks(*v);
                keys[i * k + j] = {static_cast<std::uint32_t>(bytes.size()),
                                   static_cast<std::uint32_t>(trimmed.size())};
                bytes.append(trimmed);
            }
    }
    const auto text = [&](const Key& key) { return std::string_view(bytes).substr(key.begin, key.size); };
    std::vector<std::uint32_t> pos(rows.size());
    std::iota(pos.begin(), pos.end(), 0u);
    std::stable_sort(pos.begin(), pos.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t j = 0; j < k; ++j) {
            const Key& x = keys[a * k + j];
            const Key& y = keys[b * k + j];
            if (x.size == kNull || y.size == kNull) {
                if ((x.size == kNull) != (y.size == kNull)) return x.size == kNull; // Null first
                continue;
            }
            // char_traits<char> compares as unsigned char: plain byte order.
            const int c = text(x).compare(text(y));
            if (c != 0) return c < 0;
        }
        return false;
    });
    std::vector<std::uint32_t> sorted(rows.size());
    for (std::size_t i = 0; i < pos.size(); ++i)
        sorted[i] = rows[pos[i]];
    std::copy(sorted.begin(), sorted.end(), rows.begin());
}

void sortByCodes(const Table& table, const std::vector<int>& order, std::span<std::uint32_t> rows) {
    // One stable sort per key, last key first, so ties end in table order.
    const auto keys = buildColumns(table, order, false);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const auto& codes = (*key)->codes;
        std::stable_sort(rows.begin(), rows.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return codes[a] < codes[b]; });
    }
}

} // namespace

std::span<const std::uint32_t> Grouped::group(const Table& table, std::uint32_t code) const {
    if (code + 1 >= starts.size()) return {};
    const std::span<std::uint32_t> rows_(rows.data() + starts[code], starts[code + 1] - starts[code]);
    std::lock_guard lock(sortMutex);
    if (!sorted[code]) {
        if (rows_.size() > 1) {
            const bool byCodes =
                rows_.size() > kSortByValues &&
                std::all_of(order.begin(), order.end(), [&](int f) { return indexable(table, f); });
            if (byCodes)
                sortByCodes(table, order, rows_);
            else
                sortByValues(table, order, rows_);
        }
        sorted[code] = true;
    }
    return rows_;
}

namespace {

std::shared_ptr<const Grouped> buildGrouped(const Table& table, int groupField,
                                            const std::vector<int>& order) {
    auto g = std::make_shared<Grouped>();
    const std::size_t n = table.recordCount();
    std::shared_ptr<const Column> by;
    if (groupField >= 0) by = column(table, groupField);
    const std::size_t groups = by ? by->distinct() + 1 : 1;
    const auto codeOf = [&](std::uint32_t r) { return by ? by->codes[r] : 0u; };

    // Counting sort by group, rows ascending within each; each group is put in
    // ORDER BY order when first asked for.
    g->starts.assign(groups + 1, 0);
    for (std::uint32_t r = 0; r < n; ++r)
        ++g->starts[codeOf(r) + 1];
    std::partial_sum(g->starts.begin(), g->starts.end(), g->starts.begin());
    g->rows.resize(n);
    std::vector<std::uint32_t> next(g->starts.begin(), g->starts.end() - 1);
    for (std::uint32_t r = 0; r < n; ++r)
        g->rows[next[codeOf(r)]++] = r;
    g->order = order;
    g->sorted.assign(groups, order.empty());
    return g;
}

} // namespace

std::shared_ptr<const Grouped> grouped(const Table& table, int groupField, const std::vector<int>& order) {
    std::string key = "grouped " + std::to_string(groupField) + " by";
    for (int f : order)
        key += " " + std::to_string(f);
    return std::static_pointer_cast<const Grouped>(
        table.derived(key, [&]() -> std::shared_ptr<const Table::Derived> {
            return buildGrouped(table, groupField, order);
        }));
}

} // namespace db::index
