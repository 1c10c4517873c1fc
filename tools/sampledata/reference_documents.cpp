// The brand documents of \ric.
#include "sampledata/reference.h"

namespace sampledata {

void writeBrandDocuments(const Output& out, const Catalogue& cat) {}

} // namespace sampledata
