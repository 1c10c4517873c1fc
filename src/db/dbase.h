#pragma once

// dBase III/IV tables: a reader (with .dbt memos). Values are raw 8-bit bytes;
// no code-page conversion. Tables are written by dbwriter/table_writer.h.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// Error numbers that callers map onto the windows' numbered run-time errors.
enum ErrorNumber : int {
    kErrGeneric = 0,
    // A file that could not be opened, looked at or read for lack of memory
    // or of descriptors: not missing, not damaged.
    kErrOutOfMemory = 7,
    kErrTooManyFiles = 67,
    // A table or memo file that is not there (ENOENT, ENOTDIR), or that is
    // no regular file: the only failures told as not found.
    kErrFileNotFound = 53,
    // A file that could not be opened, looked at or read for any other
    // reason (a read error, a refusal): it may well be there.
    kErrPathAccess = 75,
    kErrInvalidArgument = 3001,
    kErrNoCurrentRecord = 3021,
    kErrItemNotFound = 3265,
    kErrObjectClosed = 3420,
};

// Messages start with the path of the file at fault, which file() also gives:
// the memo file when the memo is damaged or missing, not the table.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message, int number = kErrGeneric)
        : std::runtime_error(message), number_(number) {}
    Error(const std::string& message, int number, std::string file)
        : std::runtime_error(message), number_(number), file_(std::move(file)) {}
    int number() const noexcept { return number_; }
    const std::string& file() const noexcept { return file_; } // empty when no file is at fault

  private:
    int number_;
    std::string file_;
};

using Value = std::optional<std::string>;

struct Field {
    std::string name; // as stored, NULs removed
    char type = 'C';
    int length = 0;
    int decimals = 0;
    int offset = 0; // within the record, after the deletion flag
};

// Opens a table or memo file for reading, given its path as found: a
// descriptor, or -1 with errno set. Only ENOENT and ENOTDIR (a file it
// refuses answers so) count as not found; any other errno is a fault.
// Without one, a file is opened as it is named.
using FileOpener = int (*)(const std::string& path);

// Returns `path` itself when it exists; otherwise the entry of its folder whose
// name matches the last component ignoring ASCII case; otherwise `path` unchanged.
// A folder that cannot be listed for lack of descriptors or memory is an Error
// numbered kErrTooManyFiles or kErrOutOfMemory.
std::string resolveFileNoCase(const std::string& path);

namespace detail {
// Names compare without regard to ASCII case; stored text loses its blank padding.
bool iequals(std::string_view a, std::string_view b);
std::string_view rtrimBlanks(std::string_view s);
} // namespace detail

class Table {
  public:
    // Checks the header, the deletion flags and every memo pointer against the
    // memo file; records and memos are then read from disk when first asked for
    // and kept. Throws db::Error on anything malformed.
    // opener, when given, opens the table and memo files, the later reads
    // included. Anything but a regular file (a FIFO, a device, a folder) is
    // a missing file (kErrFileNotFound); no opening waits for one. A file
    // that cannot be opened, looked at or read for any other reason is told
    // by its fault: kErrTooManyFiles or kErrOutOfMemory for a shortage, else
    // kErrPathAccess; never as missing.
    static Table open(const std::string& filePath, FileOpener opener = nullptr);

    const std::string& path() const;
    std::uint64_t id() const;            // different for every opening of a table file, never 0
    const std::string& memoPath() const; // empty when the table has no memo field
    const std::vector<Field>& fields() const;
    int fieldIndex(std::string_view name) const; // ASCII case-insensitive; -1 when unknown
    std::size_t recordCount() const;             // records not marked deleted

    // C: right-trimmed of 0x20; N/D/L: trimmed; M: memo text, Null when blank/0/empty;
    // other types: the raw field bytes.
    Value value(std::size_t row, int field) const;
    Value value(std::size_t row, std::string_view fieldName) const; // unknown name -> Error 3265

    // The same value without copying; valid as long as any copy of this Table lives.
    std::optional<std::string_view> view(std::size_t row, int field) const;
    // The same, for readers of several fields of one row: `record` is null, or what
    // an earlier call for the same row of this table left in it, so that the
    // record is found once per row rather than once per field.
    std::optional<std::string_view> view(std::size_t row, int field, const char*& record) const;

    // Scans for the query engine: rows whose value, right-trimmed of blanks, equals
    // (notEqual: differs from) the right-trimmed literal. Null passes neither test.
    std::vector<std::uint32_t> rowsWhere(int field, std::string_view literal, bool notEqual) const;
    // Keeps those of `rows` that pass, in their order.
    void keepRowsWhere(int field, std::string_view literal, bool notEqual,
                       std::vector<std::uint32_t>& rows) const;

    // Hints that rows are read soon, for readers that walk rows in a known order;
    // neither reads anything from the file. touch brings the bytes of fields
    // [firstField, lastField] of `row` into the processor's cache when its
    // record is in memory; touchChunk does the same for what finds the record,
    // and is given rows further ahead.
    void touch(std::size_t row, int firstField, int lastField) const;
    void touchChunk(std::size_t row) const;

    // Reads the records of `rows` that have not been read yet, with one opening
    // of the file, so that many views in a row do not open it once each.
    void prefetch(std::span<const std::uint32_t> rows) const;

    // Calls visit(row, value) for every row in order, with the value view() gives,
    // reading the file slice by slice without keeping it. Not for memo fields.
    void scanColumn(int field, const std::function<void(std::uint32_t, std::string_view)>& visit) const;
    // The same for several fields in one pass: values[i] belongs to fields[i].
    void
    scanColumns(std::span<const int> fields,
                const std::function<void(std::uint32_t, std::span<const std::string_view>)>& visit) const;

    // Data derived from the table (the query engine's indexes): built by `build` on
    // the first request for `key`, then shared as long as the table lives.
    struct Derived {
        virtual ~Derived() = default;
    };
    std::shared_ptr<const Derived>
    derived(const std::string& key, const std::function<std::shared_ptr<const Derived>()>& build) const;
    std::shared_ptr<const Derived> findDerived(const std::string& key) const; // null when not built

    struct Data;

  private:
    explicit Table(std::shared_ptr<const Data> d) : d_(std::move(d)) {}
    std::shared_ptr<const Data> d_;
};

} // namespace db
