// \Ark dBase tables: brands, families, models and the diagram catalogue.
#include "sampledata/areas.h"
#include "sampledata/catalogue.h"

#include "db/dbase.h"
#include "dbwriter/table_writer.h"

#include <cctype>
#include <map>

namespace sampledata {
namespace {

struct Column {
    std::string name;
    int width; // 0: memo, stored plain
    Form form = Form::Conv;
};

using Row = std::vector<std::optional<std::string>>;

// Pads and scrambles every text value, writes the table, then reads it back
// with the program's reader and decodes every value.
void writeScrambledTable(const Output& out, const std::string& rel, const std::vector<Column>& columns,
                         const std::vector<Row>& plain) {
    std::vector<db::FieldDef> defs;
    for (const auto& c : columns)
        defs.push_back({c.name, c.width ? 'C' : 'M', c.width, 0});
    std::vector<Row> stored;
    stored.reserve(plain.size());
    for (size_t r = 0; r < plain.size(); ++r) {
        Row row(columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            const auto& v = plain[r][i];
            if (!columns[i].width) {
                row[i] = v;
                continue;
            }
            try {
                row[i] = encodePadded(columns[i].form, v.value_or(""), columns[i].width);
            } catch (const std::exception& e) {
                failFile(rel, "record " + std::to_string(r) + " field " + columns[i].name + ": " + e.what());
            }
        }
        stored.push_back(std::move(row));
    }
    try {
        db::writeTable(out.path(rel), defs, stored);
    } catch (const std::exception& e) {
        failFile(rel, e.what());
    }

    try {
        const db::Table t = db::Table::open(out.path(rel));
        if (t.recordCount() != plain.size()) failFile(rel, "reads back with another record count");
        for (size_t r = 0; r < plain.size(); ++r)
            for (size_t i = 0; i < columns.size(); ++i) {
                const auto got = t.view(r, int(i));
                const auto& want = plain[r][i];
                bool same;
                if (!columns[i].width) {
                    same = (want && !want->empty()) ? (got && *got == *want) : !got;
                } else {
                    std::string padded = want.value_or("");
                    padded.resize(size_t(columns[i].width), ' ');
                    same = got && decode(columns[i].form, std::string(*got)) == padded;
                }
                if (!same)
                    failFile(rel, "record " + std::to_string(r) + " field " + columns[i].name +
                                      " does not read back");
            }
    } catch (const db::Error& e) {
        failFile(rel, std::string("does not read back: ") + e.what());
    }
}

// Values the queries put between double quotes must not hold one, and keys
// must differ by more than letter case.
void checkQueryKeys(const std::string& rel, const std::vector<std::string>& keys, int width) {
    std::map<std::string, std::string> seen;
    for (const auto& k : keys) {
        const std::string stored = encodePadded(Form::Conv, k, width);
        if (stored.find('"') != std::string::npos) failFile(rel, "stored key of \"" + k + "\" holds a quote");
        std::string folded = stored;
        for (char& c : folded)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        const auto [it, fresh] = seen.emplace(folded, k);
        if (!fresh && it->second != k)
            failFile(rel,
                     "keys \"" + k + "\" and \"" + it->second + "\" differ only by letter case when stored");
    }
}

const int kFamilyWidth = 30;

void writeBrands(const Output& out, const Catalogue& cat) {
    std::vector<Row> rows;
    for (const auto& b : cat.brands)
        rows.push_back({b.id, b.name});
    writeScrambledTable(out, "Ark\\Xmarche.dbf", {{"ID_MARCA", 4}, {"MARCA", 30}}, rows);
}

void writeFamilies(const Output& out, const Brand& b) {
    const std::string rel = "Ark\\Xfam_" + b.id + ".dbf";
    std::vector<Row> rows;
    std::vector<std::string> keys;
    for (const auto& f : b.families) {
        rows.push_back({f.name});
        keys.push_back(f.name);
    }
    checkQueryKeys(rel, keys, kFamilyWidth);
    writeScrambledTable(out, rel, {{"FAMIGLIA", kFamilyWidth}}, rows);
}

const std::vector<Column>& modelColumns() {
    static const std::vector<Column> c = {
        {"MODELLO___", 30},
        {"DATA__IMM_", 10},
        {"MOTORE____", 12},
        {"CILINDRATA", 6},
        {"POTENZA___", 16},
        {"INIEZ_TIPO", 40},
        {"FAMILY____", kFamilyWidth},
        {"CARBURANTE", 1},
        {"INIEZ__COD", 4},
        {"ACCEN__COD", 4},
        {"ACCEN_TIPO", 30},
        {"FOTO__AUTO", 20},
        {"SCHEMI", 80},
        {"DATITECNIC", 0},
        {"PRESA_DIAG", 3},
        {"UBI____COD", 4},
        {"UBIABS_COD", 4},
        {"UBIABS2COD", 4},
        {"ABS____COD", 4},
        {"ABS2___COD", 4},
        {"INFO1__COD", 3},
        {"INFO2__COD", 3},
        {"INFO3__COD", 3},
        {"INFO4__COD", 3},
        {"INFO5__COD", 3},
        {"CINGHIEPIC", 5},
        {"CINGHIEAUX", 5},
        {"CINGHIETXT", 5},
        {"N_CILINDRI", 10, Form::Line},
    };
    return c;
}

void writeModels(const Output& out, const Brand& b) {
    const std::string rel = "Ark\\Xmod_" + b.id + ".dbf";
    std::vector<Row> rows;
    rows.reserve(b.models.size());
    for (const auto& m : b.models) {
        rows.push_back(
            {m.name,     m.years,         m.engine,        m.cc,           m.power,        m.injectionType,
             m.family,   m.fuel,          m.injectionCode, m.ignitionCode, m.ignitionType, m.photo,
             m.diagrams, m.technicalData, m.socket,        m.location,     m.absLocation,  m.absLocation2,
             m.abs,      m.abs2,          m.info[0],       m.info[1],      m.info[2],      m.info[3],
             m.info[4],  m.timingBelt,    m.auxBelt,       m.beltText,     m.cylinders});
        for (const std::string* s : {&m.fuel, &m.injectionCode})
            if (encodePadded(Form::Conv, *s, int(s->size())).find('"') != std::string::npos)
                failFile(rel, "a stored query value of " + m.name + " holds a quote");
    }
    writeScrambledTable(out, rel, modelColumns(), rows);
}

// The diagram catalogue. Record 0 is old format: absent codes land on it.
void writeDiagramCatalogue(const Output& out) {
    struct Entry {
        const char* code;
        const char* newFormat;
        const char* type;
        std::vector<const char*> params;
        const char* brand;
        const char* model;
    };
    std::vector<const char*> dieselParams = {"120", "031"};
    static const char* const diesel[] = {"201", "202", "203", "204", "205", "206", "207", "208", "209",
                                         "210", "211", "212", "213", "214", "215", "216", "217", "218"};
    dieselParams.insert(dieselParams.end(), std::begin(diesel), std::end(diesel));
    const std::vector<Entry> entries = {
        {"A100", "N", "1", {"120", "031", "650", "210", "305", "099"}, "ARDESIA", "ALBA 1.4 GPL"},
        {"A200", "N", "2", {"410", "415", "620"}, "ARDESIA", "ACCENSIONE ALBA/BORA"},
        {"B100", "S", "1", {}, "ARDESIA", "ALBA 1.2 16V"},
        {"B200", "S", "2", {}, "ARDESIA", "ALBA 1.2 16V ACCENSIONE"},
        {"C011", "N", "6", {"540", "541"}, "UNIVERSALE", "IMPIANTO A/C"},
        {"D100", "N", "3", dieselParams, "ARDESIA", "ALBA 1.9 TD"},
        {"E100", "S", " 4", {}, "ARDESIA", "ABS"},
        {"E200", "N", "4", {"501", "502"}, "ARDESIA", "ABS SECONDO IMPIANTO"},
        {"F100", "N", "5", {"510"}, "ARDESIA", "AIRBAG"},
        {"G100", "S", "6", {}, "ARDESIA", "CLIMA MANUALE"},
        {"G200", "N", "7", {"530", "531"}, "ARDESIA", "CLIMA AUTOMATICO"},
        {"H100", "N", "9", {}, "ARDESIA", "QUADRO STRUMENTI"},
        {"H200", "N", "8", {}, "ARDESIA", "TIPO SCONOSCIUTO"},
        {"J100", "S", "10", {}, "ARDESIA", "IMMOBILIZER"},
        {"J200", "N", "55", {"560"}, "ARDESIA", "CHIUSURA CENTRALIZZATA"},
        {"K100", "S", "1", {}, "ARDESIA", "TRAMONTANA 1.6 PROVA"},
        {"M100", "S", "2", {}, "ARDESIA", "TRAMONTANA 1.6 SENZA FILE"},
        {"N100", "N", "81", {"570"}, "CALDERA", "NAVIGATORE"},
    };
    std::vector<Column> cols = {{"PSC_CODICE", 4}, {"NUOVO", 1}};
    for (int i = 1; i <= 20; ++i)
        cols.push_back({"PAR" + std::to_string(i), 3});
    cols.insert(cols.end(), {{"PSC___TIPO", 2}, {"PSC__MARCA", 20}, {"PSC__MODEL", 40}});
    std::vector<Row> rows;
    std::vector<std::string> codes;
    for (const auto& e : entries) {
        Row r = {e.code, e.newFormat};
        for (size_t i = 0; i < 20; ++i)
            r.push_back(i < e.params.size() ? e.params[i] : "");
        r.insert(r.end(), {e.type, e.brand, e.model});
        rows.push_back(std::move(r));
        codes.push_back(e.code);
    }
    checkQueryKeys("Ark\\xpsc.dbf", codes, 4);
    writeScrambledTable(out, "Ark\\xpsc.dbf", cols, rows);
}

} // namespace

void writeTables(const Output& out, const Catalogue& cat) {
    writeBrands(out, cat);
    for (const auto& b : cat.brands) {
        if (!b.offered) continue;
        writeFamilies(out, b);
        writeModels(out, b);
    }
    writeDiagramCatalogue(out);
}

} // namespace sampledata
