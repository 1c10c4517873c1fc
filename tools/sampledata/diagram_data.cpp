#include "sampledata/diagram_data.h"

#include "sampledata/encode.h"

#include <cstdio>
#include <stdexcept>

namespace sampledata {
namespace {

ComponentLine c(int x1, int y1, int x2, int y2, const char* d, const char* comp, const char* txt,
                const char* tag, const char* sec) {
    return {x1, y1, x2, y2, d, comp, txt, tag, sec, {}};
}
ComponentLine raw(const char* line) {
    ComponentLine l;
    l.raw = line;
    return l;
}

} // namespace

std::string componentRecord(const ComponentLine& l) {
    if (!l.raw.empty()) return l.raw;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%6d%6d%6d%6d%-4s%4s%4s%1s%5s", l.x1, l.y1, l.x2, l.y2,
                  l.description.c_str(), l.component.c_str(), l.textCode.c_str(), l.tag.c_str(),
                  l.secondary.c_str());
    std::string s(buf);
    if (s.size() != 42)
        throw std::runtime_error("component record of " + std::to_string(s.size()) + " characters");
    return s;
}

const std::vector<DiagramSheet>& newFormatSheets() {
    static const std::vector<DiagramSheet> sheets = {
        {"B100",
         "ALBA 1.2 16V - Iniezione benzina multipoint",
         {
             // The control unit; the rectangle listed later overlaps it and loses.
             c(600, 900, 2400, 2100, "12", "0701", "0701", "1", "00000"),
             c(3000, 900, 4200, 1800, "20", "0702", "0702", "1", "00000"),
             c(4500, 900, 5700, 1800, "22", "0703", "0703", "1", "00000"),
             c(6000, 900, 7200, 1800, "24", "0704", "0799", "1", "00000"),
             c(7500, 900, 8700, 1800, "25", "0705", "0705", "1", "00000"),
             c(600, 3000, 1800, 4200, "30", "0706", "0706", "1", "00201"),
             c(2100, 3000, 3300, 4200, "30", "0706", "0706", "1", "00202"),
             c(3600, 3000, 4800, 4200, "30", "0706", "0706", "1", "00203"),
             c(5100, 3000, 6300, 4200, "30", "0706", "0706", "1", "00204"),
             c(6600, 3000, 7800, 4200, "11", "0707", "0707", "1", "00000"),
             c(8100, 3000, 9300, 4200, "90", "0000", "0000", "0", "00000"),
             c(9600, 3000, 10800, 4200, "77", "0708", "0708", "2", "00000"),
             c(1800, 1500, 3300, 2700, "10", "0709", "0709", "1", "00000"),
             // Same row text as the rpm sensor above.
             c(600, 5400, 1800, 6600, "20", "0702", "0702", "1", "00000"),
         },
         {"00201", "00202", "00203", "00204"}},
        {"B200",
         "ALBA 1.2 16V - Accensione elettronica statica",
         {
             c(600, 900, 2400, 2100, "12", "0701", "0701", "1", "00000"),
             c(3000, 900, 4200, 1800, "21", "0711", "0711", "1", "00000"),
             c(600, 3000, 1800, 4200, "31", "0712", "0712", "1", "00000"),
             c(2100, 3000, 3300, 4200, "32", "0713", "0713", "1", "00000"),
         },
         {}},
        {"E100",
         "ARDESIA - Impianto ABS",
         {
             c(4800, 2400, 7200, 4200, "40", "0721", "0721", "1", "00000"),
             c(600, 600, 1800, 1800, "41", "0722", "0722", "1", "00101"),
             c(9600, 600, 10800, 1800, "41", "0722", "0722", "1", "00102"),
             c(600, 5400, 1800, 6600, "41", "0722", "0722", "1", "00103"),
             // 00105 is in the secondary file but not in the description table.
             c(9600, 5400, 10800, 6600, "41", "0722", "0722", "1", "00105"),
         },
         {"00101", "00102", "00103", "00104", "00105"}},
        {"G100",
         "ARDESIA - Climatizzatore manuale",
         {
             c(1200, 1200, 3600, 3000, "50", "0731", "0731", "1", "00000"),
             c(6000, 1200, 8400, 3000, "51", "0732", "0732", "1", "00000"),
         },
         {}},
        // An immobilizer sheet whose component file holds no records.
        {"J100", "ARDESIA - Immobilizer", {}, {}},
        {"K100",
         "TRAMONTANA 1.6 - Iniezione (prova)",
         {
             c(600, 900, 2400, 2100, "12", "0701", "0701", "1", "00000"),
             // 00199 is not in the secondary file.
             c(3000, 900, 4200, 1800, "20", "0751", "0751", "1", "00199"),
             // A two-character description code padded in front.
             c(4500, 900, 5700, 1800, "  12", "0752", "0752", "1", "00000"),
             // Edges that are not numbers never contain a point.
             raw("  abcd   900  abcd  180090  07530753100000"),
             // Too short to carry a component code.
             raw("  9000   300 10500  12000000"),
         },
         {"00101"}},
        // A sheet whose component files were never delivered.
        {"M100", "TRAMONTANA 1.6 - Accensione", {}, {}, false},
    };
    return sheets;
}

const std::vector<LocationPicture>& locationPictures() {
    static const std::vector<LocationPicture> pictures = {
        {"01", "A001", {"12", "20", "22", "24", "25", "30", "11", "31", "21"}},
        {"01", "A002", {"120", "031", "201", "204", "210", "216"}},
        {"01", "A003", {"120", "031", "210", "305", "410", "415"}},
        {"01", "A004", {"410", "415"}},
        {"01", "A005", {"12", "20", "21", "30", "11"}},
        {"02", "B001", {"120", "031", "210", "305"}},
        {"02", "B002", {"12", "20", "22", "30", "31"}},
        {"02", "B003", {"12", "22", "24", "25"}},
    };
    return pictures;
}

const std::vector<AbsLocation>& absLocations() {
    static const std::vector<AbsLocation> locations = [] {
        // Markup on whole lines: a segment inside a line sits on the blank
        // grid while the text keeps its own widths, so the two would overlap.
        std::vector<std::string> longPage = {
            "[POSIZIONE COMPONENTI IMPIANTO ABS]",
            "",
            "{Centralina idraulica ABS}",
            "Vano motore, lato sinistro, sotto la vaschetta del liquido freni.",
            "Connettore C1 a 26 vie con blocco a leva.",
            "",
            "{Sensori velocità ruota}",
            "Anteriore sinistro: sul fusello, connettore C2 sotto il parafango.",
            "Anteriore destro: sul fusello, connettore C3 sotto il parafango.",
            "Posteriore sinistro: sul mozzo, connettore C4 sotto il sedile.",
            "Posteriore destro: sul mozzo, connettore C5 sotto il sedile.",
            "",
            "[ATTENZIONE]",
            "Scollegare la batteria prima di staccare il connettore della centralina.",
            "Dopo la sostituzione eseguire lo spurgo dell'impianto frenante.",
            "",
            "{Masse}",
            "Massa G101 della centralina sul longherone sinistro.",
            "",
            "{Verifica dei sensori}",
            "Chiave su MAR, motore spento, connettore della centralina scollegato.",
            "Misurare la resistenza tra i due poli del connettore del sensore.",
            "",
        };
        for (std::string& l : longPage)
            l = cp1252(l);
        for (int i = 1; longPage.size() < 120; ++i) {
            char line[96];
            std::snprintf(line, sizeof line,
                          "Prova %d: sensore %s, temperatura %d \xC2\xB0"
                          "C, valore atteso %d,%d kOhm",
                          i,
                          i % 4 == 0   ? "posteriore destro"
                          : i % 4 == 1 ? "anteriore sinistro"
                          : i % 4 == 2 ? "anteriore destro"
                                       : "posteriore sinistro",
                          10 + (i * 5) % 60, 1 + i % 3, (i * 7) % 10);
            longPage.push_back(cp1252(line));
        }
        return std::vector<AbsLocation>{
            {"AB01", longPage},
            {"AB02",
             {"[SECONDO IMPIANTO ABS]", "", "{Centralina}", "Vano motore, lato destro.",
              "Sensori ruota posteriori sul ponte, connettori C7 e C8.",
              "Prima di ogni verifica scollegare il connettore della centralina."}},
            {"AB03",
             {"[CENTRALINA ABS]", "Sotto il sedile del passeggero, connettore C1.", "{Sensori}",
              "Anteriori sui fuselli, posteriori sui mozzi."}},
        };
    }();
    return locations;
}

} // namespace sampledata
