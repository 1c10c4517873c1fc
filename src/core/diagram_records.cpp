#include "core/diagram_records.h"

#include "platform/vbstring.h"

#include <algorithm>

namespace core {

Hotspot hotspotOf(const std::string& item) {
    return {vb::Val(vb::Mid(item, 1, 6)), vb::Val(vb::Mid(item, 7, 6)), vb::Val(vb::Mid(item, 13, 6)),
            vb::Val(vb::Mid(item, 19, 6))};
}

std::vector<Hotspot> hotspotsOf(const std::vector<std::string>& items) {
    std::vector<Hotspot> out;
    out.reserve(items.size());
    for (const std::string& item : items)
        out.push_back(hotspotOf(item));
    return out;
}

int findHotspot(const std::vector<Hotspot>& spots, double X, double Y, double f) {
    for (size_t i = 0; i < spots.size(); ++i) {
        const Hotspot& h = spots[i];
        if (X > h.x1 * f && Y > h.y1 * f && X < h.x2 * f && Y < h.y2 * f) return int(i);
    }
    return -1;
}

std::string componentCode(const std::string& item) {
    return vb::Mid(item, 29, 4);
}
std::string componentTextCode(const std::string& item) {
    return vb::Mid(item, 33, 4);
}

std::string componentRowText(const std::string& item) {
    return vb::Mid(item, 25, 4) + " (" + vb::Mid(item, 37, 1) + ") " + vb::Mid(item, 43);
}

std::string legendRowText(const std::string& item) {
    return vb::Mid(item, 25, 4) + " = " + vb::Mid(item, 43);
}

bool inLegend(const std::string& item) {
    return vb::Mid(item, 37, 1) == "1";
}

namespace {
// Byte order: codes compare by character code, whatever the locale.
bool less(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}
} // namespace

int gridInsertPosition(const std::vector<std::string>& rows, const std::string& text) {
    int at = 0;
    for (size_t j = 0; j < rows.size(); ++j)
        if (less(rows[j], text)) at = int(j) + 1;
    return at;
}

bool legendInsert(std::vector<std::string>& rows, const std::string& text) {
    if (rows.empty()) {
        rows.push_back(text);
        return true;
    }
    int at = 0;
    bool found = false;
    for (size_t j = 0; j < rows.size(); ++j) {
        if (rows[j] == text)
            found = true;
        else if (less(rows[j], text))
            at = int(j) + 1;
        else if (j == 0)
            at = 0;
    }
    if (found) return false;
    rows.insert(rows.begin() + at, text);
    return true;
}

std::vector<std::string> withoutRepeats(const std::vector<std::string>& rows) {
    std::vector<std::string> out;
    for (const std::string& r : rows)
        if (std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
    return out;
}

std::vector<PrintLine> twoColumnLines(int count) {
    const int rows = count % 2 == 0 ? count / 2 : (count + 1) / 2;
    std::vector<PrintLine> out;
    for (int i = 0; i < rows; ++i)
        out.push_back({i, rows + i <= count - 1 ? rows + i : -1});
    return out;
}

} // namespace core
