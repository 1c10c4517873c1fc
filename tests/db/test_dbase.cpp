#include "db/dbase.h"
#include "db/query.h"
#include "dbwriter/table_writer.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <optional>
#include <random>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testing_support::TempDir;

std::string readBytes(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string allBytes() {
    std::string s;
    for (int c = 1; c < 256; ++c)
        s.push_back(static_cast<char>(c));
    return s;
}

const std::vector<db::FieldDef> kFields = {
    {"NAME", 'C', 12}, {"COUNT", 'N', 5}, {"WHEN", 'D', 8}, {"FLAG", 'L', 1}, {"NOTES", 'M', 10}};

} // namespace

TEST(DbaseRoundTrip, ValuesComeBackAsWritten) {
    TempDir dir;
    const std::string longMemo(1500, 'x'); // spans several 512-byte blocks
    std::string memoWithEof = "a\x1A\x1A"
                              "b";
    db::writeTable(dir.file("t.dbf"), kFields,
                   {{"AB", "42", "20260101", "T", "short"},
                    {"  lead", "-3", std::nullopt, "F", std::nullopt},
                    {std::string("\x00\x80\xFF x", 5), "", "", "", std::string()},
                    {"", "7", "19991231", "?", longMemo},
                    {"x", "0", "", "", memoWithEof}});
    const db::Table t = db::Table::open(dir.file("t.dbf"));
    ASSERT_EQ(t.recordCount(), 5u);
    ASSERT_EQ(t.fields().size(), 5u);
    EXPECT_EQ(t.fields()[4].type, 'M');

    struct Case {
        std::size_t row;
        const char* field;
        db::Value expected;
    };
    const Case cases[] = {
        {0, "NAME", "AB"},
        {0, "count", "42"},
        {0, "When", "20260101"},
        {0, "flag", "T"},
        {0, "notes", "short"},
        {1, "NAME", "  lead"}, // only trailing blanks go
        {1, "COUNT", "-3"},
        {1, "WHEN", ""},
        {1, "NOTES", std::nullopt},
        {2, "NAME", std::string("\x00\x80\xFF x", 5)},
        {2, "NOTES", std::nullopt}, // empty memo is Null
        {3, "NAME", ""},
        {3, "NOTES", longMemo},
        {4, "NOTES", memoWithEof},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.value(c.row, c.field), c.expected) << c.row << " " << c.field;
}

TEST(DbaseRoundTrip, EveryByteValueSurvivesInTextAndMemo) {
    TempDir dir;
    const std::string bytes = allBytes();
    db::writeTable(dir.file("b.dbf"), {{"A", 'C', 254}, {"M", 'M', 10}}, {{bytes.substr(0, 200), bytes}});
    const db::Table t = db::Table::open(dir.file("b.dbf"));
    EXPECT_EQ(t.value(0, "A"), bytes.substr(0, 200));
    EXPECT_EQ(t.value(0, "M"), bytes);
}

TEST(DbaseRoundTrip, DeletedRecordsAreSkipped) {
    TempDir dir;
    const std::vector<bool> deleted = {true, false, true, false};
    db::writeTable(dir.file("d.dbf"), {{"K", 'C', 2}}, {{"a"}, {"b"}, {"c"}, {"d"}}, &deleted);
    const db::Table t = db::Table::open(dir.file("d.dbf"));
    ASSERT_EQ(t.recordCount(), 2u);
    EXPECT_EQ(t.value(0, "k"), "b");
    EXPECT_EQ(t.value(1, "k"), "d");
}

TEST(DbaseRoundTrip, NamesAreFoundWhateverTheirCaseOnDisk) {
    TempDir dir;
    db::writeTable(dir.file("Xmod_01.dbf"), {{"Family____", 'C', 4}, {"DATITECNIC", 'M', 10}},
                   {{"k", "memo"}});
    fs::rename(dir.file("Xmod_01.dbt"), dir.file("XMOD_01.DBT"));
    const db::Table t = db::Table::open(dir.file("xmod_01.DBF"));
    EXPECT_EQ(t.value(0, "family____"), "k");
    EXPECT_EQ(t.value(0, "datitecnic"), "memo");
    EXPECT_EQ(t.fieldIndex("FAMILY____"), 0);
    EXPECT_EQ(t.fieldIndex("nope"), -1);
    try {
        (void)t.value(0, "nope");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), db::kErrItemNotFound);
        EXPECT_NE(std::string(e.what()).find("nope"), std::string::npos);
    }

    // With no descriptor free the folder cannot be listed: that is said, and
    // the name as written (a file that is not there) is not given instead.
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit lowered = before;
    lowered.rlim_cur = std::min<rlim_t>(before.rlim_cur, 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> held;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        held.push_back(fd);
    int number = -1;
    std::string found;
    try {
        found = db::resolveFileNoCase(dir.file("xmod_01.DBF"));
    } catch (const db::Error& e) {
        number = e.number();
    }
    for (const int fd : held)
        ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
    EXPECT_EQ(number, db::kErrTooManyFiles) << found;
}

TEST(DbaseWriter, HeaderIsReproducibleAndVersioned) {
    TempDir dir;
    db::writeTable(dir.file("a.dbf"), {{"K", 'C', 3}}, {{"abc"}});
    db::writeTable(dir.file("m.dbf"), {{"K", 'C', 3}, {"M", 'M', 10}}, {{"abc", "x"}});
    const std::string a = readBytes(dir.file("a.dbf"));
    const std::string m = readBytes(dir.file("m.dbf"));
    EXPECT_EQ(static_cast<unsigned char>(a[0]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(m[0]), 0x8B);
    EXPECT_EQ(a.substr(1, 3), std::string("\x7E\x01\x01"));
    EXPECT_EQ(a.back(), '\x1A');
    EXPECT_EQ(a.size(), 32u * 2 + 1 + 4 + 1);

    const std::string dbt = readBytes(dir.file("m.dbt"));
    ASSERT_EQ(dbt.size(), 1024u);
    EXPECT_EQ(dbt.substr(512, 8), std::string("\xFF\xFF\x08\x00\x09\x00\x00\x00", 8));
    EXPECT_EQ(dbt[20], '\x00');
    EXPECT_EQ(dbt[21], '\x02'); // block size 512

    db::writeTable(dir.file("a.dbf"), {{"K", 'C', 3}}, {{"abc"}});
    EXPECT_EQ(readBytes(dir.file("a.dbf")), a);
}

TEST(DbaseWriter, RejectsWhatItCannotStore) {
    TempDir dir;
    using Records = std::vector<std::vector<std::optional<std::string>>>;
    const std::vector<bool> shortFlags = {true};
    struct Case {
        const char* what;
        std::vector<db::FieldDef> fields;
        Records records;
        const std::vector<bool>* deleted;
    };
    const Case cases[] = {
        {"value wider than field", {{"K", 'C', 2}}, {{"abc"}}, nullptr},
        {"value count mismatch", {{"K", 'C', 2}, {"L", 'C', 2}}, {{"a"}}, nullptr},
        {"name too long", {{"ELEVENCHARS", 'C', 2}}, {}, nullptr},
        {"unknown type", {{"K", 'X', 2}}, {}, nullptr},
        {"zero width", {{"K", 'C', 0}}, {}, nullptr},
        {"no fields", {}, {}, nullptr},
        {"flags mismatch", {{"K", 'C', 2}}, {{"a"}, {"b"}}, &shortFlags},
    };
    for (const auto& c : cases)
        EXPECT_THROW(db::writeTable(dir.file("w.dbf"), c.fields, c.records, c.deleted), db::Error) << c.what;
}

// Text values lose their trailing blanks and nothing else, whatever the length
// of the value and of its padding.
TEST(DbaseReader, TrimsExactlyTheTrailingBlanks) {
    std::mt19937 rng(3);
    const char bytes[] = {' ', ' ', ' ', 'a', '\x01', '\xA0', '\0'};
    for (int i = 0; i < 20000; ++i) {
        std::string s(rng() % 41, ' ');
        for (char& c : s)
            c = bytes[rng() % sizeof bytes];
        if (rng() % 2) s.append(rng() % 30, ' ');
        std::size_t n = s.size();
        while (n > 0 && s[n - 1] == ' ')
            --n;
        ASSERT_EQ(db::detail::rtrimBlanks(s), std::string_view(s).substr(0, n)) << i;
    }
}

TEST(DbaseReader, ReadsDbase3MemoTerminatedBy1A) {
    TempDir dir;
    // dBase III table with a memo: version 0x83, memo text ending 0x1A 0x1A, block size 512.
    db::writeTable(dir.file("d3.dbf"), {{"K", 'C', 1}, {"M", 'M', 10}},
                   {{"a", "placeholder"}, {"b", std::nullopt}});
    std::string dbf = readBytes(dir.file("d3.dbf"));
    dbf[0] = '\x83';
    const std::size_t rec2 = 32 * 3 + 1 + 12;
    dbf.replace(rec2 + 2, 10, "0000000002");
    writeBytes(dir.file("d3.dbf"), dbf);
    std::string dbt(512 * 3, '\0');
    dbt.replace(512, 13, "first memo\x1A\x1A\x00", 13);
    dbt.replace(1024, 7, "second\x1A", 7);
    writeBytes(dir.file("d3.dbt"), dbt);

    const db::Table t = db::Table::open(dir.file("d3.dbf"));
    EXPECT_EQ(t.value(0, "M"), "first memo");
    EXPECT_EQ(t.value(1, "M"), "second");
}

TEST(DbaseReader, DamagedFilesGiveErrorsNotCrashes) {
    TempDir dir;
    const std::string good = dir.file("good.dbf");
    db::writeTable(good, {{"K", 'C', 4}, {"M", 'M', 10}}, {{"abcd", "memo one"}, {"efgh", "memo two"}});
    const std::string dbfBytes = readBytes(good);
    const std::string dbtBytes = readBytes(dir.file("good.dbt"));
    const std::size_t headerLen = 32 * 3 + 1;

    // Which file the error must name: the table, or its memo file.
    enum Fault { Table, Memo };
    struct Case {
        const char* name;
        std::function<void(std::string& dbf, std::string& dbt)> damage;
        const char* expectedText;
        Fault fault = Table;
    };
    const Case cases[] = {
        {"missing", nullptr, "not found"},
        {"empty", [](std::string& f, std::string&) { f.clear(); }, "header too short"},
        {"truncated header", [](std::string& f, std::string&) { f.resize(20); }, "header too short"},
        {"header cut inside fields", [](std::string& f, std::string&) { f.resize(70); }, "header too short"},
        {"not dbase", [](std::string& f, std::string&) { f[0] = '\x30'; }, "version"},
        {"record count too large", [](std::string& f, std::string&) { f[4] = '\x09'; }, "record count 9"},
        {"record count huge", [](std::string& f, std::string&) { f[7] = '\xFF'; }, "larger than the file"},
        {"field past record", [](std::string& f, std::string&) { f[32 + 16] = '\x40'; }, "runs past"},
        {"record length too long", [](std::string& f, std::string&) { f[10] = '\x20'; }, "inconsistent"},
        {"header length tiny", [](std::string& f, std::string&) { f[8] = '\x21'; }, "no room for fields"},
        {"character field of length 0", [](std::string& f, std::string&) { f[32 + 16] = 0; },
         "field K has length 0"},
        {"no header terminator", [&](std::string& f, std::string&) { f[headerLen - 1] = ' '; },
         "not followed by the 0x0D header terminator"},
        {"header length leaving out the terminator",
         [&](std::string& f, std::string&) { f[8] = static_cast<char>(headerLen - 1); },
         "0x0D header terminator"},
        {"memo pointer past memo file",
         [&](std::string& f, std::string&) { f.replace(headerLen + 5, 10, "      9999"); }, "past the end",
         Memo},
        {"memo file cut short", [](std::string&, std::string& m) { m.resize(600); }, "past the end", Memo},
        {"memo pointer garbage",
         [&](std::string& f, std::string&) { f.replace(headerLen + 5, 10, "12ab      "); },
         "bad memo pointer \"12ab      \" in field M of record 1"},
        {"memo file missing", [](std::string&, std::string& m) { m = "<delete>"; }, "memo file missing",
         Memo},
        {"memo of 512-byte blocks cut short",
         [](std::string&, std::string& m) {
             m[20] = m[21] = 0;
             m.resize(1000);
         },
         "past the end", Memo},
        {"memo header cut short", [](std::string&, std::string& m) { m.resize(16); }, "memo header too short",
         Memo},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(std::string("case_") + std::to_string(&c - cases) + ".dbf");
        const std::string memoPath = path.substr(0, path.size() - 1) + "t";
        std::string dbf = dbfBytes;
        std::string dbt = dbtBytes;
        if (c.damage) {
            c.damage(dbf, dbt);
            writeBytes(path, dbf);
            if (dbt != "<delete>") writeBytes(memoPath, dbt);
        }
        try {
            (void)db::Table::open(path);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const db::Error& e) {
            const std::string msg = e.what();
            const std::string& atFault = c.fault == Memo ? memoPath : path;
            EXPECT_NE(msg.find(c.expectedText), std::string::npos) << c.name << ": " << msg;
            EXPECT_EQ(e.file(), atFault) << c.name;
            EXPECT_EQ(msg.rfind(atFault + ": ", 0), 0u)
                << c.name << " should start with the file at fault: " << msg;
        }
    }
}

// Accepted on purpose: a dBase III table's memo header has no block size (the
// blocks are always 512 bytes), and other writers pad the header after its terminator.
TEST(DbaseReader, AcceptsDbase3MemoHeaderAndPaddedHeader) {
    TempDir dir;
    db::writeTable(dir.file("p.dbf"), {{"K", 'C', 2}, {"M", 'M', 10}}, {{"ab", "text"}});
    std::string dbf = readBytes(dir.file("p.dbf"));
    const std::size_t headerLen = 32 * 3 + 1;
    dbf.insert(headerLen, 32, '\0');
    dbf[8] = static_cast<char>(headerLen + 32);
    writeBytes(dir.file("p.dbf"), dbf);
    EXPECT_EQ(db::Table::open(dir.file("p.dbf")).value(0, "M"), "text");

    dbf[0] = '\x83';
    writeBytes(dir.file("p.dbf"), dbf);
    std::string dbt = readBytes(dir.file("p.dbt"));
    dbt[20] = dbt[21] = 0;
    writeBytes(dir.file("p.dbt"), dbt);
    const db::Table t = db::Table::open(dir.file("p.dbf"));
    EXPECT_EQ(t.value(0, "K"), "ab");
}

// A dBase IV table whose memo file has a dBase III header (block size 0): the
// blocks are 512 bytes, as dBase III has them.
TEST(DbaseReader, ReadsDbase4TableWithDbase3MemoHeaderIn512ByteBlocks) {
    TempDir dir;
    db::writeTable(dir.file("m.dbf"), {{"K", 'C', 2}, {"M", 'M', 10}},
                   {{"ab", "first memo"}, {"cd", std::string(600, 'x') + "second"}, {"ef", "third"}});
    ASSERT_EQ(readBytes(dir.file("m.dbf"))[0], '\x8B');
    std::string dbt = readBytes(dir.file("m.dbt"));
    dbt[20] = dbt[21] = 0;
    writeBytes(dir.file("m.dbt"), dbt);
    const db::Table t = db::Table::open(dir.file("m.dbf"));
    EXPECT_EQ(t.value(0, "M"), "first memo");
    EXPECT_EQ(t.value(1, "M"), std::string(600, 'x') + "second");
    EXPECT_EQ(t.value(2, "M"), "third"); // block 4: only 512-byte blocks find it
}

TEST(DbaseReader, MemoBlockLongerThanItsFileFailsOnReadNamingTheMemoFile) {
    TempDir dir;
    db::writeTable(dir.file("l.dbf"), {{"K", 'C', 1}, {"M", 'M', 10}}, {{"a", "first"}, {"b", "text"}});
    std::string dbt = readBytes(dir.file("l.dbt"));
    dbt[1024 + 5] = '\x10'; // block 2: length 4096 + 12, past the 1536-byte file
    writeBytes(dir.file("l.dbt"), dbt);
    const db::Table t = db::Table::open(dir.file("l.dbf"));
    EXPECT_EQ(t.value(0, "M"), "first");
    EXPECT_EQ(t.value(1, "K"), "b");
    try {
        (void)t.value(1, "M");
        FAIL() << "no error";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.file(), dir.file("l.dbt"));
        EXPECT_EQ(std::string(e.what()),
                  dir.file("l.dbt") + ": the memo at block 2 (field M of record 2 in " + dir.file("l.dbf") +
                      ") is 4108 bytes long, but the file ends 512 bytes after its start");
    }
}

TEST(DbaseReader, FileCutShortAfterOpeningIsAnErrorOnRead) {
    TempDir dir;
    std::vector<std::vector<std::optional<std::string>>> rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back({std::to_string(i), std::nullopt});
    db::writeTable(dir.file("c.dbf"), {{"K", 'C', 8}, {"M", 'M', 10}}, rows);
    const db::Table t = db::Table::open(dir.file("c.dbf"));
    EXPECT_EQ(t.value(0, "K"), "0");
    fs::resize_file(dir.file("c.dbf"), 1000);
    EXPECT_EQ(t.value(1, "K"), "1"); // read with the first records
    try {
        (void)t.value(1999, "K");
        FAIL() << "no error";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.file(), dir.file("c.dbf"));
        EXPECT_NE(std::string(e.what()).find("changed on disk since it was opened"), std::string::npos)
            << e.what();
    }
}

// A FIFO, a socket or a folder where a table or memo file should be is a
// missing file, with the message of one, and found so at once: nothing
// waits for the other end of a FIFO. Should an open wait all the same, the
// FIFOs are opened from here after a while, which ends the wait, and the
// test fails.
TEST(DbaseReader, SpecialFilesAreMissingFiles) {
    TempDir dir;
    db::writeTable(dir.file("memo.dbf"), {{"K", 'C', 4}, {"M", 'M', 10}}, {{"abcd", "memo one"}});
    ASSERT_EQ(::unlink(dir.file("memo.dbt").c_str()), 0);
    std::string memoMissing;
    try {
        db::Table::open(dir.file("memo.dbf"));
    } catch (const db::Error& e) {
        memoMissing = e.what();
    }
    ASSERT_NE(memoMissing.find("memo file not found"), std::string::npos) << memoMissing;

    ASSERT_EQ(::mkfifo(dir.file("fifo.dbf").c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo(dir.file("memo.dbt").c_str(), 0666), 0);
    fs::create_directory(dir.file("folder.dbf"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string sockPath = dir.file("socket.dbf");
    ASSERT_LT(sockPath.size(), sizeof address.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    std::atomic<bool> done{false}, released{false};
    std::thread guard([&] {
        for (int i = 0; i < 500 && !done.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done.load()) return;
        released.store(true);
        for (const char* name : {"fifo.dbf", "memo.dbt"})
            ::open(dir.file(name).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); // kept open to the end
    });
    int refused = 0;
    for (const char* name : {"fifo.dbf", "socket.dbf", "folder.dbf"})
        for (const auto& open : std::vector<std::function<void(const std::string&)>>{
                 [](const std::string& p) { db::Table::open(p); },
                 [](const std::string& p) { db::openTableCached(p); }}) {
            try {
                open(dir.file(name));
                ADD_FAILURE() << name << " opened";
            } catch (const db::Error& e) {
                EXPECT_EQ(std::string(e.what()), dir.file(name) + ": table file not found");
                EXPECT_EQ(e.file(), dir.file(name));
                ++refused;
            }
        }
    try {
        db::Table::open(dir.file("memo.dbf"));
        ADD_FAILURE() << "memo FIFO opened";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.what(), memoMissing);
        ++refused;
    }
    done.store(true);
    guard.join();
    ::close(sock);
    EXPECT_EQ(refused, 7);
    EXPECT_FALSE(released.load()) << "a FIFO was waited for";
}

namespace {

// What an opening of a table gave: its error's number, file and message, or
// "opened".
struct Outcome {
    int number = -1;
    std::string file, message;
};

Outcome openingOf(const std::string& path, db::FileOpener opener = nullptr) {
    try {
        (void)db::Table::open(path, opener);
        return {-1, {}, "opened"};
    } catch (const db::Error& e) {
        return {e.number(), e.file(), e.what()};
    }
}

// The error the opener below gives for a memo file; it opens any other file
// as the reader does.
int g_memoOpenError = 0;
int failingMemoOpener(const std::string& path) {
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".dbt") == 0) {
        errno = g_memoOpenError;
        return -1;
    }
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// Opens path in a child process whose every look at an open descriptor
// (fstat) fails with error, as a lack of kernel memory or a disk that answers
// EIO would fail it: a system-call filter of the child alone. Empty where
// this system allows no such filter.
std::optional<Outcome> openingWithFailingLook(const std::string& path, int error) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        const auto is = [](std::uint32_t value, std::uint8_t then, std::uint8_t otherwise) {
            return sock_filter BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, then, otherwise);
        };
        const auto load = [](std::uint32_t offset) {
            return sock_filter BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset);
        };
        const auto argument = [](int i) { return std::uint32_t(offsetof(seccomp_data, args) + 8 * i); };
        const std::uint32_t nr = offsetof(seccomp_data, nr);
        const sock_filter fail = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | std::uint32_t(error));
        const sock_filter allow = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
        const auto emptyPath = [](std::uint8_t then, std::uint8_t otherwise) {
            return sock_filter BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, AT_EMPTY_PATH, then, otherwise);
        };
        // fstat is newfstatat or statx of an empty path, or fstat itself.
        std::vector<sock_filter> program = {
            load(nr), is(SYS_newfstatat, 0, 3), load(argument(3)), emptyPath(0, 1), fail,
            load(nr), is(SYS_statx, 0, 3),      load(argument(2)), emptyPath(0, 1), fail};
#ifdef SYS_fstat
        program.insert(program.end(), {load(nr), is(SYS_fstat, 0, 1), fail});
#endif
        program.push_back(allow);
        const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) != 0)
            ::_exit(3);
        const Outcome o = openingOf(path);
        const std::string said = std::to_string(o.number) + "\n" + o.file + "\n" + o.message;
        ::_exit(::write(out[1], said.data(), said.size()) == ssize_t(said.size()) ? 0 : 4);
    }
    ::close(out[1]);
    std::string said;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        said.append(buf, std::size_t(n));
    ::close(out[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 3)
        return std::nullopt;
    EXPECT_EQ(WEXITSTATUS(status), 0) << said;
    const std::size_t first = said.find('\n'), second = said.find('\n', first + 1);
    if (second == std::string::npos) return Outcome{-1, {}, said};
    return Outcome{std::stoi(said.substr(0, first)), said.substr(first + 1, second - first - 1),
                   said.substr(second + 1)};
}

} // namespace

// A fault on the way to a table or its memo file (a look at the open file
// that fails, an open refused or short of descriptors) says nothing of
// whether the file is there: it is told by its number, a lack of memory or
// descriptors as such (7, 67), any other fault as 75, and the message names
// the file at fault and never calls it missing or not found. Only a file
// that is not there is (53).
TEST(DbaseReader, FaultOnTheWayToAFileIsNeverToldAsMissing) {
    TempDir dir;
    const std::string table = dir.file("t.dbf"), memo = dir.file("t.dbt");
    db::writeTable(table, {{"K", 'C', 4}, {"M", 'M', 10}}, {{"abcd", "memo one"}});
    const auto toldAsFault = [](const Outcome& o, int number, const std::string& file) {
        EXPECT_EQ(o.number, number) << o.message;
        EXPECT_EQ(o.file, file) << o.message;
        EXPECT_EQ(o.message.rfind(file + ": ", 0), 0u) << o.message;
        for (const char* wrong : {"not found", "missing"})
            EXPECT_EQ(o.message.find(wrong), std::string::npos) << o.message;
    };

    const std::pair<int, int> memoOpens[] = {{ENFILE, db::kErrTooManyFiles}, {EACCES, db::kErrPathAccess}};
    for (const auto& [error, number] : memoOpens) {
        SCOPED_TRACE(std::strerror(error));
        g_memoOpenError = error;
        toldAsFault(openingOf(table, failingMemoOpener), number, memo);
    }
    // Not there: told so, as ever.
    g_memoOpenError = ENOENT;
    const Outcome memoMissing = openingOf(table, failingMemoOpener);
    EXPECT_EQ(memoMissing.number, db::kErrFileNotFound);
    EXPECT_NE(memoMissing.message.find("memo file missing"), std::string::npos) << memoMissing.message;
    EXPECT_EQ(openingOf(dir.file("none.dbf")).number, db::kErrFileNotFound);
    EXPECT_EQ(openingOf(table).message, "opened");

    // Last, so that where no filter is allowed the above has run.
    const std::pair<int, int> looks[] = {{ENOMEM, db::kErrOutOfMemory}, {EIO, db::kErrPathAccess}};
    for (const auto& [error, number] : looks) {
        SCOPED_TRACE(std::strerror(error));
        const std::optional<Outcome> o = openingWithFailingLook(table, error);
        if (!o) GTEST_SKIP() << "this system allows no system-call filter";
        toldAsFault(*o, number, table);
    }
}
