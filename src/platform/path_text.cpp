#include "platform/path_text.h"

#include "platform/program_folder.h"
#include "platform/vbstring.h"

#include <QDir>
#include <QStringDecoder>

namespace vb {
namespace {

bool isAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A name as the file system spells it, as 8-bit text: UTF-8 decoded, and
// any other bytes (a name from an older file system, in Latin-1) kept as
// they are, so that the name is shown as it was given.
std::string nameText(const std::string& native) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(native.data(), qsizetype(native.size())));
    return utf8.hasError() ? native : fromQt(decoded);
}

} // namespace

std::string pathText(const std::string& native) {
    if (isAscii(native)) return native;
    std::string out;
    for (size_t pos = 0;;) {
        const size_t slash = native.find('/', pos);
        out += nameText(native.substr(pos, slash == std::string::npos ? slash : slash - pos));
        if (slash == std::string::npos) return out;
        out += '/';
        pos = slash + 1;
    }
}

std::string displayPaths(const std::string& text) {
    if (QDir::separator() == QLatin1Char('\\')) return text;
    // Not asked for here: a message names the folder only once it is known.
    const std::string& folder = programFolderTextSoFar();
    const bool keepFolder = folder.find('\\') != std::string::npos;
    const auto folderAt = [&](size_t i) {
        const size_t end = i + folder.size();
        return text.compare(i, folder.size(), folder) == 0 &&
               (end == text.size() || text[end] == '\\' || text[end] == '/');
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (keepFolder && folderAt(i)) {
            out += folder;
            i += folder.size();
            continue;
        }
        out += text[i] == '\\' ? '/' : text[i];
        ++i;
    }
    return out;
}

} // namespace vb
