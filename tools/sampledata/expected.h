#pragma once
// What the sample data set holds, for tests that need to know it without
// decoding it. The generator's own tests check these against the files.
#include <array>
#include <string_view>

namespace sampledata::expected {

inline constexpr int kLabelCount = 91;

} // namespace sampledata::expected
