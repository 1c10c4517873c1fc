// Any bytes as a table file (and as its memo file): an error, never a crash.
#include "db/dbase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        static char tmpl[] = "/tmp/fuzz_dbaseXXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        // Replayed with every test run: the folder goes with the process.
        std::atexit([] { std::filesystem::remove_all(tmpl); });
        return std::string(tmpl);
    }();
    const std::string dbf = dir + "/t.dbf", dbt = dir + "/t.dbt";
    // The first four bytes give the table file's length; the rest is the memo.
    if (size < 4) return 0;
    std::uint32_t n = data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t(data[3]) << 24);
    data += 4;
    size -= 4;
    const std::size_t split = n % (size + 1);
    std::ofstream(dbf, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(split));
    std::ofstream(dbt, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + split), std::streamsize(size - split));
    try {
        db::Table t = db::Table::open(dbf);
        for (std::size_t r = 0; r < t.recordCount() && r < 64; ++r)
            for (int f = 0; f < int(t.fields().size()); ++f) {
                try {
                    (void)t.value(r, f);
                } catch (const db::Error&) {
                }
            }
    } catch (const db::Error&) {
    }
    return 0;
}
