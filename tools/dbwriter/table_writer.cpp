#include "dbwriter/table_writer.h"

#include "db/dbase_format.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

using namespace format;

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
