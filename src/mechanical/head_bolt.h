#pragma once
// The head-bolt tightening sequence: the engine letter ("T" transverse, "L"
// in line), then one 5-character record per bolt: order number (2 digits),
// row letter "A" to "G", column "01" to "15".
#include <string>
#include <string_view>
#include <vector>

namespace mechanical {

inline constexpr int kBoltRows = 7;
inline constexpr int kBoltColumns = 15;

struct Bolt {
    int number = 0;
    int row = -1;    // 0 = "A" ... 6 = "G"; -1: the bolt gets no marker
    int column = -1; // 0 ... 14
};

struct HeadBoltSequence {
    char engine = 0; // 'T', 'L' or 0 when not recognised
    std::vector<Bolt> bolts;
};

// Records the drawing cannot place (an order number of 0 or below, one that
// repeats, a column outside the grid, a fragment shorter than a record) are
// left out; a row letter outside "A" to "G" keeps the bolt without a marker.
HeadBoltSequence parseHeadBoltSequence(std::string_view text);

} // namespace mechanical
