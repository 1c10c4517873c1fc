// The brand documents of \ric: an RTF document per brand that has one
// (always in the Italian folder), with its header scrambled.
#include "core/module1.h"
#include "sampledata/catalogue.h"
#include "sampledata/encode.h"
#include "sampledata/reference.h"

#include <string>
#include <vector>

namespace sampledata {
namespace {

// Escapes Windows-1252 text for RTF: braces and backslashes, and bytes above
// 127 as \'hh.
std::string rtfText(const std::string& cp) {
    static const char* hex = "0123456789abcdef";
    std::string r;
    for (unsigned char c : cp) {
        if (c == '\\' || c == '{' || c == '}') {
            r.push_back('\\');
            r.push_back(char(c));
        } else if (c > 127) {
            r += "\\'";
            r.push_back(hex[c >> 4]);
            r.push_back(hex[c & 15]);
        } else
            r.push_back(char(c));
    }
    return r;
}

std::string t(const char* utf8) {
    return rtfText(cp1252(utf8));
}

struct Service {
    const char* item;
    const char* interval;
};

std::string brandDocument(const std::string& brand, const std::vector<Service>& services, const char* note) {
    std::string d;
    d += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}";
    d += "{\\colortbl;\\red0\\green0\\blue128;\\red192\\green0\\blue0;\\red0\\green0\\blue0;}\n";
    d += "\\pard\\sa120\\qc\\b\\f0\\fs32\\cf1 " + rtfText(brand) + t(" - Documentazione tecnica") +
         "\\b0\\par\n";
    d += "\\pard\\sa120\\fs20\\cf3 " +
         t("Il presente documento riassume le indicazioni del costruttore per la manutenzione programmata "
           "e le avvertenze specifiche della marca. I valori vanno sempre confrontati con la scheda dei dati "
           "tecnici del modello.") +
         "\\par\n";
    d += "\\pard\\sa60\\b\\fs24\\cf1 " + t("Manutenzione programmata") + "\\b0\\fs20\\cf3\\par\n";
    for (const Service& s : services) {
        d += "\\trowd\\trgaph108\\cellx5200\\cellx8600\n";
        d += "\\pard\\intbl " + t(s.item) + "\\cell " + t(s.interval) + "\\cell\\row\n";
    }
    d += "\\pard\\sa120\\par\n";
    d += "\\pard\\sa60\\b\\fs24\\cf1 " + t("Avvertenze") + "\\b0\\fs20\\cf3\\par\n";
    d += "\\pard\\sa120\\cf2 " + t(note) + "\\cf3\\par\n";
    d += "\\pard\\sa120 " +
         t("Per la lettura dei codici di errore collegare lo strumento alla presa di diagnosi EOBD; i codici "
           "proprietari della marca sono elencati nella finestra dei codici errore (F12).") +
         "\\par\n";
    d +=
        "\\pard\\sa120\\f1\\fs18 " + t("Rev. 03 - documento ad uso esclusivo dell'officina") + "\\f0\\par\n}";
    return d;
}

} // namespace

void writeBrandDocuments(const Output& out, const Catalogue& cat) {
    const std::vector<Service> ardesia = {{"Olio motore e filtro", "ogni 15.000 km o 12 mesi"},
                                          {"Filtro aria", "ogni 30.000 km"},
                                          {"Candele", "ogni 60.000 km"},
                                          {"Cinghia di distribuzione", "ogni 120.000 km o 6 anni"},
                                          {"Liquido freni", "ogni 2 anni"}};
    const std::vector<Service> caldera = {{"Olio motore e filtro", "ogni 20.000 km o 12 mesi"},
                                          {"Filtro gasolio", "ogni 40.000 km"},
                                          {"Filtro abitacolo", "ogni 20.000 km"},
                                          {"Cinghia servizi", "controllo ogni 40.000 km"},
                                          {"Liquido di raffreddamento", "ogni 5 anni"}};
    // Brands with a document; the others are left out of the list.
    for (const Brand& b : cat.brands) {
        const std::vector<Service>* services = nullptr;
        const char* note = "";
        if (b.name == "ARDESIA") {
            services = &ardesia;
            note =
                "Dopo la sostituzione della batteria eseguire l'apprendimento della posizione della farfalla "
                "motorizzata.";
        } else if (b.name == "CALDERA") {
            services = &caldera;
            note =
                "Sui motori common rail attendere 30 secondi dopo lo spegnimento prima di aprire il circuito "
                "del gasolio: la pressione residua è pericolosa.";
        } else if (b.name == "DOLOMIA") {
            services = &ardesia;
            note = "Modelli non più in produzione: i ricambi sono disponibili presso la rete della marca.";
        }
        if (!services) continue;
        const std::string plain = brandDocument(b.name, *services, note);
        const std::string rel = "ric\\tx_ita\\x" + b.id + ".rtf";
        out.write(rel, scrambleHeader(plain, core::Key));
    }
}

} // namespace sampledata
