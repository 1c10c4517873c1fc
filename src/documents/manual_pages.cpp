#include "documents/manual_pages.h"

#include "core/texts.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/vbstring.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace documents {

std::optional<ManualSectionFiles> manualSectionFiles(int section) {
    switch (section) {
    case kSectionGlossary:
        return ManualSectionFiles{35, "\\Glo\\tx", "\\glo95.cpt", "\\glo\\tx", "\\glo.cpt", "", 14};
    case kSectionOscilloscope:
        return ManualSectionFiles{36, "\\Osc\\tx", "\\osc95.cpt", "\\osc\\tx", "\\osc.cpt", "\\Osc\\x", 17};
    case kSectionGasAnalysis:
        return ManualSectionFiles{39, "\\Gas\\tx", "\\gas95.cpt", "\\gas\\tx", "\\gas.cpt", "\\gas\\x", 17};
    case kSectionDiagnosis:
        return ManualSectionFiles{38, "\\Dia\\tx", "\\dia95.cpt", "\\dia\\tx", "\\dia.cpt", "", 14};
    default:
        return std::nullopt;
    }
}

std::vector<TopicIndexLine> readTopicIndex(const std::string& content, int keyWidth) {
    std::vector<TopicIndexLine> lines;
    core::forEachCptLine(content, [&](const std::string& raw) {
        const std::string decoded = core::decodeLineLenient(raw);
        lines.push_back({vb::Left(decoded, keyWidth), vb::Mid(decoded, keyWidth + 1)});
    });
    return lines;
}

namespace {

// A whole number of decimal digits after optional blanks; trailing blanks
// allowed. Anything else is no number.
std::optional<std::int64_t> offsetNumber(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    std::int64_t v = 0;
    size_t digits = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i, ++digits)
        v = v * 10 + (field[i] - '0');
    while (i < field.size() && field[i] == ' ')
        ++i;
    if (digits == 0 || i != field.size()) return std::nullopt;
    return v;
}

} // namespace

std::optional<TopicRange> topicRange(const std::string& key, int section) {
    const bool withPicture = section == kSectionOscilloscope || section == kSectionGasAnalysis;
    const int first = withPicture ? 4 : 1;
    const auto s = offsetNumber(vb::Mid(key, first, 7));
    const auto e = offsetNumber(vb::Mid(key, first + 7, 7));
    if (!s || !e) return std::nullopt;
    return TopicRange{*s, *e};
}

std::string topicPictureCode(const std::string& key) {
    return vb::Left(key, 3);
}

std::optional<ByteSpan> topicSpan(const TopicRange& range, std::int64_t fileLength) {
    if (range.start < 0 || range.start >= fileLength) return std::nullopt;
    std::int64_t count = range.end - range.start - 1;
    if (count <= 0) return std::nullopt;
    count = std::min({count, fileLength - range.start, kMaxTopicBytes});
    return ByteSpan{range.start, count};
}

std::string readBytesAt(const std::string& path, std::int64_t offset, std::int64_t count) {
    try {
        return vb::readPart(path, offset, size_t(std::max<std::int64_t>(0, count)));
    } catch (const vb::VbError& e) {
        throw vb::VbError(e.number());
    }
}

bool isManualMarker(char c) {
    switch (c) {
    case '[':
    case '{':
    case '^':
    case '&':
    case ']':
    case '}':
    case '~':
    case '|':
        return true;
    default:
        return false;
    }
}

std::vector<ManualRun> manualRuns(std::string_view line, const ManualColours& colours, int& colour) {
    std::vector<ManualRun> runs;
    int cell = 0;
    ManualRun run{0, {}, colour};
    auto flush = [&] {
        if (!run.text.empty()) runs.push_back(run);
        run.text.clear();
    };
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (!isManualMarker(c)) {
            if (run.text.empty()) {
                run.cell = cell;
                run.colour = colour;
            }
            run.text.push_back(c);
            ++cell;
            continue;
        }
        flush();
        switch (c) {
        case '[':
            colour = colours.bracket;
            break;
        case '{':
            colour = colours.brace;
            break;
        case '^':
            colour = colours.fourth;
            break;
        case '&':
            colour = colours.fifth;
            break;
        default:
            colour = colours.base;
            break;
        }
        // In the first column a marker takes no room; elsewhere it leaves a
        // blank (nothing is drawn, the background shows).
        if (i > 0) ++cell;
    }
    flush();
    return runs;
}

namespace {
// Twips between the picture and the page, and between either and the edge
// of the room they share, when the page is moved off its half.
constexpr int kPictureGap = 120, kPageEdge = 120;
} // namespace

PageBesidePicture placeBesidePicture(int windowWidth, int textEdge, int textWidth, int pictureWidth,
                                     int pictureHeight) {
    PageBesidePicture p;
    p.textLeft = int(std::lrint((windowWidth / 2.0 - textWidth) / 2.0 + windowWidth / 2.0 - 50));
    p.pictureLeft = (windowWidth / 2 - pictureWidth) / 2;
    p.pictureWidth = pictureWidth;
    p.pictureHeight = pictureHeight;
    if (p.textLeft >= p.pictureLeft + pictureWidth && p.textLeft + textWidth <= textEdge) return p;

    p.textLeft = std::max({0, textEdge - kPageEdge - textWidth, (textEdge - textWidth) / 2});
    const int room = p.textLeft - kPictureGap - kPageEdge;
    p.pictureLeft = kPageEdge;
    if (pictureWidth <= room) {
        p.pictureLeft += (room - pictureWidth) / 2;
    } else if (room > 0 && pictureWidth > 0) {
        p.pictureWidth = room;
        p.pictureHeight = int(std::lrint(double(pictureHeight) * room / pictureWidth));
    } else {
        p.pictureWidth = p.pictureHeight = 0;
    }
    return p;
}

int pointerStep(int state, int& x, int homeX) {
    switch (state) {
    case 40:
        x = homeX + 80;
        return 50;
    case 50:
        x += 80;
        return 62;
    case 62:
        return 61;
    case 61:
        return 60;
    case 60:
        x -= 80;
        return 51;
    case 51:
        x -= 80;
        return 41;
    case 41:
        x -= 80;
        return 31;
    case 31:
        x -= 80;
        return 23;
    case 23:
        return 22;
    case 22:
        return 21;
    case 21:
        x += 80;
        return 30;
    case 30:
        x += 80;
        return 40;
    default:
        return state;
    }
}

} // namespace documents
