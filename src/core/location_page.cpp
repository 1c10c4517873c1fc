#include "core/location_page.h"

#include "platform/vbstring.h"

namespace core {
namespace {

void pass(std::string& line, char open, char close, int colour, std::vector<PageRun>& runs) {
    for (;;) {
        const int p1 = vb::InStr(line, std::string(1, open));
        if (p1 == 0) return;
        int p2 = vb::InStr(p1 + 1, line, std::string(1, close));
        if (p2 == 0) p2 = int(line.size()) + 1;
        const std::string segment = vb::Mid(line, p1 + 1, p2 - p1 - 1);
        if (p1 == 1) {
            runs.push_back({1, segment + " ", colour});
            line = std::string(size_t(p2 - 1), ' ') + vb::Mid(line, p2 + 1);
        } else {
            runs.push_back({p1, " " + segment + " ", colour});
            line = vb::Left(line, p1 - 1) + std::string(size_t(p2 - p1 + 1), ' ') + vb::Mid(line, p2 + 1);
        }
    }
}

} // namespace

PageLine locationPageLine(const std::string& line, int braceColour, int bracketColour) {
    PageLine out;
    out.text = line;
    pass(out.text, '[', ']', bracketColour, out.runs);
    pass(out.text, '{', '}', braceColour, out.runs);
    return out;
}

} // namespace core
