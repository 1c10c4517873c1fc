#include "sampledata/sampledata.h"

#include "sampledata/areas.h"
#include "sampledata/catalogue.h"
#include "sampledata/encode.h"
#include "sampledata/reference.h"

namespace sampledata {

void writeSampleData(const std::string& root, const Options& options) {
    ensureKeys();
    const Output out(root, options);
    out.clean();
    const Catalogue cat = buildCatalogue(options);
    writeLabels(out);
    writeInterface(out);
    writeLookupTexts(out);
    writeTables(out, cat);
    writeSymbols(out, cat);
    writePhotos(out, cat);
    writeMechanical(out);
    writeVehicleTexts(out);
    writeDiagrams(out);
    writeReferenceLibrary(out, cat);
}

} // namespace sampledata
