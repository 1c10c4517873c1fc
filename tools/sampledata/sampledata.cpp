#include "sampledata/sampledata.h"

namespace sampledata {
void writeSampleData(const std::string&, const Options&) {}
} // namespace sampledata
