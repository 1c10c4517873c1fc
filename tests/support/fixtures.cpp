#include "support/fixtures.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "db/dbase.h"
#include "db/query.h"
#include "platform/vbstring.h"
#include "sampledata/encode.h"

#include <QBuffer>
#include <QImage>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

std::string scrambledLines(const std::vector<std::string>& lines, bool trailing) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string l = lines[i];
        out += core::ScrambleString(l);
        if (trailing || i + 1 < lines.size()) out += "\r\n";
    }
    return out;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

FifoGuard::FifoGuard(const std::string& path, int graceMs) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (::mkfifo(path.c_str(), 0666) != 0) throw std::runtime_error("cannot make the FIFO " + path);
    watch_ = std::thread([this, path, graceMs] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
        while (!done_.load()) {
            if (std::chrono::steady_clock::now() >= end) {
                // Both ends at once: a reader and a writer waiting are let go.
                fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
                released_.store(true);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

FifoGuard::~FifoGuard() {
    done_.store(true);
    watch_.join();
    if (fd_ >= 0) ::close(fd_);
}

std::string scrambleHeader(std::string plain, bool secondKey) {
    const auto& key = secondKey ? core::SecondKey : core::Key;
    for (size_t i = 0; i < 80 && i < plain.size(); ++i) {
        int b = static_cast<unsigned char>(plain[i]);
        if (b == 0) break;
        int s = (b - key[i] + 256) % 256;
        if (s == 0) throw std::runtime_error("header byte equals its key entry");
        plain[i] = char(s);
    }
    return plain;
}

std::string scrambledPicture(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(20, 120, 200));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return scrambleHeader(std::string(bytes.constData(), size_t(bytes.size())));
}

void rewriteTable(const std::string& path,
                  const std::function<void(std::vector<db::FieldDef>&, Records&)>& edit) {
    db::Table t = db::Table::open(path);
    std::vector<db::FieldDef> defs;
    for (const db::Field& f : t.fields())
        defs.push_back({f.name, f.type, f.length, f.decimals});
    Records records;
    for (std::size_t r = 0; r < t.recordCount(); ++r) {
        records.emplace_back();
        for (int f = 0; f < int(defs.size()); ++f)
            records.back().push_back(t.value(r, f));
    }
    edit(defs, records);
    db::writeTable(path, defs, records);
    db::clearTableCache();
}

int fieldIndex(const std::vector<db::FieldDef>& defs, const std::string& name) {
    for (int i = 0; i < int(defs.size()); ++i)
        if (vb::UCase(defs[size_t(i)].name) == vb::UCase(name)) return i;
    return -1;
}

int renameInTable(const std::string& path, const std::string& field, const std::string& from,
                  const std::string& to) {
    return setInTable(path, field, from, field, to);
}

int setInTable(const std::string& path, const std::string& where, const std::string& is,
               const std::string& field, const std::string& to) {
    using sampledata::Form;
    // The encoders scramble with the program's keys, which a test's set-up resets.
    core::InitKeys();
    core::InitIdentityTable();
    int changed = 0;
    rewriteTable(path, [&](std::vector<db::FieldDef>& defs, Records& records) {
        const int w = fieldIndex(defs, where), f = fieldIndex(defs, field);
        if (w < 0 || f < 0) throw std::runtime_error(path + " has no field " + (w < 0 ? where : field));
        for (auto& r : records) {
            const auto& key = r[size_t(w)];
            if (!key || vb::Trim(sampledata::decode(Form::Conv, *key)) != is) continue;
            r[size_t(f)] = sampledata::encodePadded(Form::Conv, to, defs[size_t(f)].length);
            ++changed;
        }
    });
    return changed;
}

std::vector<DamagedDocument> damagedDocuments() {
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(QColor(200, 30, 30));
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    const std::string start = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 Coppia di serraggio\par )";
    // Bytes of no format; none of the first 80 is a key entry, so that the
    // file can be stored scrambled.
    std::string garbage;
    unsigned v = 12345;
    for (int i = 0; i < 4096; ++i) {
        v = v * 1103515245u + 12345u;
        char c = char((v >> 16) & 0xFF);
        if (i < 80 && (c == 0 || c == '{' || static_cast<unsigned char>(c) < 10)) c = char(0x80 + i);
        garbage += c;
    }
    std::string controls;
    for (char c = 1; c < 0x20; ++c)
        if (c != '\t' && c != '\r' && c != '\n') controls += c;
    using vb::RtfDamage;
    return {
        {"not RTF", "Coppia di serraggio\r\n25 Nm", RtfDamage::NotRtf, "Coppia di serraggio"},
        {"cut short", start + R"(Angolo {\b 90)", RtfDamage::CutShort, "Coppia di serraggio"},
        {"unbalanced braces", R"({\rtf1\ansi Coppia di serraggio}}\par Angolo})", RtfDamage::Unbalanced,
         "Coppia di serraggio"},
        {"empty", "", RtfDamage::Empty, ""},
        {"binary garbage", garbage, RtfDamage::NotText, ""},
        {"garbage after a sound start", start + "Angolo di serraggio\\par " + controls + " Angolo}",
         RtfDamage::Garbled, "Coppia di serraggio"},
        {"binary data past the end",
         start + R"({\pict\pngblip\picw40\pich30\bin4000 )" + png.left(200).toStdString(),
         RtfDamage::CutShort, "Coppia di serraggio"},
        {"picture cut short",
         start + R"({\pict\pngblip\picw40\pich30 )" + png.left(png.size() / 2).toHex().toStdString() +
             "}\\par Angolo}",
         RtfDamage::Picture, "Angolo"},
    };
}

} // namespace testing_support
