#pragma once
// One writer per data folder or area; writeSampleData calls them in turn.
#include "sampledata/output.h"

namespace sampledata {

struct Catalogue;

void writeLabels(const Output& out);                        // \des
void writeInterface(const Output& out);                     // \mas
void writeIntroText(const Output& out);                     // \mas text
void writeLookupTexts(const Output& out);                   // \Ark description, type and parameter lists
void writeTables(const Output& out, const Catalogue& cat);  // \Ark dBase tables
void writeSymbols(const Output& out, const Catalogue& cat); // \sym
void writePhotos(const Output& out, const Catalogue& cat);  // \cars
void writeMechanical(const Output& out);                    // \ser, \air, data-sheet dictionaries
void writeVehicleTexts(const Output& out);                  // \par, \soc, \inf, \cng, information documents
void writeDiagrams(const Output& out);                      // \psc, \ubi, diagram frames

} // namespace sampledata
