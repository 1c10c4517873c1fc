#include "sampledata/catalogue.h"

#include "sampledata/encode.h"
#include "sampledata/expected.h"

#include <algorithm>
#include <cstdio>

namespace sampledata {
namespace {

// Technical-data strings of the main set, kept exactly as designed (some are
// malformed on purpose: lower-case lengths, short items, a cut-off group).
const char* const kDatiM01 =
    "03A0108AL-12V1600000003A020412420205000003A030B70,8 x 78,90201000003A04059,8:100000003A050"
    "25902060D6000 giri/min0003B010712 - 1402020015Valori a motore caldo03C010A750 +/- 50020300"
    "0003C02030,50204000003D01071-3-4-200000003D0305CP-1200000003D04030,80201000003E010B0,20 - "
    "0,250201000FA motore freddo03F01031,50202000003R012EE+A2+B90+B90+D+C+A4+B180+F+A1,5 x3+I4,"
    "5+L6+M7+00000003R0233L01C0702E0703C0504E0905C0906E0507C0308E1109C1110E0300000003R0307A5+B6"
    "0+00000003R050AA3(1)+B40+00000003R0706A3+B3000000003S0105A2,5+00000003T0104A11+00000003U01"
    "1BA055025ATB120000  A0550  VU00000003U0206PAG 4600000003G01028802100000";
const char* const kDatiM02 =
    "03A0107AL-19TD00000003A020419100205000003A05028502060D4000 giri/min0003C010A850 +/- 300203"
    "000003R010BA3+B90+B90+00000003R0433T01B0802F0803B0604F1005B1006F0607B0408F1209B1210F040000"
    "0003E010B0,25 - 0,3002010000";
const char* const kDatiM03 =
    "03A0106AL-13C00000003A020412970205000003R0233L01C0702E0703C0504E0905C0906E0507C0308E1109C1"
    "110E0300000003C010380002030000";
const char* const kDatiM05 = "03A0108ENG-B20T00000003A020419980205000003R0507A3+B60+000000";
const char* const kDatiM06 = "03A0107ENG-T16000000";
const char* const kDatiM07 = "03A0107ENG-D1300000003R0107A4+B90+000000";
const char* const kDatiM08 = "03A0107ENG-A1200000003A0204119902050000";
const char* const kDatiM09 = "03A0108ENG-A12B00000003R0307A6+B45+000000";
const char* const kDatiM11 = "03A0107ENG-A1400000003R0703A8+000000";
const char* const kDatiM12 = "03A0107ENG-A16000000";
const char* const kDatiM13 = "03A0107ENG-A1800000003U0109A060000  000000";
const char* const kDatiM14 = "03A0107ENG-D1600000003U0112A055025ATB0450  CU00000003U0206PAG 46000000";
const char* const kDatiM15 =
    "03A0107FOHN-1000000003A021aabcdefghijklmnopqrstuvwxyz0201000003A030a012345678900000003C050"
    "Cfiltro U01-X00000003A04G5123450G000003A0503xyzFFshort";
const char* const kDatiM16 =
    "03B010711 - 130202000003B9911senza descrizione00000003Z0116categoria senza titolo00000003A"
    "020416000299000003A030980 x 79,5020110valore ulteriore0003A040410:100000Dnota di prova03r0"
    "103A2+00000003R0307A5+B60+0212000003R0806L01A0100000003T0219A2+B90+C+D+E+F+G+H0,5 mm+00000"
    "003S0207A2++B9+00000003S0304+A2+00000003S04032A+00000003S0502A200000003S060000000003U03032"
    ",502020000";
const char* const kDatiM17 =
    "03A0107ENG-G1700000003R0103A9+00000003R012F2A+90B+20+C+++1,5 x3A+2AB+A2+A2+A2+A2+A2+A2+90B"
    "00000003R030A20+A1jkwx+00000003R0502A200000003r0303A1+00000003S0107A2++B9+00000003S0204+A2"
    "+00000003T0106A3(1)+00000003T020000000003R0789A1+B1+C+D+E+F+G+H+I1+L1+M1+N1+O1+P1+Q1+R1+S1"
    "+T1+U1+V1+Z1+Y1+J1+W1+K1+X1+a1+b1+c1+d1+e1+f1+g1+h1+i1+l1+m1+n1+o1+p1+q1+r1+s1+t1+u1+v+z1+"
    "y1+000000";
const char* const kDatiM18 =
    "03A0107ENG-L1800000003R0206X01C0800000003R040000000003R0206T05B0300000003R040BL01A0102G150"
    "0000003R020FT01A0102H0503C000000003R0206t01A01000000";
const char* const kDatiM19 =
    "03A0107ENG-L1900000003U01C0A085025ATB120000BUC0600  C A040007D A0400 5E A0450xxF A0500  G "
    "A0500  H A0500  I A0500  J A0500  L A0500  M A0500  N A0500  O A0500  P A0500  Q A0500  R "
    "A0500  S A0500  V A0500  Z A0500  KAB0900000003U0109B099900  00000003U0201x03U010000";
const char* const kDatiM20 = "03A0107ENG-M2000000003u0109A050000A 000000";
const char* const kDatiM21 = "03A0107ENG-O2100000003R0107A2+B90+000000";
const char* const kDatiM22 = "03A0107ENG-P22000000";
const char* const kDatiM23 =
    "03A0107ENG-S3000000003A020429590205000003A05031650206000003D010B1-4-2-5-3-600000003R010BA3"
    "+B90+B90+00000003R0307A5+B90+00000003R0507A2+B45+00000003R0703A9+00000003U0109A075010AT000"
    "000";
const char* const kDatiM24 = "03A0107ENG-Z10000000";

const char* const kPetrol = "Iniezione multipoint";
const char* const kStatic = "Elettronica statica";

std::vector<Model> ardesiaModels() {
    return {
        {"ALBA",
         "ALBA 1.2 16V",
         "1999-2003",
         "AL-12V16",
         "1242",
         "80(59)/6000",
         "Iniezione multipoint sequenziale",
         "B",
         kStatic,
         "ALBA12",
         "4/16V",
         "B100",
         "B200",
         "B100B200E100G100G200J10000000000",
         "001",
         "A001",
         "AB01",
         "",
         "E100",
         "",
         {"001", "002", "003", "004", "005"},
         "00001",
         "00002",
         "00001",
         kDatiM01},
        {"ALBA",
         "ALBA 1.9 TD",
         "2001-2005",
         "AL-19TD",
         "1910",
         "115(85)/4000",
         "Common rail",
         "D",
         "",
         "ALBA19D",
         "4",
         "D100",
         "",
         "D100E200",
         "002",
         "A002",
         "AB01",
         "AB02",
         "E100",
         "E200",
         {"006"},
         "00003",
         "",
         "00003",
         kDatiM02},
        {"ALBA",
         "ALBA 1.3 CARB",
         "1994-1999",
         "AL-13C",
         "1297",
         "60(44)/5500",
         "Carburatore doppio corpo",
         "B",
         kStatic,
         "",
         "4/8V/SOHC",
         "0000",
         "A200",
         "A200H100H200J200",
         "",
         "",
         "",
         "",
         "",
         "",
         {},
         "",
         "",
         "",
         kDatiM03},
        {"ALBA",
         "ALBA 1.4 GPL",
         "2003-2008",
         "AL-14G",
         "1368",
         "77(57)/6000",
         "Iniezione multipoint GPL",
         "G",
         kStatic,
         "ALBA14G",
         "4/16V",
         "A100",
         "A200",
         "A100A200E100",
         "003",
         "A003",
         "",
         "",
         "E100",
         "",
         {},
         "",
         "",
         "",
         std::nullopt},
        {"BORA/TRAMONTANA",
         "BORA 2.0 TURBO",
         "2005-2010",
         "ENG-B20T",
         "1998",
         "200(147)/5500",
         "Iniezione diretta",
         "B",
         kStatic,
         "",
         "4/16V",
         "",
         "A200",
         "A200F100J200",
         "004",
         "A004",
         "",
         "",
         "",
         "",
         {"007"},
         "",
         "",
         "",
         kDatiM05},
        {"BORA/TRAMONTANA",
         "TRAMONTANA 1.6",
         "2006-2012",
         "ENG-T16",
         "1598",
         "120(88)/6200",
         kPetrol,
         "B",
         kStatic,
         "TRAMO16",
         "4/16V",
         "B100",
         "B100",
         "B100K100M100Z999",
         "005",
         "A005",
         "",
         "",
         "",
         "",
         {},
         "",
         "",
         "",
         kDatiM06},
    };
}

std::vector<Model> brentaModels() {
    std::vector<Model> m = {
        {"CORSA",
         "CORSA 1.3 D",
         "1990-1995",
         "ENG-D13",
         "1305",
         "60(44)/4500",
         "Pompa iniezione meccanica",
         "D",
         "",
         "",
         "4",
         "0000",
         "",
         "D100E100",
         "006",
         "",
         "",
         "",
         "E100",
         "",
         {},
         "",
         "",
         "",
         kDatiM07},
        {"CORSA",
         "CORSA 1.2",
         "1995-1999",
         "ENG-A12",
         "1199",
         "75(55)/5800",
         "Iniezione single point",
         "B",
         kStatic,
         "",
         "4/8V",
         "A100",
         "A200",
         "A100E100",
         "007",
         "",
         "AB03",
         "",
         "E100",
         "",
         {"123", "", "456"},
         "",
         "",
         "",
         kDatiM08},
        {"CORSA",    "CORSA 1.2", "1999-2003",
         "ENG-A12B", "1199",      "80(59)/6000",
         kPetrol,    "B",         kStatic,
         "CORSA12B", "4/16V",     "A100",
         "A100",     "A100",      "008",
         "B001",     "",          "",
         "",         "",          {"123", "456", "", "789"},
         "",         "",          "",
         kDatiM09},
        {"CORSA",     "CORSA 1.2", "1999-2003", "ENG-A12C", "1242",  "82(60)/6000",
         kPetrol,     "B",         kStatic,     "",         "4/16V", "B100",
         "B200",      "B100",      "",          "",         "",      "",
         "",          "",          {"000"},     "",         "",      "",
         std::nullopt},
        {"CORSA",   "CORSA 1.4", "2000-2004", "ENG-A14", "1368",     "95(70)/6000", kPetrol, "B", kStatic,
         "CORSA14", "4/16V",     "B100",      "B200",    "B100B200", "009",         "B002",  "",  "",
         "",        "",          {},          "00005",   "00004",    "00005",       kDatiM11},
        {"CORSA", "CORSA 1.6", "2002-2006", "ENG-A16", "1598",  "105(77)/5800",
         kPetrol, "B",         kStatic,     "CORSA16", "4/16V", "B100",
         "B200",  "B100",      "",          "",        "",      "",
         "",      "",          {},          "",        "",      "",
         kDatiM12},
        {"CORSA", "CORSA 1.8", "2004-2008", "ENG-A18", "1796",  "125(92)/6300", kPetrol, "B", kStatic, "",
         "4/16V", "",          "",          "",        "",      "B003",         "",      "",  "",      "",
         {},      "",          "",          "",        kDatiM13},
        {"DUNA",      "DUNA 1.6 CLIMA",
         "2008-2014", "ENG-D16",
         "1596",      "110(81)/6000",
         kPetrol,     "B",
         kStatic,     "DUNA16",
         "4/16V",     "B100",
         "B200",      "G100C011Z999",
         "010",       "",
         "",          "",
         "",          "",
         {},          "",
         "",          "",
         kDatiM14},
    };
    // Six models: a full model grid that does not scroll yet.
    const char* const sizes[] = {"1.0", "1.2", "1.4", "1.6", "1.8", "2.0"};
    const char* const cc[] = {"999", "1199", "1368", "1598", "1796", "1995"};
    const char* const power[] = {"65(48)/6000",  "75(55)/6000",  "90(66)/6000",
                                 "110(81)/6000", "130(96)/6200", "150(110)/6300"};
    for (int i = 0; i < 6; ++i) {
        const std::string engine = std::string("ENG-FI") + std::to_string(10 + 2 * i);
        m.push_back({"FIORDO",
                     std::string("FIORDO ") + sizes[i],
                     "2012-2018",
                     engine,
                     cc[i],
                     power[i],
                     kPetrol,
                     "B",
                     kStatic,
                     "",
                     "4/16V",
                     "B100",
                     "B200",
                     "",
                     "",
                     "",
                     "",
                     "",
                     "",
                     "",
                     {},
                     "",
                     "",
                     "",
                     packGroup("A01", engine)});
    }
    return m;
}

Model calderaModel(const char* family, const char* name, const char* engine, const char* cc,
                   const char* power, const char* cylinders, const char* dati) {
    return {family, name,      "2010-2015", engine, cc, power, kPetrol, "B", kStatic,
            "",     cylinders, "B100",      "B200", "", "",    "",      "",  "",
            "",     "",        {},          "",     "", "",    dati};
}

std::vector<Model> calderaModels() {
    std::vector<Model> m = {
        calderaModel("FOHN", "FOHN 1.0", "ENG-F10", "999", "69(51)/6000", "3/12V", kDatiM15),
        calderaModel("GARBINO", "GARBINO 1.6", "ENG-G16", "1600", "110(81)/6000", "5/20V/DOHC", kDatiM16),
        calderaModel("GRECALE", "GRECALE 1.7", "ENG-G17", "1700", "90(66)/5000", "4/16V", kDatiM17),
        calderaModel("LEVANTE", "LEVANTE 1.8", "ENG-L18", "1800", "140(103)/6000", "4/16V", kDatiM18),
        calderaModel("LIBECCIO", "LIBECCIO 1.9", "ENG-L19", "1900", "130(96)/6000", "4/16V", kDatiM19),
        calderaModel("MAESTRALE", "MAESTRALE 2.0 METANO", "ENG-M20", "1995", "110(81)/5500", "4/16V",
                     kDatiM20),
        calderaModel("OSTRO", "OSTRO 2.1", "ENG-O21", "2100", "150(110)/6000", "4/16V", kDatiM21),
        calderaModel("PONENTE", "PONENTE 2.2", "ENG-P22", "2200", "160(118)/6000", "4/16V", kDatiM22),
        calderaModel("SCIROCCO", "SCIROCCO 3.0 V6", "ENG-S30", "2959", "225(165)/6300", "6/24V", kDatiM23),
        calderaModel("ZEFIRO", "ZEFIRO 1.0", "ENG-Z10", "998", "60(44)/6000", "3", kDatiM24),
    };
    Model& metano = m[5];
    metano.injectionType = "Iniezione metano";
    metano.fuel = "M";
    metano.socket = "000";
    metano.info = {"000"};
    Model& ostro = m[6];
    ostro.diagrams = "E200";
    ostro.abs = "E100";
    ostro.abs2 = "E200";
    ostro.timingBelt = ostro.beltText = "00003";
    m[7].diagrams = "N100";
    m[8].injectionType = "Iniezione sequenziale";
    m[8].diagrams = "B100B200";
    return m;
}

std::vector<Family> familiesOf(const std::vector<Model>& models) {
    std::vector<Family> f;
    for (const auto& m : models)
        if (std::none_of(f.begin(), f.end(), [&](const Family& x) { return x.name == m.family; }))
            f.push_back({m.family, true});
    return f;
}

std::string twoDigits(int n, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, n);
    return buf;
}

Brand fillerBrand(int n, int width) {
    Brand b{"F" + twoDigits(n, width), "FILLER " + twoDigits(n, width), true, {{"UNICA", true}}, {}, {}};
    b.models.push_back({"UNICA",     "UNICA 1.0", "2015-2020", "ENG-U10", "999", "68(50)/6000",
                        kPetrol,     "B",         kStatic,     "",        "3",   "",
                        "",          "",          "",          "",        "",    "",
                        "",          "",          {},          "",        "",    "",
                        std::nullopt});
    return b;
}

// A large, realistic-looking model table for benchmarks.
Brand bigBrand(int models) {
    static const char* const stems[] = {"ALFA", "BETA",  "GAMMA", "DELTA", "SIGMA", "OMEGA",  "ASTRO",
                                        "BORA", "CIRRO", "DUCA",  "ELIO",  "FARO",  "GIRO",   "IDRA",
                                        "LAMA", "MIRA",  "NOVA",  "ORSA",  "PERLA", "QUARZO", "RADAR",
                                        "SOLE", "TERRA", "URSA",  "VEGA"};
    static const int cc[] = {999, 1199, 1242, 1368, 1598, 1796, 1910, 1995, 2198, 2959};
    static const char* const label[] = {"1.0", "1.2", "1.2", "1.4", "1.6", "1.8", "1.9", "2.0", "2.2", "3.0"};
    Brand b{std::string(expected::kBigBrandId), std::string(expected::kBigBrandName), true, {}, {}, {}};
    const int families = std::min(500, models);
    for (int f = 0; f < families; ++f)
        b.families.push_back({std::string(stems[f % 25]) + " " + std::to_string(f / 25 + 1), true});
    b.models.reserve(size_t(models));
    for (int j = 0; j < models; ++j) {
        const int k = j / families;
        const int v = (j * 7 + k) % 10;
        const int hp = cc[v] * 6 / 100 + (k % 4) * 10;
        const int kw = hp * 7355 / 10000;
        const int from = 1985 + (j * 7) % 35;
        const int kind = k % 5; // 0-2 petrol injection, 3 diesel, 4 carburettor
        Model m;
        m.family = b.families[size_t(j % families)].name;
        m.name = m.family + " " + label[v] + (kind == 3 ? " TD" : kind == 4 ? " CARB" : " 16V");
        m.years = std::to_string(from) + "-" + std::to_string(from + 4);
        m.engine = "ENG-" + std::to_string(10000 + j);
        m.cc = std::to_string(cc[v]);
        m.power = std::to_string(hp) + "(" + std::to_string(kw) + ")/" + (kind == 3 ? "4000" : "6000");
        m.injectionType = kind == 3 ? "Common rail" : kind == 4 ? "Carburatore doppio corpo" : kPetrol;
        m.fuel = kind == 3 ? "D" : "B";
        m.ignitionType = kind == 3 ? "" : kStatic;
        m.cylinders = v >= 9 ? "6/24V" : "4/16V";
        m.injectionCode = kind == 3 ? "D100" : kind == 4 ? "0000" : "B100";
        m.ignitionCode = kind == 3 ? "" : "B200";
        m.diagrams = kind == 3 ? "D100" : kind == 4 ? "A200" : "B100B200";
        std::string dati = packGroup("A01", m.engine) + packGroup("A02", m.cc, "05");
        if (k % 2 == 0) dati += packGroup("R01", "A3+B90+B90+") + packGroup("R03", "A5+B60+");
        if (kind < 3 && k % 3 == 0) dati += packGroup("U01", "A055025AT");
        m.technicalData = dati;
        b.models.push_back(std::move(m));
    }
    return b;
}

} // namespace

std::string familyPhotoName(const std::string& family) {
    std::string r = family;
    std::replace(r.begin(), r.end(), '/', '_');
    return r;
}

Catalogue buildCatalogue(const Options& options) {
    Catalogue c;
    Brand ardesia{"01", "ARDESIA", true, {}, ardesiaModels(), {}};
    ardesia.families = familiesOf(ardesia.models);
    ardesia.families[0].photo = false; // every fuel filter finds an ALBA model
    Brand brenta{"02", "BRENTA", true, {}, brentaModels(), {"CORSA16"}};
    brenta.families = familiesOf(brenta.models);
    Brand caldera{"03", "CALDERA", true, {}, calderaModels(), {}};
    caldera.families = familiesOf(caldera.models);
    c.brands = {ardesia, brenta, caldera, Brand{"04", "DOLOMIA", false, {}, {}, {}}};
    const int width = options.fillerBrands > 99 ? 3 : 2;
    for (int i = 1; i <= options.fillerBrands; ++i)
        c.brands.push_back(fillerBrand(i, width));
    if (options.bigCatalogueModels > 0) c.brands.push_back(bigBrand(options.bigCatalogueModels));
    return c;
}

} // namespace sampledata
