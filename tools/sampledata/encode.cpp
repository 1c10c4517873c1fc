#include "sampledata/encode.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "platform/errors.h"

#include <QString>
#include <cstdio>

namespace sampledata {
namespace {

std::string describe(std::string_view plain) {
    return "\"" + std::string(plain) + "\"";
}

[[noreturn]] void fail(std::string_view plain, const std::string& why) {
    throw std::runtime_error("cannot store " + describe(plain) + ": " + why);
}

// The code-page-850 code that DescrambleLine turns into w.
int oemCodeOf(int w) {
    const auto& t = core::OemToAnsiTable();
    for (int d = 128; d < 256; ++d)
        if (t[size_t(d - 128)] == w) return d;
    return -1;
}

// The stored byte that DescrambleLineConv turns into w at position i.
int convByteOf(int w, int k) {
    const auto& in = core::AnsiToOemTableConv();
    const auto& out = core::OemToAnsiTableConv();
    for (int s = 0; s < 256; ++s) {
        if (s == 10 || s == 13) continue;
        int c = s > 160 ? in[size_t(s - 128)] : s;
        int d = c + k;
        if (d > 255) continue;
        if ((d > 127 ? out[size_t(d - 128)] : d) == w) return s;
    }
    return -1;
}

} // namespace

void ensureKeys() {
    // The program's own tables: a reset of the program's state (each window
    // test starts with one) empties them, and its start loads the same values.
    core::InitKeys();
    core::InitIdentityTable();
}

std::string cp1252(std::string_view utf8) {
    const QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::string r;
    r.reserve(size_t(s.size()));
    for (QChar c : s) {
        if (c.unicode() > 0xFF)
            throw std::runtime_error("no Windows-1252 code for a character of " + describe(utf8));
        r.push_back(char(c.unicode()));
    }
    return r;
}

std::string encode(Form form, std::string_view plain) {
    ensureKeys();
    if (plain.size() > 80) fail(plain, "longer than 80 characters");
    std::string out(plain.size(), '\0');
    for (size_t i = 0; i < plain.size(); ++i) {
        const int w = static_cast<unsigned char>(plain[i]);
        const int k = core::Key[i];
        if (w == 10 || w == 13) fail(plain, "holds CR or LF");
        int s = -1;
        switch (form) {
        case Form::Line: {
            const int d = w < 128 ? w : oemCodeOf(w);
            if (d < 0) fail(plain, "a character has no code-page code");
            s = d - k;
            if (s == 10 || s == 13) fail(plain, "a character would be stored as CR or LF");
            break;
        }
        case Form::Str:
            s = w - k;
            break;
        case Form::Conv:
            s = w < 128 ? w - k : convByteOf(w, k);
            break;
        }
        if (s < 0) fail(plain, "character " + std::to_string(i + 1) + " is below its key entry");
        out[i] = char(s);
    }
    if (decode(form, out) != plain) fail(plain, "does not decode back");
    return out;
}

std::string encodePadded(Form form, std::string_view plain, int width) {
    if (int(plain.size()) > width) fail(plain, "wider than its field (" + std::to_string(width) + ")");
    std::string padded(plain);
    padded.append(size_t(width) - plain.size(), ' ');
    return encode(form, padded);
}

std::string decode(Form form, const std::string& stored) {
    ensureKeys();
    try {
        switch (form) {
        case Form::Line:
            return core::DescrambleLine(stored);
        case Form::Conv:
            return core::DescrambleLineConv(stored);
        case Form::Str: {
            std::string copy = stored;
            return core::DescrambleString(copy);
        }
        }
    } catch (const vb::VbError& e) {
        throw std::runtime_error(std::string("stored text does not decode: ") + e.what());
    }
    return {};
}

std::string cptFile(Form form, const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += encode(form, l);
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> decodeCpt(Form form, const std::string& content) {
    std::vector<std::string> lines;
    if (content.empty()) return lines;
    if (content.size() < 2 || content.compare(content.size() - 2, 2, "\r\n") != 0)
        throw std::runtime_error("the last line does not end with CR LF");
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t p = content.find("\r\n", pos);
        lines.push_back(decode(form, content.substr(pos, p - pos)));
        pos = p + 2;
    }
    return lines;
}

std::string scrambleHeader(const std::string& plain, const std::array<int, 80>& key) {
    std::string out = plain;
    for (size_t i = 0; i < 80 && i < plain.size(); ++i) {
        const int p = static_cast<unsigned char>(plain[i]);
        if (p == 0) break;
        const int s = (p - key[i] + 256) % 256;
        if (s == 0) throw HeaderCollision("header byte " + std::to_string(i) + " equals its key entry");
        out[i] = char(s);
    }
    std::string check = out;
    core::decodeHeader(check, key);
    if (check != plain) throw std::runtime_error("scrambled header does not decode back");
    return out;
}

std::string packItem(std::string_view text) {
    if (text.size() > 255) throw std::runtime_error("technical-data item longer than 255: " + describe(text));
    char len[3];
    std::snprintf(len, sizeof len, "%02X", unsigned(text.size()));
    return std::string(len) + std::string(text);
}

std::string packGroup(std::string_view code, std::string_view value, std::string_view unit,
                      std::string_view further, std::string_view note) {
    return packItem(code) + packItem(value) + packItem(unit) + packItem(further) + packItem(note);
}

} // namespace sampledata
