// \obd: the brand list and the trouble-code table.
#include "db/dbase.h"
#include "dbwriter/table_writer.h"
#include "sampledata/encode.h"
#include "sampledata/reference.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace sampledata {
namespace {

// Codes follow the usual pattern: one component per block of five, the five
// being the general fault, range/performance, low input, high input and an
// intermittent signal.
const char* const kFaults[5] = {"circuito - malfunzionamento", "circuito - campo/prestazioni",
                                "circuito - segnale basso", "circuito - segnale alto",
                                "circuito - segnale intermittente"};

struct Group {
    char letter;
    int hundred; // the code's second and third digit
    std::vector<const char*> components;
};

const std::vector<Group>& standardGroups() {
    static const std::vector<Group> g = {
        {'P', 1, {"Sensore flusso aria (MAF)",           "Sensore pressione assoluta collettore (MAP)",
                  "Sensore temperatura aria aspirata",   "Sensore temperatura liquido raffreddamento",
                  "Sensore posizione farfalla A",        "Sonda lambda 1, bancata 1",
                  "Sonda lambda 2, bancata 1",           "Sonda lambda 3, bancata 1",
                  "Sonda lambda 1, bancata 2",           "Sonda lambda 2, bancata 2",
                  "Sistema di alimentazione, bancata 1", "Sistema di alimentazione, bancata 2",
                  "Sensore temperatura carburante",      "Sensore pressione rampa carburante",
                  "Sensore pressione barometrica",       "Riscaldatore sonda lambda 1",
                  "Riscaldatore sonda lambda 2",         "Sensore composizione carburante",
                  "Sensore temperatura olio motore",     "Regolatore pressione carburante"}},
        {'P',
         2,
         {"Iniettore cilindro 1",
          "Iniettore cilindro 2",
          "Iniettore cilindro 3",
          "Iniettore cilindro 4",
          "Iniettore cilindro 5",
          "Iniettore cilindro 6",
          "Sensore posizione farfalla B",
          "Pompa carburante, comando primario",
          "Sensore sovralimentazione turbo",
          "Valvola limitazione pressione turbo",
          "Attuatore geometria variabile turbo",
          "Iniettore avviamento a freddo",
          "Interruttore inerziale pompa carburante",
          "Sensore posizione pedale acceleratore",
          "Relè pompa carburante",
          "Temperatura gas di scarico, bancata 1",
          "Temperatura gas di scarico, bancata 2",
          "Sensore pressione intercooler",
          "Valvola bypass turbo",
          "Attuatore farfalla motorizzata"}},
        {'P',
         3,
         {"Sensore detonazione 1",
          "Sensore detonazione 2",
          "Sensore posizione albero motore",
          "Sensore posizione albero a camme A",
          "Sensore posizione albero a camme B",
          "Bobina accensione A",
          "Bobina accensione B",
          "Bobina accensione C",
          "Bobina accensione D",
          "Modulo accensione",
          "Candeletta cilindro 1",
          "Candeletta cilindro 2",
          "Candeletta cilindro 3",
          "Candeletta cilindro 4",
          "Centralina preriscaldo",
          "Rilevamento mancata accensione",
          "Sensore velocità motore",
          "Sensore fase distribuzione",
          "Anticipo accensione",
          "Sensore pressione cilindro"}},
        {'P',
         4,
         {"Valvola ricircolo gas di scarico (EGR)",
          "Sensore posizione valvola EGR",
          "Pompa aria secondaria",
          "Valvola aria secondaria",
          "Catalizzatore, bancata 1",
          "Catalizzatore, bancata 2",
          "Valvola spurgo canister",
          "Valvola sfiato canister",
          "Sensore pressione serbatoio carburante",
          "Sensore livello carburante",
          "Filtro antiparticolato (DPF)",
          "Sensore pressione differenziale DPF",
          "Sensore temperatura catalizzatore",
          "Valvola a farfalla EGR",
          "Radiatore EGR",
          "Sensore NOx a monte",
          "Sensore NOx a valle",
          "Iniettore additivo AdBlue",
          "Sensore livello AdBlue",
          "Riscaldatore serbatoio AdBlue"}},
        {'P',
         5,
         {"Sensore velocità veicolo",
          "Valvola regolazione minimo",
          "Sensore pressione servosterzo",
          "Interruttore pedale freno",
          "Interruttore pedale frizione",
          "Regolatore velocità (cruise)",
          "Sensore pressione olio motore",
          "Tensione di sistema",
          "Alternatore, segnale carica",
          "Sensore temperatura ambiente",
          "Compressore climatizzatore",
          "Sensore pressione A/C",
          "Ventola raffreddamento 1",
          "Ventola raffreddamento 2",
          "Termostato motore",
          "Sensore livello olio",
          "Relè principale centralina",
          "Segnale richiesta avviamento",
          "Interruttore posizione leva cambio",
          "Sensore carico elettrico"}},
        {'P',
         6,
         {"Centralina motore, memoria ROM",
          "Centralina motore, memoria RAM",
          "Centralina motore, memoria KAM",
          "Centralina motore, processore",
          "Centralina motore, alimentazione sensori A",
          "Centralina motore, alimentazione sensori B",
          "Comando spia avaria (MIL)",
          "Comando contagiri",
          "Comando relè ventola",
          "Comando relè compressore A/C",
          "Codifica immobilizzatore",
          "Comunicazione centralina cambio",
          "Comando relè candelette",
          "Stadio finale iniettori",
          "Stadio finale bobine",
          "Comando pompa acqua elettrica",
          "Comando valvola termostatica",
          "Comando attuatore fasatura",
          "Programmazione centralina",
          "Temperatura interna centralina"}},
        {'P',
         7,
         {"Centralina cambio automatico",
          "Sensore temperatura olio cambio",
          "Sensore posizione selettore",
          "Sensore velocità ingresso cambio",
          "Sensore velocità uscita cambio",
          "Elettrovalvola cambio marcia A",
          "Elettrovalvola cambio marcia B",
          "Elettrovalvola cambio marcia C",
          "Elettrovalvola bloccaggio convertitore",
          "Elettrovalvola controllo pressione A",
          "Elettrovalvola controllo pressione B",
          "Sensore pressione olio cambio",
          "Rapporto prima marcia",
          "Rapporto seconda marcia",
          "Rapporto terza marcia",
          "Rapporto quarta marcia",
          "Rapporto quinta marcia",
          "Rapporto retromarcia",
          "Frizione convertitore di coppia",
          "Interruttore modalità sport"}},
        {'C',
         0,
         {"Sensore velocità ruota anteriore sinistra", "Sensore velocità ruota anteriore destra",
          "Sensore velocità ruota posteriore sinistra", "Sensore velocità ruota posteriore destra",
          "Elettrovalvola ingresso ABS anteriore sinistra", "Elettrovalvola ingresso ABS anteriore destra",
          "Pompa di ritorno ABS", "Sensore imbardata", "Sensore accelerazione laterale",
          "Sensore angolo di sterzata"}},
        {'B',
         0,
         {"Modulo airbag conducente", "Modulo airbag passeggero", "Pretensionatore cintura sinistra",
          "Pretensionatore cintura destra", "Sensore urto laterale sinistro", "Sensore urto laterale destro",
          "Sensore occupazione sedile", "Spia airbag", "Modulo chiusura centralizzata",
          "Modulo alzacristalli"}},
        {'U',
         0,
         {"Linea CAN motore", "Linea CAN carrozzeria", "Comunicazione con centralina motore",
          "Comunicazione con centralina cambio", "Comunicazione con centralina ABS",
          "Comunicazione con quadro strumenti", "Comunicazione con centralina airbag",
          "Comunicazione con immobilizzatore", "Comunicazione con climatizzatore",
          "Comunicazione con servosterzo"}},
    };
    return g;
}

// Proprietary components of the makers (codes P1xxx).
const std::vector<const char*>& proprietaryComponents() {
    static const std::vector<const char*> c = {
        "Sensore pressione collettore, seconda soglia",
        "Attuatore variatore di fase",
        "Elettrovalvola collettore a geometria variabile",
        "Sensore posizione flap aspirazione",
        "Centralina preriscaldo, diagnosi interna",
        "Modulo pompa carburante a bassa pressione",
        "Valvola regolazione pressione gasolio",
        "Valvola dosaggio carburante",
        "Sensore temperatura gas di scarico a monte turbina",
        "Modulo gestione alternatore",
        "Sensore batteria intelligente (IBS)",
        "Linea di comunicazione LIN",
        "Attuatore valvola a farfalla diesel",
        "Sensore posizione pedale, pista 2",
        "Sensore livello liquido raffreddamento",
        "Pompa olio a portata variabile",
        "Sensore pressione carter",
        "Riscaldatore sfiato carter",
        "Valvola termostatica mappata",
        "Modulo start-stop",
    };
    return c;
}

const char* const kHints[] = {
    "Verificare connettore, cablaggio e alimentazione del componente prima di sostituirlo.",
    "Controllare la continuità dei cavi verso la centralina e la resistenza del componente.",
    "Cancellare la memoria guasti ed eseguire una prova su strada; se ricompare sostituire il componente.",
};

std::string codeText(char letter, int first, int rest) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%c%d%03d", letter, first, rest);
    return buf;
}

// Two descriptions on the boundary of the scrambled part: 80 characters are
// all scrambled, the 81st is the first plain one.
const char* const kDescription80 =
    "Sensore flusso aria (MAF): circuito - malfunzionamento. Controllare i connettori";
const char* const kDescription81 =
    "Sensore flusso aria (MAF): circuito - campo/prestazioni. Pulire sensore e filtro.";

void addGroupCodes(std::vector<TroubleCode>& out, const std::string& brand, char letter, int first,
                   int hundred, const std::vector<const char*>& components, int& counter) {
    for (size_t c = 0; c < components.size() && c * 5 + 4 < 100; ++c)
        for (int f = 0; f < 5; ++f) {
            std::string d = cp1252(std::string(components[c]) + ": " + kFaults[f] + ".");
            // Every third description carries a repair hint, which takes it past
            // the 80 characters of its scrambled part.
            if (counter % 3 == 0) d += " " + cp1252(kHints[(counter / 3) % 3]);
            ++counter;
            out.push_back({brand, codeText(letter, first, hundred * 100 + int(c) * 5 + f), d});
        }
}

} // namespace

std::vector<std::string> obdBrandList() {
    return {"ARDESIA", "BRENTA", "CALDERA", kObdBrandWithoutCodes, "ETNA MOTORI", "FIORDO"};
}

std::vector<TroubleCode> troubleCodes(int atLeast) {
    std::vector<TroubleCode> out;
    int counter = 0;
    for (const Group& g : standardGroups())
        addGroupCodes(out, "STANDARD", g.letter, 0, g.hundred, g.components, counter);
    for (TroubleCode& t : out) {
        if (t.code == "P0100") t.description = kDescription80;
        if (t.code == "P0101") t.description = kDescription81;
    }
    std::vector<std::string> makers;
    for (const std::string& b : obdBrandList())
        if (b != kObdBrandWithoutCodes) makers.push_back(b);
    // The proprietary sets grow until the table holds the codes asked for.
    for (int hundred = 0; int(out.size()) < atLeast; ++hundred)
        for (const std::string& maker : makers) {
            const int h = hundred % 10, first = 1 + hundred / 10;
            if (first > 3) break;
            // Each maker uses its own slice of the component list.
            std::vector<const char*> mine;
            const auto& all = proprietaryComponents();
            for (size_t i = 0; i < all.size(); ++i)
                mine.push_back(all[(i + maker.size() * 3 + size_t(hundred)) % all.size()]);
            addGroupCodes(out, maker, 'P', first, h, mine, counter);
        }
    out.push_back({"BRENTA", kObdUnfindableCode, cp1252("Codice incompleto registrato dalla centralina.")});
    return out;
}

void writeTroubleCodes(const Output& out, int atLeast) {
    out.writeCpt("obd\\pmarche.cpt", Form::Line, obdBrandList());
    const std::vector<db::FieldDef> fields = {{"C1", 'C', 15}, {"C2", 'C', 5}, {"C3", 'C', 200}};
    std::vector<std::vector<std::optional<std::string>>> rows;
    const std::vector<TroubleCode> codes = troubleCodes(atLeast);
    rows.reserve(codes.size());
    for (const TroubleCode& t : codes) {
        const std::string c1 = encodePadded(Form::Str, t.brand, 15);
        const std::string c2 = encodePadded(Form::Str, t.code, 5);
        if (c1.find('\'') != std::string::npos || c2.find('\'') != std::string::npos)
            failFile("obd\\xcod_ita.dbf", "a stored key of " + t.code + " holds the quote of its criteria");
        std::string head = t.description.substr(0, 80);
        std::string c3 = encodePadded(Form::Str, head, 80);
        if (t.description.size() > 80) c3 += t.description.substr(80);
        rows.push_back({c1, c2, c3});
    }
    db::writeTable(out.path("obd\\xcod_ita.dbf"), fields, rows);
}

void writeReferenceLibrary(const Output& out, const Catalogue& cat) {
    writeReferencePictures(out);
    writeTroubleCodes(out);
    writeManuals(out);
    writeBrandDocuments(out, cat);
}

} // namespace sampledata
