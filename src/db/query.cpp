#include "db/query.h"

#include "db/table_index.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace db {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A blank or a byte that starts another token.
bool endsWord(char c) {
    switch (c) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '=':
    case '<':
    case '>':
    case ',':
    case '*':
    case '\'':
    case '"':
        return true;
    default:
        return false;
    }
}
using detail::iequals;
using detail::rtrimBlanks;

enum class Tok { Word, Literal, Equal, NotEqual, Comma, Star, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;
};

// Literals run to the next quote of the same kind and may hold any other byte,
// control bytes and bytes >= 128 included; there is no escape.
class Parser {
  public:
    Parser(const std::string& text, const char* what) : s_(text), what_(what) { advance(); }

    [[noreturn]] void fail(const std::string& expected) const {
        throw Error(std::string("Syntax error in ") + what_ + " \"" + s_ + "\": expected " + expected +
                    " at position " + std::to_string(tokenStart_ + 1));
    }
    const Token& peek() const { return tok_; }
    bool atKeyword(const char* kw) const { return tok_.kind == Tok::Word && iequals(tok_.text, kw); }
    void keyword(const char* kw) {
        if (!atKeyword(kw)) fail(kw);
        advance();
    }
    std::string word(const char* what) {
        if (tok_.kind != Tok::Word) fail(what);
        std::string w = std::move(tok_.text);
        advance();
        return w;
    }
    void expect(Tok kind, const char* what) {
        if (tok_.kind != kind) fail(what);
        advance();
    }

    std::vector<Condition> conditions() {
        std::vector<Condition> out;
        do {
            Condition c;
            c.field = word("a field name");
            if (tok_.kind == Tok::Equal)
                c.notEqual = false;
            else if (tok_.kind == Tok::NotEqual)
                c.notEqual = true;
            else
                fail("= or <>");
            advance();
            if (tok_.kind != Tok::Literal) fail("a quoted value");
            c.literal = std::move(tok_.text);
            advance();
            out.push_back(std::move(c));
        } while (atKeyword("AND") && (advance(), true));
        return out;
    }

  private:
    void advance() {
        while (i_ < s_.size() && isBlank(s_[i_]))
            ++i_;
        tokenStart_ = i_;
        tok_ = Token{};
        if (i_ >= s_.size()) return;
        const char c = s_[i_];
        switch (c) {
        case '"':
        case '\'': {
            const std::size_t close = s_.find(c, i_ + 1);
            if (close == std::string::npos) fail("a closing quote");
            tok_ = {Tok::Literal, s_.substr(i_ + 1, close - i_ - 1)};
            i_ = close + 1;
            return;
        }
        case '=':
            tok_.kind = Tok::Equal;
            ++i_;
            return;
        case '<':
            if (i_ + 1 < s_.size() && s_[i_ + 1] == '>') {
                tok_.kind = Tok::NotEqual;
                i_ += 2;
                return;
            }
            fail("<>");
        case ',':
            tok_.kind = Tok::Comma;
            ++i_;
            return;
        case '*':
            tok_.kind = Tok::Star;
            ++i_;
            return;
        default:
            break;
        }
        const std::size_t start = i_;
        while (i_ < s_.size() && !endsWord(s_[i_]))
            ++i_;
        if (i_ == start) fail("a name"); // a lone '>'
        tok_ = {Tok::Word, s_.substr(start, i_ - start)};
    }

    const std::string& s_;
    const char* what_;
    std::size_t i_ = 0;
    std::size_t tokenStart_ = 0;
    Token tok_;
};

// One condition ready to test rows: through its column's codes when the field
// is indexed, else through the value itself.
struct Compiled {
    int field;
    bool notEqual;
    std::string_view literal; // right-trimmed; a view into the Condition it came from
    std::shared_ptr<const index::Column> column;
    std::uint32_t code = 0; // of the literal; 0: no row holds it

    bool passes(const Table& t, std::uint32_t row) const {
        if (column) return (column->codes[row] == code) != notEqual;
        const auto v = t.view(row, field);
        return v && (rtrimBlanks(*v) == literal) != notEqual;
    }
};

std::vector<Compiled> compile(const Table& table, const std::vector<Condition>& conds,
                              const std::string& text) {
    std::vector<Compiled> out;
    out.reserve(conds.size());
    for (const auto& c : conds) {
        const int f = table.fieldIndex(c.field);
        if (f < 0)
            throw Error("Unknown field \"" + c.field + "\" in \"" + text + "\" on " + table.path(),
                        kErrItemNotFound, table.path());
        out.push_back({f, c.notEqual, rtrimBlanks(c.literal), nullptr, 0});
    }
    std::vector<int> fields;
    for (const auto& c : out)
        fields.push_back(c.field);
    const auto indexes = index::columns(table, fields);
    for (std::size_t i = 0; i < out.size(); ++i)
        if ((out[i].column = indexes[i])) out[i].code = out[i].column->find(out[i].literal);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------

Query Query::parse(const std::string& recordSource) {
    Query q;
    q.text_ = recordSource;
    Parser p(q.text_, "query");
    if (p.peek().kind == Tok::Word && !p.atKeyword("SELECT")) {
        q.table_ = p.word("a table name");
        p.expect(Tok::End, "the end of the record source");
        return q;
    }
    p.keyword("SELECT");
    p.expect(Tok::Star, "*");
    p.keyword("FROM");
    q.table_ = p.word("a table name");
    if (p.atKeyword("WHERE")) {
        p.keyword("WHERE");
        q.where_ = p.conditions();
    }
    if (p.atKeyword("ORDER")) {
        p.keyword("ORDER");
        p.keyword("BY");
        q.orderBy_.push_back(p.word("a field name"));
        while (p.peek().kind == Tok::Comma) {
            p.expect(Tok::Comma, ",");
            q.orderBy_.push_back(p.word("a field name"));
        }
    }
    p.expect(Tok::End, "the end of the statement");
    return q;
}

std::vector<Condition> Query::parseCriteria(const std::string& criteria) {
    Parser p(criteria, "criteria");
    auto conds = p.conditions();
    p.expect(Tok::End, "the end of the criteria");
    return conds;
}

Recordset Query::run(const Table& table) const {
    std::vector<int> keys;
    for (const auto& name : orderBy_) {
        const int f = table.fieldIndex(name);
        if (f < 0)
            throw Error("Unknown field \"" + name + "\" in \"" + text_ + "\" on " + table.path(),
                        kErrItemNotFound, table.path());
        keys.push_back(f);
    }
    auto conds = compile(table, where_, text_);

    // The equality on the most varied indexed column picks the candidates: a
    // slice of an index that groups rows by that column and keeps each group in
    // ORDER BY order, so the cost follows the slice, not the table.
    const Compiled* drive = nullptr;
    for (const auto& c : conds)
        if (c.column && !c.notEqual && (!drive || c.column->distinct() > drive->column->distinct()))
            drive = &c;

    std::vector<std::uint32_t> rows;
    const auto keepIfPassing = [&](std::uint32_t r) {
        for (const auto& c : conds)
            if (&c != drive && !c.passes(table, r)) return;
        rows.push_back(r);
    };
    if (drive && drive->code == 0) {
        // No row holds the value.
    } else if (drive || !keys.empty()) {
        const auto grouped = index::grouped(table, drive ? drive->field : -1, keys);
        const auto candidates = grouped->group(table, drive ? drive->code : 0);
        rows.reserve(candidates.size());
        // The candidates lie scattered over the table: the codes of the rows a
        // few candidates ahead are brought into the cache while these are tested.
        constexpr std::size_t kAhead = 16;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (i + kAhead < candidates.size())
                for (const auto& c : conds)
                    if (c.column && &c != drive) __builtin_prefetch(&c.column->codes[candidates[i + kAhead]]);
            keepIfPassing(candidates[i]);
        }
    } else {
        rows.reserve(table.recordCount());
        for (std::uint32_t r = 0, n = static_cast<std::uint32_t>(table.recordCount()); r < n; ++r)
            keepIfPassing(r);
    }
    // Without ORDER BY both paths above keep table order.
    return Recordset(table, std::move(rows), keys.empty());
}

// ---------------------------------------------------------------------------

namespace {

// Rows are read in the order the set holds them; the record a few rows ahead
// is brought towards the processor while this one is read.
constexpr std::size_t kReadAhead = 4;
constexpr std::size_t kChunkAhead = 12;

struct LastRead {
    std::uint64_t table = 0; // Table::id(); 0 before any
    std::string path;
};

LastRead& lastRead() {
    static LastRead last;
    return last;
}

} // namespace

const std::string& lastFileRead() {
    return lastRead().path;
}

Recordset::Recordset(Table table, std::vector<std::uint32_t> rows, bool tableOrder)
    : tableId_(table.id()), table_(std::move(table)), rows_(std::move(rows)), tableOrder_(tableOrder) {}

const Table& Recordset::openTable() const {
    if (!table_) throw Error("Object invalid or no longer set: the record set is closed", kErrObjectClosed);
    return *table_;
}

namespace {

[[noreturn]] void noCurrentRecord(std::string_view field, const std::string& path) {
    throw Error("No current record (reading field \"" + std::string(field) + "\" of " + path + ")",
                kErrNoCurrentRecord);
}

} // namespace

void Recordset::MoveFirst() {
    openTable();
    if (rows_.empty())
        throw Error("No current record (MoveFirst on an empty record set)", kErrNoCurrentRecord);
    pos_ = 0;
    for (std::size_t ahead = 0; ahead <= kReadAhead && ahead < rows_.size(); ++ahead)
        touchRow(ahead);
}

void Recordset::MoveLast() {
    openTable();
    if (rows_.empty())
        throw Error("No current record (MoveLast on an empty record set)", kErrNoCurrentRecord);
    pos_ = rows_.size() - 1;
}

void Recordset::MoveNext() {
    openTable();
    if (pos_ >= rows_.size()) throw Error("No current record (MoveNext past the end)", kErrNoCurrentRecord);
    ++pos_;
    if (pos_ + kReadAhead < rows_.size()) touchRow(pos_ + kReadAhead);
    if (pos_ + kChunkAhead < rows_.size()) table_->touchChunk(rows_[pos_ + kChunkAhead]);
}

bool Recordset::Eof() const {
    openTable();
    return pos_ >= rows_.size();
}

int Recordset::RecordCount() const {
    openTable();
    return static_cast<int>(rows_.size());
}

int Recordset::AbsolutePosition() const {
    openTable();
    return pos_ < rows_.size() ? static_cast<int>(pos_) : -1;
}

void Recordset::setAbsolutePosition(int position) {
    openTable();
    if (position < 0 || std::size_t(position) >= rows_.size())
        throw Error("Invalid argument: AbsolutePosition " + std::to_string(position) + " outside 0.." +
                        std::to_string(static_cast<long long>(rows_.size()) - 1),
                    kErrInvalidArgument);
    pos_ = static_cast<std::size_t>(position);
}

void Recordset::touchRow(std::size_t position) const {
    if (readFirst_ >= 0) table_->touch(rows_[position], readFirst_, readLast_);
}

namespace {

// Exactly the same bytes. Names of fields are short: those of 4 to 16 bytes are
// compared as two words that overlap, read within the bounds of both texts.
template <class Word> bool sameWords(const char* a, const char* b, std::size_t n) {
    Word a0, a1, b0, b1;
    std::memcpy(&a0, a, sizeof(Word));
    std::memcpy(&b0, b, sizeof(Word));
    std::memcpy(&a1, a + n - sizeof(Word), sizeof(Word));
    std::memcpy(&b1, b + n - sizeof(Word), sizeof(Word));
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

bool sameName(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n >= 8 && n <= 16) return sameWords<std::uint64_t>(a.data(), b.data(), n);
    if (n >= 4 && n < 8) return sameWords<std::uint32_t>(a.data(), b.data(), n);
    return a == b;
}

} // namespace

int Recordset::fieldOf(const Table& table, std::string_view name) const {
    const std::size_t n = named_.size();
    std::size_t at = nextNamed_;
    for (std::size_t k = 0; k < n; ++k, ++at) {
        if (at >= n) at = 0;
        if (sameName(named_[at].first, name)) {
            nextNamed_ = at + 1;
            return named_[at].second;
        }
    }
    const int f = table.fieldIndex(name);
    // Every spelling of every field fits; a bound keeps odd callers from growing it.
    if (f >= 0 && named_.size() < 4 * table.fields().size()) {
        named_.emplace_back(name, f);
        nextNamed_ = named_.size();
        readFirst_ = readFirst_ < 0 ? f : std::min(readFirst_, f);
        readLast_ = std::max(readLast_, f);
    }
    return f;
}

std::optional<std::string_view> Recordset::viewOf(std::string_view name) const {
    const Table& t = openTable();
    if (LastRead& last = lastRead(); last.table != tableId_) last = {tableId_, t.path()};
    // Readers ask for the same fields in the same order row after row: the
    // field asked for next is tried first.
    int f;
    if (nextNamed_ < named_.size() && sameName(named_[nextNamed_].first, name)) {
        f = named_[nextNamed_].second;
        if (++nextNamed_ == named_.size()) nextNamed_ = 0;
    } else if ((f = fieldOf(t, name)) < 0) {
        throw Error("Item not found in this collection: no field \"" + std::string(name) + "\" in " +
                        t.path(),
                    kErrItemNotFound);
    }
    if (pos_ >= rows_.size()) noCurrentRecord(name, t.path());
    if (recordPos_ != pos_) {
        record_ = nullptr;
        recordPos_ = pos_;
    }
    return t.view(rows_[pos_], f, record_);
}

Value Recordset::Fields(std::string_view name) const {
    const auto v = viewOf(name);
    if (!v) return std::nullopt;
    return Value(std::in_place, *v);
}

bool Recordset::IsNull(std::string_view name) const {
    return !viewOf(name).has_value();
}

void Recordset::FindFirst(const std::string& criteria) {
    const Table& t = openTable();
    const auto parsed = Query::parseCriteria(criteria); // compiled conditions point into it
    const auto conds = compile(t, parsed, criteria);
    const Compiled* drive = nullptr;
    for (const auto& c : conds)
        if (c.column && !c.notEqual && (!drive || c.column->distinct() > drive->column->distinct()))
            drive = &c;
    if (drive && tableOrder_) {
        // The rows holding the most varied value, in table order: the first of
        // them that passes and is in this set is the first match.
        noMatch_ = true;
        if (drive->code == 0) return;
        for (const std::uint32_t r : index::grouped(t, drive->field, {})->group(t, drive->code)) {
            if (!std::all_of(conds.begin(), conds.end(), [&](const Compiled& c) { return c.passes(t, r); }))
                continue;
            const auto at = std::lower_bound(rows_.begin(), rows_.end(), r);
            if (at == rows_.end() || *at != r) continue;
            noMatch_ = false;
            pos_ = static_cast<std::size_t>(at - rows_.begin());
            return;
        }
        return;
    }
    const auto hit = std::find_if(rows_.begin(), rows_.end(), [&](std::uint32_t r) {
        return std::all_of(conds.begin(), conds.end(), [&](const Compiled& c) { return c.passes(t, r); });
    });
    noMatch_ = hit == rows_.end();
    if (!noMatch_) pos_ = static_cast<std::size_t>(hit - rows_.begin());
}

bool Recordset::NoMatch() const {
    openTable();
    return noMatch_;
}

void Recordset::adoptNames(Recordset&& other) {
    if (table_ && other.table_ && other.tableId_ == tableId_) {
        named_ = std::move(other.named_);
        nextNamed_ = 0;
        readFirst_ = other.readFirst_;
        readLast_ = other.readLast_;
    }
    other.Close();
}

void Recordset::Close() {
    table_.reset();
    rows_.clear();
    named_.clear();
    nextNamed_ = 0;
    record_ = nullptr;
    recordPos_ = kNoPosition;
    readFirst_ = readLast_ = -1;
    pos_ = 0;
    noMatch_ = false;
}

// ---------------------------------------------------------------------------

namespace {

// A table is served from the cache while neither its file nor its memo file has
// changed; a memo file deleted or replaced makes it open again, which names the
// memo file when that is what is wrong. With an opener the stamps come from
// descriptors it gave, so that a file it refuses now is never served; without
// one, where nothing is refused, from the file as named.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const std::string& path, FileOpener opener) {
    struct stat st {};
    if (opener) {
        const int fd = opener(path);
        if (fd < 0) return std::nullopt;
        const bool stamped = ::fstat(fd, &st) == 0;
        ::close(fd);
        if (!stamped) return std::nullopt;
    } else if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(st.st_size),
                     std::int64_t(st.st_mtim.tv_sec) * 1000000000 + std::int64_t(st.st_mtim.tv_nsec)};
}

struct CacheEntry {
    FileStamp table;
    std::optional<FileStamp> memo;
    FileOpener opener; // the one the table reads with
    Table value;
};

std::mutex cacheMutex;
std::map<std::string, CacheEntry, std::less<>> cache;

} // namespace

Table openTableCached(const std::string& path, FileOpener opener) {
    auto stamp = stampOf(path, opener);
    const std::string resolved = stamp ? path : resolveFileNoCase(path);
    if (!stamp && resolved != path) stamp = stampOf(resolved, opener);
    // Table::open reports what is wrong with the file.
    if (!stamp) return Table::open(resolved, opener);
    {
        std::lock_guard lock(cacheMutex);
        const auto it = cache.find(resolved);
        if (it != cache.end() && it->second.table == *stamp && it->second.opener == opener) {
            const std::string& memoPath = it->second.value.memoPath();
            if (memoPath.empty() || stampOf(memoPath, opener) == it->second.memo) return it->second.value;
        }
    }
    Table table = Table::open(resolved, opener);
    std::optional<FileStamp> memo;
    if (!table.memoPath().empty()) memo = stampOf(table.memoPath(), opener);
    std::lock_guard lock(cacheMutex);
    cache.insert_or_assign(resolved, CacheEntry{*stamp, memo, opener, table});
    return table;
}

void clearTableCache() {
    std::lock_guard lock(cacheMutex);
    cache.clear();
}

namespace {

// `table` in `folder`, joined as std::filesystem joins them (an absolute name
// stands alone), without taking either apart.
std::string tablePath(const std::string& folder, const std::string& table) {
    if (table.front() == '/') return table;
    std::string path;
    path.reserve(folder.size() + 1 + table.size());
    path += folder;
    if (path.back() != '/') path += '/';
    path += table;
    return path;
}

} // namespace

void DataControl::Refresh() {
    if (!parsed_ || parsed_->text() != RecordSource) parsed_ = Query::parse(RecordSource);
    const Query& q = *parsed_;
    if (DatabaseName.empty()) throw Error("Data control has no DatabaseName for \"" + RecordSource + "\"");
    const Table table = openTableCached(tablePath(DatabaseName, q.tableName()), fileOpener);
    db::Recordset next = q.run(table);
    if (rs_) next.adoptNames(std::move(*rs_));
    rs_ = std::move(next);
}

db::Recordset& DataControl::Recordset() {
    if (!rs_) throw Error("Data control has no record set: Refresh has not run", kErrObjectClosed);
    return *rs_;
}

} // namespace db
