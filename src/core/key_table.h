#pragma once
// The scrambling key of the data set. The program and the sample-data
// generator share this one table; a data set scrambled with other values
// cannot be read.
#include <array>

namespace core {

inline constexpr std::array<int, 80> kKeyConstants = {
    8, 4, 6, 5, 1, 6, 4, 5, 4, 5, 7, 7, 1, 7, 3, 9, 9, 8, 3, 8, 7, 4, 3, 5, 3, 2, 3,
    7, 4, 7, 4, 1, 9, 7, 4, 7, 7, 9, 5, 5, 1, 6, 9, 3, 7, 4, 3, 8, 7, 6, 7, 4, 3, 9,
    2, 7, 7, 8, 3, 5, 2, 9, 3, 5, 6, 5, 3, 5, 9, 3, 4, 1, 4, 6, 6, 8, 2, 7, 8, 1};

} // namespace core
