#include "support/fixtures.h"

#include "core/module1.h"
#include "core/scramble.h"

#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <stdexcept>

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

std::string scrambleHeader(std::string plain) {
    for (size_t i = 0; i < 80 && i < plain.size(); ++i) {
        int b = static_cast<unsigned char>(plain[i]);
        if (b == 0) break;
        int s = (b - core::Key[i] + 256) % 256;
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

} // namespace testing_support
