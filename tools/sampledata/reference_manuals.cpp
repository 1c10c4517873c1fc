// The manual sections and help pages.
#include "sampledata/reference.h"

namespace sampledata {

void writeManuals(const Output& out) {}

} // namespace sampledata
