#pragma once
// The manual sections without widgets: which files a section uses, the topic
// index, the byte range of a topic in its section's page file, the manual
// markup of a page line and the swing of the pointer line.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace documents {

// ManualSection values the toolbars pass.
inline constexpr int kSectionGlossary = 20, kSectionOscilloscope = 30, kSectionGasAnalysis = 40,
                     kSectionDiagnosis = 50;

struct ManualSectionFiles {
    int headingLabel = 0;      // Des entry of the heading
    std::string indexFolder;   // "\Glo\tx" (the language follows)
    std::string indexFile;     // "\glo95.cpt"
    std::string pageFolder;    // "\glo\tx"
    std::string pageFile;      // "\glo.cpt"
    std::string pictureFolder; // "\Osc\x" or "\gas\x"; empty: no pictures
    int keyWidth = 14;         // characters of an index line that form its key
};

// The files of section 20, 30, 40 or 50; nothing for any other value.
std::optional<ManualSectionFiles> manualSectionFiles(int section);

struct TopicIndexLine {
    std::string key;   // the first 14 (17) characters: offsets, and the picture code
    std::string title; // from column 15 (18)
};

// The lines of a topic index file, each decoded on its own. A last line
// without CR LF counts too; a line that cannot be decoded gives an empty
// line.
std::vector<TopicIndexLine> readTopicIndex(const std::string& content, int keyWidth);

struct TopicRange {
    std::int64_t start = 0, end = 0;
};

// The offsets of a topic's key: columns 1-7 and 8-14, or 4-10 and 11-17 when
// the key starts with a picture code. Nothing when either is not a number
// (leading blanks allowed).
std::optional<TopicRange> topicRange(const std::string& key, int section);

// The picture code of a key of the oscilloscope and gas-analysis sections.
std::string topicPictureCode(const std::string& key);

// Bytes s to e - 2 of a file of the given length: the offset and the count
// to read, clipped to the file and to the 32 767 bytes a topic may hold.
// Nothing when the range is empty, negative or starts past the end.
struct ByteSpan {
    std::int64_t offset = 0;
    std::int64_t count = 0;
};
std::optional<ByteSpan> topicSpan(const TopicRange& range, std::int64_t fileLength);
inline constexpr std::int64_t kMaxTopicBytes = 32767;

// Reads count bytes at a 0-based offset. Error 53 when the file is missing,
// 75 when it cannot be read.
std::string readBytesAt(const std::string& path, std::int64_t offset, std::int64_t count);

// The four-colour manual markup: "[" bracket, "{" brace, "^" fourth, "&"
// fifth colour; "]", "}", "~", "|" back to the base colour. No pairing, the
// colour carries over to the next line, a marker is never drawn: in column 1
// it takes no room, elsewhere one blank.
struct ManualColours {
    int base = 0, brace = 12, bracket = 12, fourth = 14, fifth = 4;
};
struct ManualRun {
    int cell = 0;     // 0-based character cell from the line's left edge
    std::string text; // no markers
    int colour = 0;   // QBColor number
};
// Runs of one line in drawing order; colour is the colour in force at the
// line's start and is left at the colour in force at its end.
std::vector<ManualRun> manualRuns(std::string_view line, const ManualColours& colours, int& colour);
bool isManualMarker(char c);

// Where a topic page and its picture stand across a window, in twips: the
// page's left edge and the picture's left edge and shown size. A width of 0
// means the window leaves the picture no room.
struct PageBesidePicture {
    int textLeft = 0;
    int pictureLeft = 0, pictureWidth = 0, pictureHeight = 0;
};
// A page textWidth wide beside a picture of pictureWidth x pictureHeight in
// a window windowWidth wide, whose text must end before textEdge (the
// window's right edge or the scroll bar's). The page stands centred in the
// right half and the picture in the left half while that shows every
// character. A page too wide for that ends a margin before textEdge
// instead, with less margin when the window has less room, never further
// left than the window's edge; the picture takes the room left of it, made
// smaller (with its proportions) when it is wider than the room. The
// picture lies above the text, so it must never reach a character.
PageBesidePicture placeBesidePicture(int windowWidth, int textEdge, int textWidth, int pictureWidth,
                                     int pictureHeight);
// One step of the pointer line's swing: moves x (twips) and returns the next
// state. Unknown states do nothing and stay.
int pointerStep(int state, int& x, int homeX);

} // namespace documents
