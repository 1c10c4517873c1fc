#pragma once
// Writes the sample data folder: every file the program reads, in the real
// formats, scrambled with the program's own key and checked by decoding.
#include <string>

namespace sampledata {

struct Options {
    // Extra brands with one family and model each, to fill the brand grid.
    int fillerBrands = 0;
    // When above 0: one extra brand whose model table holds this many models
    // (for benchmarks).
    int bigCatalogueModels = 0;
    // Write every file and folder name in lower case.
    bool lowerCaseNames = false;
};

// Writes (or rewrites) the data folder below root. Throws std::runtime_error
// when a file cannot be written or does not decode back to its content.
void writeSampleData(const std::string& root, const Options& options = {});

} // namespace sampledata
