#include "sampledata/sampledata.h"

#include "sampledata/areas.h"
#include "sampledata/encode.h"

namespace sampledata {

void writeSampleData(const std::string& root, const Options& options) {
    ensureKeys();
    const Output out(root, options);
    out.clean();
    writeLabels(out);
    writeInterface(out);
    writeLookupTexts(out);
}

} // namespace sampledata
