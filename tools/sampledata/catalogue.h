#pragma once
// The brands, families and models the tables are written from: the main set
// plus the filler and big brands the options ask for.
#include "sampledata/sampledata.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace sampledata {

// Plain values; empty means a field of blanks.
struct Model {
    std::string family, name, years, engine, cc, power, injectionType, fuel, ignitionType, photo, cylinders;
    std::string injectionCode, ignitionCode, diagrams, socket, location, absLocation, absLocation2, abs, abs2;
    std::array<std::string, 5> info;
    std::string timingBelt, auxBelt, beltText;
    std::optional<std::string> technicalData; // Null when absent
};

struct Family {
    std::string name;
    bool photo = true;
};

struct Brand {
    std::string id, name;
    bool offered = true; // has a family table, model table and symbols
    std::vector<Family> families;
    std::vector<Model> models;
    std::vector<std::string> damagedPhotos; // car photo names written damaged, with a recovery copy
};

struct Catalogue {
    std::vector<Brand> brands;
};

Catalogue buildCatalogue(const Options& options);

// "BORA/TRAMONTANA" -> "BORA_TRAMONTANA", the family photo's name.
std::string familyPhotoName(const std::string& family);

} // namespace sampledata
