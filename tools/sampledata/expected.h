#pragma once
// What the sample data set holds, for tests that need to know it without
// decoding it. The generator's own tests check these against the files.
#include <array>
#include <string_view>

namespace sampledata::expected {

inline constexpr int kLabelCount = 91;

struct Brand {
    std::string_view id, name;
    bool offered; // has a family table (and symbols)
};
// ORDER BY marca.
inline constexpr std::array<Brand, 4> kBrands = {{
    {"01", "ARDESIA", true},
    {"02", "BRENTA", true},
    {"03", "CALDERA", true},
    {"04", "DOLOMIA", false},
}};
inline constexpr int kOfferedBrands = 3;

struct Family {
    std::string_view brandId, name;
    std::string_view photo; // "" when it has none; file cars\<brand>\X<photo>.jpg
    int models;
};
// Per brand in display order (ORDER BY Famiglia).
inline constexpr std::array<Family, 15> kFamilies = {{
    {"01", "ALBA", "", 4},
    {"01", "BORA/TRAMONTANA", "BORA_TRAMONTANA", 2},
    {"02", "CORSA", "CORSA", 7},
    {"02", "DUNA", "DUNA", 1},
    {"02", "FIORDO", "FIORDO", 6},
    {"03", "FOHN", "FOHN", 1},
    {"03", "GARBINO", "GARBINO", 1},
    {"03", "GRECALE", "GRECALE", 1},
    {"03", "LEVANTE", "LEVANTE", 1},
    {"03", "LIBECCIO", "LIBECCIO", 1},
    {"03", "MAESTRALE", "MAESTRALE", 1},
    {"03", "OSTRO", "OSTRO", 1},
    {"03", "PONENTE", "PONENTE", 1},
    {"03", "SCIROCCO", "SCIROCCO", 1},
    {"03", "ZEFIRO", "ZEFIRO", 1},
}};

struct Model {
    std::string_view id; // a short handle for tests and messages; not stored
    std::string_view brandId, family, name, years, engine;
    std::string_view photo;   // FOTO__AUTO, "" when blank
    std::string_view entries; // viewer entries 0-8 available, '-' when not
    std::string_view filters; // fuel options (0 all, 1 petrol, 2 diesel, 3 carburettor) that list it
};
// Per family in grid order (ORDER BY MODELLO___, DATA__IMM_, MOTORE____).
inline constexpr std::array<Model, 30> kModels = {{
    {"M01", "01", "ALBA", "ALBA 1.2 16V", "1999-2003", "AL-12V16", "ALBA12", "012345678", "01"},
    {"M03", "01", "ALBA", "ALBA 1.3 CARB", "1994-1999", "AL-13C", "", "01-------", "03"},
    {"M04", "01", "ALBA", "ALBA 1.4 GPL", "2003-2008", "AL-14G", "ALBA14G", "0--34----", "0"},
    {"M02", "01", "ALBA", "ALBA 1.9 TD", "2001-2005", "AL-19TD", "ALBA19D", "012345-7-", "02"},
    {"M05", "01", "BORA/TRAMONTANA", "BORA 2.0 TURBO", "2005-2010", "ENG-B20T", "", "012345---", "01"},
    {"M06", "01", "BORA/TRAMONTANA", "TRAMONTANA 1.6", "2006-2012", "ENG-T16", "TRAMO16", "01-34----", "01"},
    {"M08", "02", "CORSA", "CORSA 1.2", "1995-1999", "ENG-A12", "", "01-3-5---", "01"},
    {"M09", "02", "CORSA", "CORSA 1.2", "1999-2003", "ENG-A12B", "CORSA12B", "012345---", "01"},
    {"M10", "02", "CORSA", "CORSA 1.2", "1999-2003", "ENG-A12C", "", "0----5---", "01"},
    {"M07", "02", "CORSA", "CORSA 1.3 D", "1990-1995", "ENG-D13", "", "0123-----", "023"},
    {"M11", "02", "CORSA", "CORSA 1.4", "2000-2004", "ENG-A14", "CORSA14", "01234--78", "01"},
    {"M12", "02", "CORSA", "CORSA 1.6", "2002-2006", "ENG-A16", "CORSA16", "01-------", "01"},
    {"M13", "02", "CORSA", "CORSA 1.8", "2004-2008", "ENG-A18", "", "-1--4-6--", "01"},
    {"M14", "02", "DUNA", "DUNA 1.6 CLIMA", "2008-2014", "ENG-D16", "DUNA16", "01-3--6--", "01"},
    {"M26", "02", "FIORDO", "FIORDO 1.0", "2012-2018", "ENG-FI10", "", "-1-------", "01"},
    {"M27", "02", "FIORDO", "FIORDO 1.2", "2012-2018", "ENG-FI12", "", "-1-------", "01"},
    {"M28", "02", "FIORDO", "FIORDO 1.4", "2012-2018", "ENG-FI14", "", "-1-------", "01"},
    {"M29", "02", "FIORDO", "FIORDO 1.6", "2012-2018", "ENG-FI16", "", "-1-------", "01"},
    {"M30", "02", "FIORDO", "FIORDO 1.8", "2012-2018", "ENG-FI18", "", "-1-------", "01"},
    {"M31", "02", "FIORDO", "FIORDO 2.0", "2012-2018", "ENG-FI20", "", "-1-------", "01"},
    {"M15", "03", "FOHN", "FOHN 1.0", "2010-2015", "ENG-F10", "", "-1----6--", "01"},
    {"M16", "03", "GARBINO", "GARBINO 1.6", "2010-2015", "ENG-G16", "", "-12------", "01"},
    {"M17", "03", "GRECALE", "GRECALE 1.7", "2010-2015", "ENG-G17", "", "-12------", "01"},
    {"M18", "03", "LEVANTE", "LEVANTE 1.8", "2010-2015", "ENG-L18", "", "-1-------", "01"},
    {"M19", "03", "LIBECCIO", "LIBECCIO 1.9", "2010-2015", "ENG-L19", "", "-1----6--", "01"},
    {"M20", "03", "MAESTRALE", "MAESTRALE 2.0 METANO", "2010-2015", "ENG-M20", "", "-1-3-56--", "0"},
    {"M21", "03", "OSTRO", "OSTRO 2.1", "2010-2015", "ENG-O21", "", "012----7-", "01"},
    {"M22", "03", "PONENTE", "PONENTE 2.2", "2010-2015", "ENG-P22", "", "01-------", "01"},
    {"M23", "03", "SCIROCCO", "SCIROCCO 3.0 V6", "2010-2015", "ENG-S30", "", "012---6--", "01"},
    {"M24", "03", "ZEFIRO", "ZEFIRO 1.0", "2010-2015", "ENG-Z10", "", "-1-------", "01"},
}};

// Start-up choice: first brand, its first family, that family's first model.
inline constexpr std::string_view kFirstBrandId = "01";
inline constexpr std::string_view kFirstFamily = "ALBA";
inline constexpr std::string_view kFirstModel = "ALBA 1.2 16V";

// A car photo stored damaged, with a good recovery copy beside it.
inline constexpr std::string_view kDamagedPhoto = "cars\\02\\XCORSA16.jpg";
inline constexpr std::string_view kRecoveryCopy = "cars\\02\\XCORSA16.REC";

// Options: filler brands are "F01".."Fnn" named "FILLER nn" (three digits
// past 99), each with family "UNICA" and model "UNICA 1.0"; the big brand
// sorts last.
inline constexpr std::string_view kFillerFamily = "UNICA";
inline constexpr std::string_view kFillerModel = "UNICA 1.0";
inline constexpr std::string_view kBigBrandId = "BIG";
inline constexpr std::string_view kBigBrandName = "ZETA GRANDE";
inline constexpr int kBigFamilies = 500; // at most; fewer when there are fewer models

} // namespace sampledata::expected
