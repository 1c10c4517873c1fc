#include "core/markup.h"

#include "core/texts.h"

#include <algorithm>

namespace core {
namespace {

// One pass over the working lines: every segment opened by `open` is cut out
// of t (left as blanks) and returned as a run in `colour`.
void resolvePass(std::string& t, char open, char close, int colour, int pass, std::vector<MarkupRun>& runs) {
    for (;;) {
        const size_t a0 = t.find(open);
        if (a0 == std::string::npos) return;
        const int a = int(a0) + 1;
        const size_t b0 = t.find(close, a0 + 1);
        const int len = int(t.size());
        const int b = b0 == std::string::npos ? len : int(b0) + 1;
        auto mid = [&](int start, int count) {
            if (count <= 0 || start > len) return std::string();
            return t.substr(size_t(start - 1), size_t(std::min(count, len - start + 1)));
        };
        const std::string after = b < len ? t.substr(size_t(b)) : std::string();
        std::string s;
        if (a == 1) {
            s = mid(2, b - 2) + " ";
            t = std::string(size_t(std::max(0, b - 1)), ' ') + after;
        } else {
            s = " " + mid(a + 1, b - a - 1) + " ";
            t = t.substr(0, size_t(a - 1)) + std::string(size_t(std::max(1, b - a + 1)), ' ') + after;
        }
        runs.push_back({a, std::move(s), colour, pass});
    }
}

} // namespace

std::vector<MarkupRun> markupRuns(std::string_view line, int base, int brace, int bracket) {
    std::vector<MarkupRun> runs;
    std::string t(line);
    resolvePass(t, '[', ']', bracket, 0, runs);
    resolvePass(t, '{', '}', brace, 1, runs);
    if (!t.empty()) runs.push_back({1, std::move(t), base, 2});
    return runs;
}

void blankFirstMarkers(std::string& line) {
    for (char m : {'[', ']', '{', '}'}) {
        const size_t p = line.find(m);
        if (p == 0)
            line.erase(0, 1);
        else if (p != std::string::npos)
            line[p] = ' ';
    }
}

std::vector<std::string> decodePageLines(const std::string& fileBytes) {
    std::vector<std::string> lines;
    lines.reserve(size_t(std::count(fileBytes.begin(), fileBytes.end(), '\n')) + 1);
    forEachCptLine(fileBytes, [&](const std::string& raw) { lines.push_back(decodeLineLenient(raw)); });
    return lines;
}

int widestLineChars(const std::vector<std::string>& lines) {
    size_t w = 0;
    for (const auto& l : lines)
        w = std::max(w, l.size());
    return int(w);
}

} // namespace core
