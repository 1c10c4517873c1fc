#include "platform/table_index.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace db::index {

std::string_view Column::value(std::uint32_t code) const {
    const std::uint32_t begin = code > 1 ? ends[code - 2] : 0;
    return std::string_view(arena).substr(begin, ends[code - 1] - begin);
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

// Distinct values as they come, found again through an open-addressing hash table.
class Dictionary {
  public:
    std::uint32_t idOf(std::string_view v) {
        const std::size_t h = std::hash<std::string_view>{}(v);
        std::size_t mask = slots_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            const std::uint32_t s = slots_[i];
            if (s == 0) break;
            if (hashes_[s - 1] == h && value(s - 1) == v) return s - 1;
        }
        const auto id = static_cast<std::uint32_t>(hashes_.size());
        arena_.append(v);
        ends_.push_back(static_cast<std::uint32_t>(arena_.size()));
        hashes_.push_back(h);
        if (hashes_.size() * 2 > slots_.size()) grow();
        mask = slots_.size() - 1;
        std::size_t i = h & mask;
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = id + 1;
        return id;
    }
    std::size_t size() const { return hashes_.size(); }
    std::string_view value(std::uint32_t id) const {
        const std::uint32_t begin = id ? ends_[id - 1] : 0;
        return std::string_view(arena_).substr(begin, ends_[id] - begin);
    }

  private:
    void grow() {
        std::vector<std::uint32_t> bigger(slots_.size() * 2, 0);
        const std::size_t mask = bigger.size() - 1;
        for (std::uint32_t id = 0; id + 1 < hashes_.size(); ++id) {
            std::size_t i = hashes_[id] & mask;
            while (bigger[i] != 0)
                i = (i + 1) & mask;
            bigger[i] = id + 1;
        }
        slots_.swap(bigger);
    }

    std::vector<std::uint32_t> slots_ = std::vector<std::uint32_t>(64, 0); // id + 1, 0 = free
    std::vector<std::size_t> hashes_;
    std::string arena_;
    std::vector<std::uint32_t> ends_;
};

std::shared_ptr<const Column> buildColumn(const Table& table, int field) {
    auto c = std::make_shared<Column>();
    c->codes.resize(table.recordCount());
    std::vector<std::uint32_t> order;
    {
        Dictionary dict;
        table.scanColumn(field, [&](std::uint32_t row, std::string_view v) {
            c->codes[row] = dict.idOf(detail::rtrimBlanks(v));
        });
        order.resize(dict.size());
        std::iota(order.begin(), order.end(), 0u);
        // char_traits<char> compares as unsigned char: plain byte order.
        std::sort(order.begin(), order.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return dict.value(a) < dict.value(b); });
        c->ends.reserve(order.size());
        for (std::uint32_t id : order) {
            c->arena.append(dict.value(id));
            c->ends.push_back(static_cast<std::uint32_t>(c->arena.size()));
        }
    }
    std::vector<std::uint32_t> rank(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        rank[order[k]] = static_cast<std::uint32_t>(k + 1);
    for (auto& code : c->codes)
        code = rank[code];
    return c;
}

} // namespace

std::shared_ptr<const Column> column(const Table& table, int field) {
    if (!indexable(table, field)) return nullptr;
    return std::static_pointer_cast<const Column>(
        table.derived("column " + std::to_string(field),
                      [&]() -> std::shared_ptr<const Table::Derived> { return buildColumn(table, field); }));
}

std::span<const std::uint32_t> Grouped::group(std::uint32_t code) const {
    if (code + 1 >= starts.size()) return {};
    return std::span<const std::uint32_t>(rows).subspan(starts[code], starts[code + 1] - starts[code]);
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

    // Counting sort by group, rows ascending within each.
    g->starts.assign(groups + 1, 0);
    for (std::uint32_t r = 0; r < n; ++r)
        ++g->starts[codeOf(r) + 1];
    std::partial_sum(g->starts.begin(), g->starts.end(), g->starts.begin());
    g->rows.resize(n);
    std::vector<std::uint32_t> next(g->starts.begin(), g->starts.end() - 1);
    for (std::uint32_t r = 0; r < n; ++r)
        g->rows[next[codeOf(r)]++] = r;

    if (!order.empty()) {
        std::vector<std::shared_ptr<const Column>> keys;
        for (int f : order)
            keys.push_back(column(table, f));
        const auto less = [&](std::uint32_t a, std::uint32_t b) {
            for (const auto& k : keys)
                if (k->codes[a] != k->codes[b]) return k->codes[a] < k->codes[b];
            return a < b;
        };
        for (std::size_t gi = 0; gi < groups; ++gi)
            std::sort(g->rows.begin() + g->starts[gi], g->rows.begin() + g->starts[gi + 1], less);
    }
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
