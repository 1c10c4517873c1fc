#pragma once

// The small query engine behind the hidden data controls: exactly
//   SELECT * FROM <table> [WHERE f op 'lit' {AND f op 'lit'}] [ORDER BY f {, f}]
// with op = or <>, or a bare table name, plus FindFirst criteria (f op 'lit' {AND ...}).
// Keywords and field names ignore ASCII case; values compare and sort byte by byte
// (unsigned) after right-trimming 0x20 from both sides; Null never matches; Null
// sorts first; ORDER BY keeps table order for ties.

#include "db/dbase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db {

struct Condition {
    std::string field;
    bool notEqual = false;
    std::string literal; // the bytes between the quotes, as written
};

// Result rows over a shared table; moving and reading never copies the table.
// Operations on a closed record set throw Error 3420; reading without a current
// record (also MoveFirst/MoveLast on an empty set, MoveNext past the end) throws 3021.
class Recordset {
  public:
    Recordset() = default; // closed
    // tableOrder: the rows are in table order (FindFirst can then use the
    // table's indexes).
    Recordset(Table table, std::vector<std::uint32_t> rows, bool tableOrder = false);

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    // End of the set. Not named EOF: <cstdio> makes EOF a macro, so a member of
    // that name could not be called from any file that includes it.
    bool Eof() const;
    int RecordCount() const;
    int AbsolutePosition() const;           // zero-based; -1 without a current record
    void setAbsolutePosition(int position); // out of range -> Error 3001

    Value Fields(std::string_view name) const; // unknown -> Error 3265
    bool IsNull(std::string_view name) const;

    // Positions on the first matching row; when none matches, NoMatch() is true and
    // the position is kept.
    void FindFirst(const std::string& criteria);
    bool NoMatch() const;

    void Close();
    bool isOpen() const { return table_.has_value(); }

    // Takes over the field names `other` has resolved when both sets read the
    // same opening of a table (whose fields are then the same); else does nothing.
    // `other` is left closed either way: it is the set this one replaces.
    void adoptNames(Recordset&& other);

  private:
    const Table& openTable() const;
    int fieldOf(const Table& table, std::string_view name) const; // -1 when unknown
    std::optional<std::string_view> viewOf(std::string_view name) const;

    // The fields asked for by name so far, exactly as spelled: a window reads the
    // same few fields of every row, and finds each here in the order it asks.
    mutable std::vector<std::pair<std::string, int>> named_;
    mutable std::size_t nextNamed_ = 0;
    // The record at position recordPos_, found by the first field read there:
    // the rows never change, so the position alone tells whether it still holds.
    static constexpr std::size_t kNoPosition = ~std::size_t(0);
    mutable const char* record_ = nullptr;
    mutable std::size_t recordPos_ = kNoPosition;
    // The span of the fields read so far, which rows ahead bring into the cache.
    mutable int readFirst_ = -1;
    mutable int readLast_ = -1;
    void touchRow(std::size_t position) const;

    std::uint64_t tableId_ = 0;
    std::optional<Table> table_;
    std::vector<std::uint32_t> rows_;
    std::size_t pos_ = 0;
    bool noMatch_ = false;
    bool tableOrder_ = false;
};

class Query {
  public:
    // Throws Error naming the statement when it is outside the grammar above.
    static Query parse(const std::string& recordSource);
    static std::vector<Condition> parseCriteria(const std::string& criteria);

    const std::string& text() const { return text_; }
    const std::string& tableName() const { return table_; }
    const std::vector<Condition>& where() const { return where_; }
    const std::vector<std::string>& orderBy() const { return orderBy_; }

    // Unknown fields -> Error 3265 naming the field.
    Recordset run(const Table& table) const;

  private:
    std::string text_;
    std::string table_;
    std::vector<Condition> where_;
    std::vector<std::string> orderBy_;
};

// The table file whose value a record set handed out last, so that a value
// its caller cannot decode is reported against its file; empty before any.
const std::string& lastFileRead();

// Opens a table through a process-wide cache keyed by resolved path, size and
// modification time, so repeated queries do not re-read the file. opener
// opens the files as for Table::open, for a table served from the cache too.
Table openTableCached(const std::string& path, FileOpener opener = nullptr);
void clearTableCache();

// The never-visible data control of the windows: a record-set holder.
class DataControl {
  public:
    std::string Connect;      // kept only
    std::string DatabaseName; // folder of the tables
    std::string RecordSource; // SQL text or a table name
    // Opens every table and memo file (Table::open): a file it refuses counts
    // as not found. None: files are opened as they are named.
    FileOpener fileOpener = nullptr;

    // Runs RecordSource; on error the previous record set stays as it was.
    void Refresh();
    // Throws Error when Refresh has not run yet.
    db::Recordset& Recordset();

  private:
    std::optional<db::Recordset> rs_;
    // The statement of the RecordSource parsed last, kept while its text stays.
    std::optional<Query> parsed_;
};

} // namespace db
