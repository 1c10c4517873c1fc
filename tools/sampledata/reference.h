#pragma once
// The reference library of the data set: trouble codes, manual sections and
// help pages, brand documents, and the pictures their windows use.
#include "sampledata/output.h"

#include <string>
#include <vector>

namespace sampledata {

struct Catalogue;

struct TroubleCode {
    std::string brand; // "STANDARD" or a name of the brand list
    std::string code;
    std::string description;
};

// Brands of the brand list that have no code of their own.
inline constexpr const char* kObdBrandWithoutCodes = "DOLOMIA";
// A stored code of four characters: listed, but never found again by its
// trimmed text.
inline constexpr const char* kObdUnfindableCode = "P170";

std::vector<std::string> obdBrandList();
// At least `atLeast` codes: the standard set first, then proprietary sets.
std::vector<TroubleCode> troubleCodes(int atLeast);
// \obd\pmarche.cpt and \obd\xcod_ita.dbf.
void writeTroubleCodes(const Output& out, int atLeast = 5200);

void writeManuals(const Output& out);
void writeBrandDocuments(const Output& out, const Catalogue& cat);
void writeReferencePictures(const Output& out);

void writeReferenceLibrary(const Output& out, const Catalogue& cat);

} // namespace sampledata
