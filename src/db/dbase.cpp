#include "db/dbase.h"

#include "db/dbase_format.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <numeric>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>

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

// Eight bytes at a time: text fields are mostly padding, and every value read
// is trimmed.
std::string_view rtrimBlanks(std::string_view s) {
    constexpr std::uint64_t kBlanks = 0x2020202020202020u;
    std::size_t n = s.size();
    while (n >= 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + n - 8, 8);
        word ^= kBlanks; // zero bytes: blanks
        if (word != 0) {
            // The last non-blank byte is the highest non-zero byte of the word.
            const auto trailing = std::size_t((std::endian::native == std::endian::little
                                                   ? std::countl_zero(word)
                                                   : std::countr_zero(word)) /
                                               8);
            return s.substr(0, n - trailing);
        }
        n -= 8;
    }
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return s.substr(0, n);
}

} // namespace detail

using detail::iequals;
using detail::rtrimBlanks;
using namespace format;

std::string format::memoPathFor(const std::string& dbfPath) {
    std::string p = dbfPath;
    if (p.size() >= 4 && iequals(std::string_view(p).substr(p.size() - 4), ".dbf"))
        p.back() = (p.back() == 'F') ? 'T' : 't';
    else
        p += ".dbt";
    return p;
}

namespace {

constexpr std::size_t kMemoHeaderSize = 22; // up to the dBase IV block size
// Records are fetched and kept in chunks of about kChunk bytes: small, since
// a family's rows lie scattered over the table and each chunk read for one of
// them brings its neighbours along. Chunks read in a row bring up to
// kReadAhead more with them. Kept chunks are packed into blocks of kBlock
// bytes. Scans read slices of kSlice bytes into one buffer that is then reused.
constexpr std::size_t kChunk = 1024;
constexpr std::uint32_t kReadAhead = 8;
constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kSlice = 256 * 1024;

std::string_view trimBlanks(std::string_view s) {
    s = rtrimBlanks(s);
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}

[[noreturn]] void fail(const std::string& file, const std::string& reason, int number = kErrGeneric) {
    throw Error(file + ": " + reason, number, file);
}

// The number of a failure for lack of descriptors or memory, which says
// nothing of the file; kErrGeneric for any other.
int shortageNumber(int err) {
    if (err == EMFILE || err == ENFILE) return kErrTooManyFiles;
    return err == ENOMEM ? kErrOutOfMemory : kErrGeneric;
}

// The number of a failure to open, look at or read a file that is there, or
// may be: a shortage as such, any other fault (a read error, a refusal) as
// kErrPathAccess. Never kErrFileNotFound: only ENOENT and ENOTDIR say that.
int faultNumber(int err) {
    const int shortage = shortageNumber(err);
    return shortage != kErrGeneric ? shortage : kErrPathAccess;
}

// What a table was opened from; a file that no longer matches it has been
// changed by someone else and its bytes no longer fit what was checked.
struct Stamp {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1000000000 + std::int64_t(st.st_mtim.tv_nsec)};
}

// One file opened for reading. Tables do not hold descriptors between reads:
// the table cache keeps every table it has opened, and a descriptor each would
// soon run out. Nor do they map the file: a file cut short by another program
// while mapped ends the process with SIGBUS instead of an error.
class ReadFile {
  public:
    // A file the opener refuses, and anything but a regular file, counts as
    // not found. Any other failure, of the open or of the look at the open
    // file, is a fault that says nothing of the file, told as itself.
    ReadFile(const std::string& path, const char* what, FileOpener open) : path_(path) {
        // Without an opener, without waiting for a FIFO or a device to answer.
        fd_ = open ? open(path) : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            const int e = errno;
            // ENXIO: a socket.
            if (e == ENOENT || e == ENOTDIR || e == ENXIO)
                fail(path, std::string(what) + " not found", kErrFileNotFound);
            fail(path, std::string("cannot open ") + what + " (" + std::strerror(e) + ")", faultNumber(e));
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            const int e = errno;
            ::close(fd_);
            fail(path, std::string("cannot open ") + what + " (" + std::strerror(e) + ")", faultNumber(e));
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd_);
            fail(path, std::string(what) + " not found", kErrFileNotFound);
        }
        stamp_ = stampOf(st);
    }
    ~ReadFile() { ::close(fd_); }
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    const Stamp& stamp() const { return stamp_; }
    std::uint64_t size() const { return stamp_.size; }
    // Reads up to n bytes at `offset`; returns how many there were.
    std::size_t readAt(std::uint64_t offset, void* out, std::size_t n) const {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got =
                ::pread(fd_, static_cast<char*>(out) + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                const int e = errno;
                fail(path_, std::string("read error (") + std::strerror(e) + ")", faultNumber(e));
            }
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }
    void readExactly(std::uint64_t offset, void* out, std::size_t n, const char* what) const {
        if (readAt(offset, out, n) != n)
            fail(path_, std::string("file is shorter than when it was opened (reading ") + what + ")");
    }

  private:
    std::string path_;
    int fd_ = -1;
    Stamp stamp_;
};

} // namespace

std::string resolveFileNoCase(const std::string& path) {
    std::error_code ec;
    // A folder that cannot be looked into for lack of descriptors or memory
    // gives no answer: the file may well be there under another case.
    const auto passShortage = [&ec, &path] {
        if (const int number = shortageNumber(ec.value()); number != kErrGeneric)
            fail(path, std::string("cannot look for the file (") + ec.message() + ")", number);
    };
    if (fs::exists(path, ec)) return path;
    passShortage();
    const fs::path p(path);
    const std::string name = p.filename().string();
    fs::path dir = p.parent_path();
    if (dir.empty()) dir = ".";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (iequals(candidate, name)) return (p.parent_path() / candidate).string();
    }
    passShortage();
    return path;
}

struct Table::Data {
    std::string path;
    FileOpener opener = nullptr; // opens the files at every read
    std::uint64_t id = 0;
    Stamp stamp;
    std::size_t headerLen = 0;
    std::size_t recordLen = 0;
    std::uint32_t physicalCount = 0; // records in the file, deleted ones included
    std::vector<Field> fields;
    // Physical record numbers of the live records; empty when no record is
    // deleted, as in most tables, where a row is its own record number.
    std::vector<std::uint32_t> rows;
    std::uint32_t liveCount = 0;
    std::size_t chunkRecords = 1;

    std::vector<int> memoColumn; // per field: column in memoBlocks, or -1
    std::size_t memoColumns = 0;
    std::vector<std::uint32_t> memoBlocks; // liveCount * memoColumns, 0 = Null
    std::string memoPath;
    Stamp memoStamp;
    unsigned blockSize = kDefaultBlockSize;

    // What has been read is kept, so that the views handed out stay valid. A
    // chunk is published once, whole, through its slot; readers that find it
    // there take no lock. Chunks are read, blocks filled and memos kept under
    // readMutex.
    mutable std::mutex readMutex;
    std::unique_ptr<std::atomic<const char*>[]> chunkAt; // per chunk; null until read
    std::uint32_t chunkCount = 0;
    mutable std::vector<std::unique_ptr<char[]>> blocks;
    mutable char* blockNext = nullptr; // the free end of blocks.back()
    mutable std::size_t blockFree = 0;
    mutable std::unordered_map<std::uint32_t, std::optional<std::string>> memos;

    bool chunkRead(std::uint32_t chunk) const { return chunkAt[chunk].load(std::memory_order_acquire); }
    char* allocate(std::size_t bytes) const;

    mutable std::mutex derivedMutex;
    mutable std::map<std::string, std::shared_ptr<const Derived>, std::less<>> derived;

    std::uint32_t physical(std::size_t row) const {
        return rows.empty() ? static_cast<std::uint32_t>(row) : rows[row];
    }
    const char* record(std::size_t row) const;
    const char* readChunk(std::uint32_t chunk) const;
    void readChunks(const ReadFile& file, std::uint32_t first, std::uint32_t count) const;
    std::optional<std::string_view> memoText(std::size_t row, int field) const;
    std::optional<std::string> readMemo(std::uint32_t block, std::size_t row, const Field& f) const;
};

namespace {

void requireUnchanged(const ReadFile& file, const Stamp& expected, const std::string& path) {
    if (!(file.stamp() == expected))
        fail(path, "file changed on disk since it was opened; open it again to read it");
}

} // namespace

// Call with readMutex held.
char* Table::Data::allocate(std::size_t bytes) const {
    if (bytes > blockFree) {
        const std::size_t size = std::max(bytes, kBlock);
        blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
        blockNext = blocks.back().get();
        blockFree = size;
    }
    char* at = blockNext;
    blockNext += bytes;
    blockFree -= bytes;
    return at;
}

// Chunks [first, first + count), none read yet, with one read. Call with
// readMutex held.
void Table::Data::readChunks(const ReadFile& file, std::uint32_t first, std::uint32_t count) const {
    const std::uint64_t firstRecord = std::uint64_t(first) * chunkRecords;
    const std::size_t n =
        std::min<std::uint64_t>(std::uint64_t(count) * chunkRecords, physicalCount - firstRecord);
    char* bytes = allocate(n * recordLen);
    file.readExactly(headerLen + firstRecord * recordLen, bytes, n * recordLen, "records");
    for (std::uint32_t c = 0; c < count; ++c)
        chunkAt[first + c].store(bytes + std::size_t(c) * chunkRecords * recordLen, std::memory_order_release);
}

const char* Table::Data::readChunk(std::uint32_t chunk) const {
    std::lock_guard lock(readMutex);
    if (const char* done = chunkAt[chunk].load(std::memory_order_acquire)) return done; // read meanwhile
    ReadFile file(path, "table file", opener);
    requireUnchanged(file, stamp, path);
    // Rows read in table order: the chunks that follow are read with this one.
    std::uint32_t count = 1;
    if (chunk > 0 && chunkRead(chunk - 1))
        while (count <= kReadAhead && chunk + count < chunkCount && !chunkRead(chunk + count))
            ++count;
    readChunks(file, chunk, count);
    return chunkAt[chunk].load(std::memory_order_relaxed);
}

const char* Table::Data::record(std::size_t row) const {
    const std::uint32_t at = physical(row);
    const std::uint32_t chunk = at / static_cast<std::uint32_t>(chunkRecords);
    const char* bytes = chunkAt[chunk].load(std::memory_order_acquire);
    if (!bytes) bytes = readChunk(chunk);
    return bytes + std::size_t(at % chunkRecords) * recordLen;
}

std::optional<std::string_view> Table::Data::memoText(std::size_t row, int field) const {
    const std::uint32_t block = memoBlocks[row * memoColumns + std::size_t(memoColumn[field])];
    if (block == 0) return std::nullopt;
    std::lock_guard lock(readMutex);
    auto it = memos.find(block);
    if (it == memos.end()) it = memos.emplace(block, readMemo(block, row, fields[field])).first;
    if (!it->second) return std::nullopt;
    return std::string_view(*it->second);
}

std::optional<std::string> Table::Data::readMemo(std::uint32_t block, std::size_t row, const Field& f) const {
    ReadFile file(memoPath, "memo file", opener);
    requireUnchanged(file, memoStamp, memoPath);
    const std::uint64_t off = std::uint64_t(block) * blockSize;
    const std::uint64_t avail = file.size() - off; // the pointer was checked against the size at open
    const auto where = [&] {
        return "the memo at block " + std::to_string(block) + " (field " + f.name + " of record " +
               std::to_string(row + 1) + " in " + path + ")";
    };
    unsigned char head[8] = {};
    const std::size_t got = file.readAt(off, head, sizeof head);
    std::string text;
    if (got == sizeof head && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
        // dBase IV block: the stored length counts the 8-byte block header.
        const std::uint32_t len = le32(head + 4);
        if (len < 8) return std::nullopt;
        if (len > avail)
            fail(memoPath, where() + " is " + std::to_string(len) + " bytes long, but the file ends " +
                               std::to_string(avail) + " bytes after its start");
        text.resize(len - 8);
        file.readExactly(off + 8, text.data(), text.size(), "a memo");
    } else {
        // dBase III: text up to the 0x1A terminator (normally doubled), else to the end.
        char buf[512];
        for (std::uint64_t at = off; at < file.size();) {
            const std::size_t n = file.readAt(at, buf, sizeof buf);
            if (n == 0) break;
            const void* end = std::memchr(buf, kEofMark, n);
            const std::size_t take = end ? std::size_t(static_cast<const char*>(end) - buf) : n;
            text.append(buf, take);
            if (end) break;
            at += n;
        }
    }
    if (text.empty()) return std::nullopt;
    return text;
}

namespace {

// The memo block number of a pointer field (blank or 0: none). One pass without
// copies: this runs for every record of every table opened.
std::uint32_t memoBlock(const char* p, std::size_t n, const std::string& table, const Field& f,
                        std::uint32_t record) {
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
            fail(table, "bad memo pointer \"" + std::string(p, n) + "\" in field " + f.name + " of record " +
                            std::to_string(record + 1));
        }
    }
    if (block > 0xFFFFFFFFu)
        fail(table, "memo pointer " + std::string(p, n) + " out of range in field " + f.name + " of record " +
                        std::to_string(record + 1));
    return static_cast<std::uint32_t>(block);
}

// Walks physical records [first, first + count) slice by slice through one buffer.
template <class Visit>
void forEachRecord(const ReadFile& file, std::size_t headerLen, std::size_t recordLen, std::uint32_t first,
                   std::uint32_t count, Visit visit) {
    const std::size_t perSlice = std::max<std::size_t>(1, kSlice / recordLen);
    std::vector<char> buf(std::min<std::size_t>(perSlice, std::max<std::uint32_t>(count, 1)) * recordLen);
    for (std::uint32_t i = first; i < first + count;) {
        const std::size_t n = std::min<std::size_t>(perSlice, first + count - i);
        file.readExactly(headerLen + std::uint64_t(i) * recordLen, buf.data(), n * recordLen, "records");
        for (std::size_t k = 0; k < n; ++k, ++i)
            visit(i, buf.data() + k * recordLen);
    }
}

} // namespace

Table Table::open(const std::string& filePath, FileOpener opener) {
    static std::atomic<std::uint64_t> openings{0};
    auto d = std::make_shared<Data>();
    d->id = ++openings;
    d->opener = opener;
    d->path = resolveFileNoCase(filePath);
    const std::string& name = d->path;
    ReadFile in(d->path, "table file", opener);
    d->stamp = in.stamp();
    const std::uint64_t size = in.size();

    if (size < 32) fail(name, "header too short (" + std::to_string(size) + " bytes)");
    unsigned char head[32];
    in.readExactly(0, head, sizeof head, "the header");
    const unsigned version = head[0];
    const unsigned level = version & 0x07; // 3 = dBase III, 4 = dBase IV; high bits flag memos
    if (level != 3 && level != 4)
        fail(name, "not a dBase III/IV table (version byte " + std::to_string(version) + ")");
    const std::uint32_t recordCount = le32(head + 4);
    d->headerLen = le16(head + 8);
    d->recordLen = le16(head + 10);
    if (d->headerLen > size)
        fail(name, "header too short (header length " + std::to_string(d->headerLen) + " but file has " +
                       std::to_string(size) + " bytes)");
    if (d->headerLen < kDescriptorSize + kDescriptorSize + 1)
        fail(name, "header length " + std::to_string(d->headerLen) + " leaves no room for fields");
    std::vector<unsigned char> header(d->headerLen);
    in.readExactly(0, header.data(), header.size(), "the header");
    const unsigned char* b = header.data();

    int offset = 1;
    std::size_t pos = kDescriptorSize;
    for (; pos + kDescriptorSize <= d->headerLen && b[pos] != kHeaderEnd; pos += kDescriptorSize) {
        Field f;
        const char* raw = reinterpret_cast<const char*>(b + pos);
        f.name = std::string(rtrimBlanks(std::string_view(raw, strnlen(raw, 11))));
        f.type = static_cast<char>(b[pos + 11]);
        f.length = b[pos + 16];
        f.decimals = b[pos + 17];
        f.offset = offset;
        // A field of no bytes holds nothing and leaves the next one at the same
        // place; a header with one is damaged, whatever the type says.
        if (f.length == 0) fail(name, "field " + f.name + " has length 0");
        offset += f.length;
        if (std::size_t(offset) > d->recordLen)
            fail(name, "field " + f.name + " runs past the record length " + std::to_string(d->recordLen));
        d->fields.push_back(std::move(f));
    }
    // Without its terminator the header cannot be told apart from a header cut
    // short, or from a header length that points into the records.
    if (pos >= d->headerLen || b[pos] != kHeaderEnd)
        fail(name, "field descriptors not followed by the 0x0D header terminator (header length " +
                       std::to_string(d->headerLen) + ")");
    if (d->fields.empty()) fail(name, "no field descriptors in the header");
    if (std::size_t(offset) != d->recordLen)
        fail(name, "record length " + std::to_string(d->recordLen) +
                       " inconsistent with the field descriptors (" + std::to_string(offset) + ")");
    const std::uint64_t holds = (size - d->headerLen) / d->recordLen;
    if (recordCount > holds)
        fail(name, "record count " + std::to_string(recordCount) + " larger than the file holds (" +
                       std::to_string(holds) + ")");
    d->physicalCount = recordCount;
    d->chunkRecords = std::max<std::size_t>(1, kChunk / d->recordLen);
    d->chunkCount = static_cast<std::uint32_t>((std::size_t(recordCount) + d->chunkRecords - 1) / d->chunkRecords);
    d->chunkAt = std::make_unique<std::atomic<const char*>[]>(d->chunkCount);

    d->memoColumn.assign(d->fields.size(), -1);
    std::vector<std::size_t> memoFields;
    for (std::size_t i = 0; i < d->fields.size(); ++i)
        if (d->fields[i].type == 'M') {
            d->memoColumn[i] = static_cast<int>(d->memoColumns++);
            memoFields.push_back(i);
        }
    std::uint64_t memoSize = 0;
    if (d->memoColumns > 0) {
        d->memoPath = resolveFileNoCase(memoPathFor(d->path));
        std::optional<ReadFile> memo;
        try {
            memo.emplace(d->memoPath, "memo file", opener);
        } catch (const Error& e) {
            // Missing only where it is not there: a fault on the way to it is
            // told as itself.
            if (e.number() != kErrFileNotFound) throw;
            fail(d->memoPath, "memo file missing for table " + name + " (" + e.what() + ")",
                 kErrFileNotFound);
        }
        d->memoStamp = memo->stamp();
        memoSize = memo->size();
        if (version != 0x83) {
            // dBase IV keeps its block size in the memo header. A dBase III memo
            // header leaves it 0, and such a memo file beside a dBase IV table is
            // common: its blocks are then the fixed 512 bytes of dBase III.
            unsigned char mh[kMemoHeaderSize];
            if (memo->readAt(0, mh, sizeof mh) != sizeof mh)
                fail(d->memoPath, "memo header too short (" + std::to_string(memoSize) + " bytes)");
            if (const unsigned stored = le16(mh + 20); stored != 0) d->blockSize = stored;
        }
    }

    // Deletion flags and memo pointers, checked once for the whole file.
    d->memoBlocks.reserve(std::size_t(recordCount) * d->memoColumns);
    forEachRecord(in, d->headerLen, d->recordLen, 0, recordCount, [&](std::uint32_t i, const char* rec) {
        if (*rec == '*') {
            // The first deleted record: the rows so far are their own numbers.
            if (d->rows.empty() && d->liveCount == i) {
                d->rows.resize(i);
                std::iota(d->rows.begin(), d->rows.end(), 0u);
            }
            return;
        }
        if (d->liveCount != i || !d->rows.empty()) d->rows.push_back(i);
        ++d->liveCount;
        for (std::size_t fi : memoFields) {
            const Field& f = d->fields[fi];
            const std::uint32_t block =
                memoBlock(rec + f.offset, static_cast<std::size_t>(f.length), name, f, i);
            if (block != 0 && std::uint64_t(block) * d->blockSize >= memoSize)
                fail(d->memoPath, "block " + std::to_string(block) + ", which field " + f.name +
                                      " of record " + std::to_string(i + 1) + " in " + name +
                                      " points to, is past the end of the memo file (" +
                                      std::to_string(memoSize) + " bytes)");
            d->memoBlocks.push_back(block);
        }
    });
    return Table(std::move(d));
}

const std::string& Table::path() const {
    return d_->path;
}
std::uint64_t Table::id() const {
    return d_->id;
}
const std::string& Table::memoPath() const {
    return d_->memoPath;
}
const std::vector<Field>& Table::fields() const {
    return d_->fields;
}
std::size_t Table::recordCount() const {
    return d_->liveCount;
}

int Table::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < d_->fields.size(); ++i)
        if (iequals(d_->fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

namespace {

std::string_view fieldValue(const Field& f, const char* record) {
    const std::string_view raw(record + f.offset, static_cast<std::size_t>(f.length));
    if (f.type == 'C') return rtrimBlanks(raw); // by far the most read
    switch (f.type) {
    case 'N':
    case 'F':
    case 'D':
    case 'L':
        return trimBlanks(raw);
    default:
        return raw;
    }
}

} // namespace

std::optional<std::string_view> Table::view(std::size_t row, int field) const {
    const char* record = nullptr;
    return view(row, field, record);
}

[[noreturn]] void cellOutOfRange(const std::string& path, std::size_t row, int field) {
    fail(path, "record " + std::to_string(row) + " field " + std::to_string(field) + " out of range");
}

std::optional<std::string_view> Table::view(std::size_t row, int field, const char*& record) const {
    if (row >= d_->liveCount || field < 0 || std::size_t(field) >= d_->fields.size())
        cellOutOfRange(d_->path, row, field);
    const Field& f = d_->fields[field];
    if (f.type == 'M') return d_->memoText(row, field);
    if (!record) record = d_->record(row);
    return fieldValue(f, record);
}

void Table::touch(std::size_t row, int firstField, int lastField) const {
    if (row >= d_->liveCount || firstField < 0 || lastField < firstField ||
        std::size_t(lastField) >= d_->fields.size())
        return;
    const std::uint32_t at = d_->physical(row);
    const std::uint32_t chunk = at / static_cast<std::uint32_t>(d_->chunkRecords);
    const char* bytes = d_->chunkAt[chunk].load(std::memory_order_acquire);
    if (!bytes) return;
    const char* rec = bytes + std::size_t(at % d_->chunkRecords) * d_->recordLen;
    const Field& last = d_->fields[std::size_t(lastField)];
    const char* end = rec + last.offset + last.length;
    for (const char* line = rec + d_->fields[std::size_t(firstField)].offset; line < end; line += 64)
        __builtin_prefetch(line);
    __builtin_prefetch(end - 1);
}

void Table::touchChunk(std::size_t row) const {
    if (row >= d_->liveCount) return;
    if (!d_->rows.empty()) __builtin_prefetch(&d_->rows[row]);
    __builtin_prefetch(&d_->chunkAt[(d_->rows.empty() ? row : d_->rows[row]) / d_->chunkRecords]);
}

void Table::prefetch(std::span<const std::uint32_t> rows) const {
    std::vector<std::uint32_t> wanted;
    wanted.reserve(rows.size());
    for (std::uint32_t r : rows) {
        if (r >= d_->liveCount) fail(d_->path, "record " + std::to_string(r) + " out of range");
        wanted.push_back(d_->physical(r) / static_cast<std::uint32_t>(d_->chunkRecords));
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    std::lock_guard lock(d_->readMutex);
    std::erase_if(wanted, [&](std::uint32_t c) { return d_->chunkRead(c); });
    if (wanted.empty()) return;
    ReadFile file(d_->path, "table file", d_->opener);
    requireUnchanged(file, d_->stamp, d_->path);
    // Runs of neighbouring chunks are read at once.
    for (std::size_t i = 0; i < wanted.size();) {
        std::size_t j = i + 1;
        while (j < wanted.size() && wanted[j] == wanted[j - 1] + 1)
            ++j;
        d_->readChunks(file, wanted[i], static_cast<std::uint32_t>(j - i));
        i = j;
    }
}

void Table::scanColumn(int field, const std::function<void(std::uint32_t, std::string_view)>& visit) const {
    const int fields[] = {field};
    scanColumns(fields, [&](std::uint32_t row, std::span<const std::string_view> v) { visit(row, v[0]); });
}

void Table::scanColumns(
    std::span<const int> fields,
    const std::function<void(std::uint32_t, std::span<const std::string_view>)>& visit) const {
    for (int field : fields)
        if (field < 0 || std::size_t(field) >= d_->fields.size() || d_->fields[field].type == 'M')
            fail(d_->path, "field " + std::to_string(field) + " cannot be scanned");
    if (d_->liveCount == 0 || fields.empty()) return;
    ReadFile file(d_->path, "table file", d_->opener);
    requireUnchanged(file, d_->stamp, d_->path);
    std::vector<std::string_view> values(fields.size());
    std::uint32_t row = 0;
    const std::uint32_t first = d_->physical(0);
    forEachRecord(file, d_->headerLen, d_->recordLen, first, d_->physical(d_->liveCount - 1) + 1 - first,
                  [&](std::uint32_t physical, const char* rec) {
                      if (row >= d_->liveCount || d_->physical(row) != physical) return;
                      for (std::size_t i = 0; i < fields.size(); ++i)
                          values[i] = fieldValue(d_->fields[fields[i]], rec);
                      visit(row++, values);
                  });
}

std::shared_ptr<const Table::Derived> Table::findDerived(const std::string& key) const {
    std::lock_guard lock(d_->derivedMutex);
    const auto it = d_->derived.find(key);
    return it != d_->derived.end() ? it->second : nullptr;
}

std::shared_ptr<const Table::Derived>
Table::derived(const std::string& key, const std::function<std::shared_ptr<const Derived>()>& build) const {
    {
        std::lock_guard lock(d_->derivedMutex);
        const auto it = d_->derived.find(key);
        if (it != d_->derived.end()) return it->second;
    }
    // Built unlocked: a build may ask for other derived data of the same table.
    auto made = build();
    std::lock_guard lock(d_->derivedMutex);
    return d_->derived.try_emplace(key, std::move(made)).first->second;
}

std::vector<std::uint32_t> Table::rowsWhere(int field, std::string_view literal, bool notEqual) const {
    std::vector<std::uint32_t> out;
    if (field < 0 || std::size_t(field) >= d_->fields.size())
        fail(d_->path, "field " + std::to_string(field) + " out of range");
    literal = rtrimBlanks(literal);
    if (d_->fields[field].type != 'M') {
        scanColumn(field, [&](std::uint32_t r, std::string_view v) {
            if ((rtrimBlanks(v) == literal) != notEqual) out.push_back(r);
        });
        return out;
    }
    for (std::uint32_t r = 0; r < d_->liveCount; ++r) {
        const auto v = view(r, field);
        if (v && (rtrimBlanks(*v) == literal) != notEqual) out.push_back(r);
    }
    return out;
}

void Table::keepRowsWhere(int field, std::string_view literal, bool notEqual,
                          std::vector<std::uint32_t>& rows) const {
    if (field < 0 || std::size_t(field) >= d_->fields.size())
        fail(d_->path, "field " + std::to_string(field) + " out of range");
    for (std::uint32_t r : rows)
        if (r >= d_->liveCount) fail(d_->path, "record " + std::to_string(r) + " out of range");
    literal = rtrimBlanks(literal);
    std::size_t kept = 0;
    for (std::uint32_t r : rows) {
        const auto v = view(r, field);
        if (v && (rtrimBlanks(*v) == literal) != notEqual) rows[kept++] = r;
    }
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
                    kErrItemNotFound, d_->path);
    return value(row, i);
}

} // namespace db
