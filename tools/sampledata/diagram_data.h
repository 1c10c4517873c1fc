#pragma once
// The content of the diagram and location files, shared by their writer and
// the tests that check the windows against it.
#include <string>
#include <vector>

namespace sampledata {

// One component of a new-format diagram. Edges are twips of the 800 x 480
// picture; a line written short or with words for edges is kept as raw text.
struct ComponentLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string description; // four characters, may be blank-padded
    std::string component, textCode, tag, secondary;
    std::string raw; // when set, the line exactly as written
};

struct DiagramSheet {
    std::string code;
    std::string title;
    std::vector<ComponentLine> components;
    std::vector<std::string> secondary; // the "&" file; none when empty
    bool componentFile = true;
};

// The 42-character record of a component (or its raw text).
std::string componentRecord(const ComponentLine& c);
const std::vector<DiagramSheet>& newFormatSheets();

struct LocationPicture {
    std::string brand, code;
    std::vector<std::string> markers; // description codes pointed at
};
const std::vector<LocationPicture>& locationPictures();

struct AbsLocation {
    std::string code;
    std::vector<std::string> lines; // Windows-1252
};
const std::vector<AbsLocation>& absLocations();

} // namespace sampledata
