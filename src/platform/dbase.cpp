#include "platform/dbase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace db {

namespace detail {

static char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

std::string_view rtrimBlanks(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return s.substr(0, n);
}

} // namespace detail

using detail::iequals;
using detail::rtrimBlanks;

namespace {

constexpr unsigned char kHeaderEnd = 0x0D;
constexpr unsigned char kEofMark = 0x1A;
constexpr std::size_t kDescriptorSize = 32;
constexpr unsigned kDefaultBlockSize = 512;

unsigned le16(const unsigned char* p) {
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
void putLe16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::string_view trimBlanks(std::string_view s) {
    s = rtrimBlanks(s);
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}

struct FileBytes {
    std::unique_ptr<char[]> data; // not zero-initialised: a 50,000-record table is read in one go
    std::size_t size = 0;
};

FileBytes readWholeFile(const std::string& path, const char* what) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw Error(std::string(what) + " not found: " + path);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw Error(std::string("cannot open ") + what + ": " + path);
    FileBytes out;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long end = ok ? std::ftell(f) : -1;
    ok = ok && end >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.size = static_cast<std::size_t>(end);
        out.data.reset(new char[out.size > 0 ? out.size : 1]);
        ok = std::fread(out.data.get(), 1, out.size, f) == out.size;
    }
    std::fclose(f);
    if (!ok) throw Error(std::string("cannot read ") + what + ": " + path);
    return out;
}

// The memo file sits next to the table with extension .dbt; the case of the
// letters is whatever the disk has.
std::string memoPathFor(const std::string& dbfPath) {
    std::string p = dbfPath;
    if (p.size() >= 4 && iequals(std::string_view(p).substr(p.size() - 4), ".dbf"))
        p.back() = (p.back() == 'F') ? 'T' : 't';
    else
        p += ".dbt";
    return p;
}

} // namespace

std::string resolveFileNoCase(const std::string& path) {
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    const fs::path p(path);
    const std::string name = p.filename().string();
    fs::path dir = p.parent_path();
    if (dir.empty()) dir = ".";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (iequals(candidate, name)) return (p.parent_path() / candidate).string();
    }
    return path;
}

struct Table::Data {
    std::string path;
    FileBytes file;
    std::size_t headerLen = 0;
    std::size_t recordLen = 0;
    std::vector<Field> fields;
    std::vector<std::uint32_t> rows; // physical record numbers of the live records

    // Memos: block numbers parsed and bounds-checked at open; the .dbt itself is
    // read on first use so that queries on other fields do not pay for it.
    std::vector<int> memoColumn; // per field: column in memoBlocks, or -1
    std::size_t memoColumns = 0;
    std::vector<std::uint32_t> memoBlocks; // rows.size() * memoColumns, 0 = Null
    std::string memoPath;
    unsigned blockSize = kDefaultBlockSize;
    mutable std::once_flag memoOnce;
    mutable FileBytes memo;

    const char* record(std::size_t row) const {
        return file.data.get() + headerLen + std::size_t(rows[row]) * recordLen;
    }
    const FileBytes& memoFile() const {
        std::call_once(memoOnce, [this] { memo = readWholeFile(memoPath, "memo file"); });
        return memo;
    }
    std::optional<std::string_view> memoText(std::uint32_t block) const;
};

std::optional<std::string_view> Table::Data::memoText(std::uint32_t block) const {
    if (block == 0) return std::nullopt;
    const FileBytes& m = memoFile();
    const std::uint64_t off = std::uint64_t(block) * blockSize;
    if (off >= m.size)
        throw Error("memo block " + std::to_string(block) + " is past the end of memo file " + memoPath);
    const auto* p = reinterpret_cast<const unsigned char*>(m.data.get()) + off;
    const std::size_t avail = m.size - static_cast<std::size_t>(off);
    std::string_view text;
    if (avail >= 8 && p[0] == 0xFF && p[1] == 0xFF && p[2] == 0x08 && p[3] == 0x00) {
        // dBase IV block: the stored length counts the 8-byte block header.
        const std::uint32_t len = le32(p + 4);
        if (len < 8) return std::nullopt;
        if (len > avail)
            throw Error("memo at block " + std::to_string(block) + " runs past the end of memo file " +
                        memoPath);
        text = std::string_view(reinterpret_cast<const char*>(p) + 8, len - 8);
    } else {
        // dBase III: text up to the 0x1A terminator (normally doubled).
        const void* end = std::memchr(p, kEofMark, avail);
        const std::size_t len =
            end ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - p) : avail;
        text = std::string_view(reinterpret_cast<const char*>(p), len);
    }
    if (text.empty()) return std::nullopt;
    return text;
}

namespace {

// Reads a file into one buffer in slices, so the caller can work on each slice
// while it is still in cache.
class SliceReader {
  public:
    SliceReader(const std::string& path, const char* what) : path_(path), what_(what) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) throw Error(std::string(what) + " not found: " + path);
        f_ = std::fopen(path.c_str(), "rb");
        if (!f_) throw Error(std::string("cannot open ") + what + ": " + path);
        long end = -1;
        if (std::fseek(f_, 0, SEEK_END) == 0) end = std::ftell(f_);
        if (end < 0 || std::fseek(f_, 0, SEEK_SET) != 0) fail();
        out_.size = static_cast<std::size_t>(end);
        out_.data.reset(new char[out_.size > 0 ? out_.size : 1]);
    }
    ~SliceReader() {
        if (f_) std::fclose(f_);
    }
    SliceReader(const SliceReader&) = delete;
    SliceReader& operator=(const SliceReader&) = delete;

    std::size_t size() const { return out_.size; }
    std::size_t done() const { return done_; }
    const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(out_.data.get()); }
    // Makes at least `upTo` bytes (capped at the size) available.
    void readTo(std::size_t upTo) {
        upTo = std::min(upTo, out_.size);
        if (upTo <= done_) return;
        if (std::fread(out_.data.get() + done_, 1, upTo - done_, f_) != upTo - done_) fail();
        done_ = upTo;
    }
    FileBytes take() {
        readTo(out_.size);
        return std::move(out_);
    }

  private:
    [[noreturn]] void fail() const { throw Error(std::string("cannot read ") + what_ + ": " + path_); }

    std::string path_;
    const char* what_;
    std::FILE* f_ = nullptr;
    FileBytes out_;
    std::size_t done_ = 0;
};

constexpr std::size_t kSlice = 256 * 1024;

// The memo block number of a pointer field (blank or 0: none). One pass without
// copies: this runs for every record of every table opened.
std::uint32_t memoBlock(const char* p, std::size_t n, const std::string& table, const Field& f) {
    std::uint64_t block = 0;
    int state = 0; // 0 leading blanks, 1 digits, 2 trailing blanks
    for (std::size_t i = 0; i < n; ++i) {
        const char c = p[i];
        if (c == ' ') {
            if (state == 1) state = 2;
        } else if (c >= '0' && c <= '9' && state < 2 && block <= 0xFFFFFFFFu) {
            state = 1;
            block = block * 10 + unsigned(c - '0');
        } else {
            throw Error(table + ": bad memo pointer \"" + std::string(p, n) + "\" in field " + f.name);
        }
    }
    if (block > 0xFFFFFFFFu) throw Error(table + ": memo pointer " + std::string(p, n) + " out of range");
    return static_cast<std::uint32_t>(block);
}

} // namespace

Table Table::open(const std::string& filePath) {
    auto d = std::make_shared<Data>();
    d->path = resolveFileNoCase(filePath);
    const std::string& name = d->path;
    SliceReader in(d->path, "table file");
    const std::size_t size = in.size();
    in.readTo(kSlice);
    const unsigned char* b = in.bytes();

    if (size < 32) throw Error(name + ": header too short (" + std::to_string(size) + " bytes)");
    const unsigned version = b[0];
    const unsigned level = version & 0x07; // 3 = dBase III, 4 = dBase IV; high bits flag memos
    if (level != 3 && level != 4)
        throw Error(name + ": not a dBase III/IV table (version byte " + std::to_string(version) + ")");
    const std::uint32_t recordCount = le32(b + 4);
    d->headerLen = le16(b + 8);
    d->recordLen = le16(b + 10);
    if (d->headerLen > size)
        throw Error(name + ": header too short (header length " + std::to_string(d->headerLen) +
                    " but file has " + std::to_string(size) + " bytes)");
    if (d->headerLen < kDescriptorSize + kDescriptorSize + 1)
        throw Error(name + ": header length " + std::to_string(d->headerLen) + " leaves no room for fields");
    in.readTo(d->headerLen);

    int offset = 1;
    for (std::size_t pos = kDescriptorSize; pos + kDescriptorSize <= d->headerLen && b[pos] != kHeaderEnd;
         pos += kDescriptorSize) {
        Field f;
        const char* raw = reinterpret_cast<const char*>(b + pos);
        f.name = std::string(rtrimBlanks(std::string_view(raw, strnlen(raw, 11))));
        f.type = static_cast<char>(b[pos + 11]);
        f.length = b[pos + 16];
        f.decimals = b[pos + 17];
        f.offset = offset;
        offset += f.length;
        if (std::size_t(offset) > d->recordLen)
            throw Error(name + ": field " + f.name + " runs past the record length " +
                        std::to_string(d->recordLen));
        d->fields.push_back(std::move(f));
    }
    if (d->fields.empty()) throw Error(name + ": no field descriptors in the header");
    if (std::size_t(offset) != d->recordLen)
        throw Error(name + ": record length " + std::to_string(d->recordLen) +
                    " inconsistent with the field descriptors (" + std::to_string(offset) + ")");
    const std::uint64_t holds = (size - d->headerLen) / d->recordLen;
    if (recordCount > holds)
        throw Error(name + ": record count " + std::to_string(recordCount) + " larger than the file holds (" +
                    std::to_string(holds) + ")");

    d->memoColumn.assign(d->fields.size(), -1);
    std::vector<std::size_t> memoFields;
    for (std::size_t i = 0; i < d->fields.size(); ++i)
        if (d->fields[i].type == 'M') {
            d->memoColumn[i] = static_cast<int>(d->memoColumns++);
            memoFields.push_back(i);
        }
    std::uintmax_t memoSize = 0;
    if (d->memoColumns > 0) {
        d->memoPath = resolveFileNoCase(memoPathFor(d->path));
        std::error_code ec;
        memoSize = fs::file_size(d->memoPath, ec);
        if (ec) throw Error(name + ": memo file missing (" + d->memoPath + ")");
        if (version != 0x83) {
            // dBase IV keeps its block size in the memo header; dBase III leaves it 0.
            unsigned char head[22] = {};
            if (std::FILE* f = std::fopen(d->memoPath.c_str(), "rb")) {
                const std::size_t got = std::fread(head, 1, sizeof head, f);
                std::fclose(f);
                if (got == sizeof head && le16(head + 20) != 0) d->blockSize = le16(head + 20);
            }
        }
    }

    // Deletion flags and memo pointers are checked slice by slice as the file comes in.
    d->rows.reserve(recordCount);
    d->memoBlocks.reserve(std::size_t(recordCount) * d->memoColumns);
    for (std::uint32_t i = 0; i < recordCount;) {
        in.readTo(std::max(in.done() + kSlice, d->headerLen + d->recordLen * (std::size_t(i) + 1)));
        const std::size_t available =
            std::min<std::size_t>(recordCount, (in.done() - d->headerLen) / d->recordLen);
        for (; i < available; ++i) {
            const char* rec = reinterpret_cast<const char*>(b) + d->headerLen + std::size_t(i) * d->recordLen;
            if (*rec == '*') continue;
            d->rows.push_back(i);
            for (std::size_t fi : memoFields) {
                const Field& f = d->fields[fi];
                const std::uint32_t block =
                    memoBlock(rec + f.offset, static_cast<std::size_t>(f.length), name, f);
                if (block != 0 && std::uint64_t(block) * d->blockSize >= memoSize)
                    throw Error(name + ": memo pointer " + std::to_string(block) + " in field " + f.name +
                                " is past the end of memo file " + d->memoPath);
                d->memoBlocks.push_back(block);
            }
        }
    }
    d->file = in.take();
    return Table(std::move(d));
}

const std::string& Table::path() const {
    return d_->path;
}
const std::vector<Field>& Table::fields() const {
    return d_->fields;
}
std::size_t Table::recordCount() const {
    return d_->rows.size();
}

int Table::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < d_->fields.size(); ++i)
        if (iequals(d_->fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

std::optional<std::string_view> Table::view(std::size_t row, int field) const {
    if (row >= d_->rows.size() || field < 0 || std::size_t(field) >= d_->fields.size())
        throw Error(d_->path + ": record " + std::to_string(row) + " field " + std::to_string(field) +
                    " out of range");
    const Field& f = d_->fields[field];
    if (f.type == 'M') return d_->memoText(d_->memoBlocks[row * d_->memoColumns + d_->memoColumn[field]]);
    const std::string_view raw(d_->record(row) + f.offset, static_cast<std::size_t>(f.length));
    switch (f.type) {
    case 'C':
        return rtrimBlanks(raw);
    case 'N':
    case 'F':
    case 'D':
    case 'L':
        return trimBlanks(raw);
    default:
        return raw;
    }
}

namespace {

// Equal after right-trimming blanks, compared in place: the literal, then blanks only.
inline bool equalsPadded(const char* field, std::size_t width, std::string_view literal) {
    if (literal.size() > width) return false;
    if (std::memcmp(field, literal.data(), literal.size()) != 0) return false;
    for (std::size_t i = literal.size(); i < width; ++i)
        if (field[i] != ' ') return false;
    return true;
}

template <class RowAt, class Emit>
void scanField(const Table& t, const Table::Data& d, int field, std::string_view literal, bool notEqual,
               std::size_t n, RowAt rowAt, Emit emit) {
    if (field < 0 || std::size_t(field) >= d.fields.size())
        throw Error(d.path + ": field " + std::to_string(field) + " out of range");
    literal = rtrimBlanks(literal);
    const Field& f = d.fields[field];
    if (f.type == 'C') {
        const char* base = d.file.data.get() + d.headerLen + f.offset;
        const std::size_t width = static_cast<std::size_t>(f.length);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint32_t r = rowAt(k);
            if (equalsPadded(base + std::size_t(d.rows[r]) * d.recordLen, width, literal) != notEqual)
                emit(r);
        }
        return;
    }
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t r = rowAt(k);
        const auto v = t.view(r, field);
        if (v && (rtrimBlanks(*v) == literal) != notEqual) emit(r);
    }
}

} // namespace

std::vector<std::uint32_t> Table::rowsWhere(int field, std::string_view literal, bool notEqual) const {
    std::vector<std::uint32_t> out;
    scanField(
        *this, *d_, field, literal, notEqual, d_->rows.size(),
        [](std::size_t k) { return static_cast<std::uint32_t>(k); },
        [&](std::uint32_t r) { out.push_back(r); });
    return out;
}

void Table::keepRowsWhere(int field, std::string_view literal, bool notEqual,
                          std::vector<std::uint32_t>& rows) const {
    for (std::uint32_t r : rows)
        if (r >= d_->rows.size()) throw Error(d_->path + ": record " + std::to_string(r) + " out of range");
    std::size_t kept = 0;
    scanField(
        *this, *d_, field, literal, notEqual, rows.size(), [&](std::size_t k) { return rows[k]; },
        [&](std::uint32_t r) { rows[kept++] = r; });
    rows.resize(kept);
}

Value Table::value(std::size_t row, int field) const {
    const auto v = view(row, field);
    if (!v) return std::nullopt;
    return std::string(*v);
}

Value Table::value(std::size_t row, std::string_view fieldName) const {
    const int i = fieldIndex(fieldName);
    if (i < 0)
        throw Error("Item not found in this collection: no field \"" + std::string(fieldName) + "\" in " +
                        d_->path,
                    kErrItemNotFound);
    return value(row, i);
}

// ---------------------------------------------------------------------------

namespace {

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw Error("cannot create " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) throw Error("cannot write " + path);
}

} // namespace

void writeTable(const std::string& dbfPath, const std::vector<FieldDef>& defs,
                const std::vector<std::vector<std::optional<std::string>>>& records,
                const std::vector<bool>* deleted) {
    if (defs.empty()) throw Error(dbfPath + ": a table needs at least one field");
    if (deleted && deleted->size() != records.size())
        throw Error(dbfPath + ": deletion flags do not match the record count");

    std::vector<FieldDef> fields = defs;
    bool hasMemo = false;
    std::size_t recordLen = 1;
    for (auto& f : fields) {
        if (f.name.empty() || f.name.size() > 10 || f.name.find('\0') != std::string::npos)
            throw Error(dbfPath + ": bad field name \"" + f.name + "\"");
        switch (f.type) {
        case 'M':
            f.length = 10;
            hasMemo = true;
            break;
        case 'D':
            f.length = 8;
            break;
        case 'L':
            f.length = 1;
            break;
        case 'C':
        case 'N':
            if (f.length < 1 || f.length > 254)
                throw Error(dbfPath + ": field " + f.name + " has bad length " + std::to_string(f.length));
            break;
        default:
            throw Error(dbfPath + ": field " + f.name + " has unsupported type '" + std::string(1, f.type) +
                        "'");
        }
        recordLen += static_cast<std::size_t>(f.length);
    }
    const std::size_t headerLen = kDescriptorSize * (fields.size() + 1) + 1;
    if (recordLen > 0xFFFF || headerLen > 0xFFFF) throw Error(dbfPath + ": too many fields");

    std::vector<unsigned char> out(headerLen, 0);
    out[0] = hasMemo ? 0x8B : 0x03;
    out[1] = 126; // 2026-01-01
    out[2] = 1;
    out[3] = 1;
    putLe32(&out[4], static_cast<std::uint32_t>(records.size()));
    putLe16(&out[8], static_cast<unsigned>(headerLen));
    putLe16(&out[10], static_cast<unsigned>(recordLen));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        unsigned char* d = &out[kDescriptorSize * (i + 1)];
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = static_cast<unsigned char>(fields[i].type);
        d[16] = static_cast<unsigned char>(fields[i].length);
        d[17] = static_cast<unsigned char>(fields[i].decimals);
    }
    out[headerLen - 1] = kHeaderEnd;

    std::vector<unsigned char> memo;
    if (hasMemo) {
        memo.assign(kDefaultBlockSize, 0);
        const std::string stem = fs::path(dbfPath).stem().string().substr(0, 8);
        std::memcpy(&memo[8], stem.data(), stem.size());
        putLe16(&memo[20], kDefaultBlockSize);
    }

    out.reserve(headerLen + records.size() * recordLen + 1);
    for (std::size_t r = 0; r < records.size(); ++r) {
        const auto& rec = records[r];
        if (rec.size() != fields.size())
            throw Error(dbfPath + ": record " + std::to_string(r) + " has " + std::to_string(rec.size()) +
                        " values for " + std::to_string(fields.size()) + " fields");
        out.push_back((deleted && (*deleted)[r]) ? '*' : ' ');
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const FieldDef& f = fields[i];
            std::string cell;
            if (f.type == 'M') {
                if (rec[i] && !rec[i]->empty()) {
                    const std::size_t block = memo.size() / kDefaultBlockSize;
                    const std::size_t len = rec[i]->size() + 8;
                    if (len > 0xFFFFFFFFu) throw Error(dbfPath + ": memo too long");
                    const std::size_t start = memo.size();
                    memo.resize(start + (len + kDefaultBlockSize - 1) / kDefaultBlockSize * kDefaultBlockSize,
                                0);
                    memo[start] = 0xFF;
                    memo[start + 1] = 0xFF;
                    memo[start + 2] = 0x08;
                    memo[start + 3] = 0x00;
                    putLe32(&memo[start + 4], static_cast<std::uint32_t>(len));
                    std::memcpy(&memo[start + 8], rec[i]->data(), rec[i]->size());
                    cell = std::to_string(block);
                    cell.insert(0, 10 - cell.size(), ' ');
                } else {
                    cell.assign(10, ' ');
                }
            } else {
                cell = rec[i].value_or(std::string());
                if (cell.size() > std::size_t(f.length))
                    throw Error(dbfPath + ": value of " + f.name + " in record " + std::to_string(r) +
                                " is " + std::to_string(cell.size()) + " bytes, wider than " +
                                std::to_string(f.length));
                if (f.type == 'N')
                    cell.insert(0, std::size_t(f.length) - cell.size(), ' ');
                else
                    cell.append(std::size_t(f.length) - cell.size(), ' ');
            }
            out.insert(out.end(), cell.begin(), cell.end());
        }
    }
    out.push_back(kEofMark);

    writeFile(dbfPath, out);
    if (hasMemo) {
        putLe32(&memo[0], static_cast<std::uint32_t>(memo.size() / kDefaultBlockSize));
        writeFile(memoPathFor(dbfPath), memo);
    }
}

} // namespace db
