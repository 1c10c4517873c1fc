// Label table, introduction text and the lookup lists of \Ark.
#include "sampledata/areas.h"
#include "sampledata/expected.h"

#include <string>
#include <vector>

namespace sampledata {
namespace {

std::vector<std::string> toCp1252(std::initializer_list<const char*> utf8) {
    std::vector<std::string> r;
    for (const char* s : utf8)
        r.push_back(cp1252(s));
    return r;
}

} // namespace

void writeLabels(const Output& out) {
    std::vector<std::string> des(expected::kLabelCount, "Riservato");
    const std::pair<int, const char*> labels[] = {
        {0, "OFFICINA DATI"},
        {1, "- Versione 1.0"},
        {2, "Ditta Esempio"},
        {3, "www.esempio.invalid"},
        {4, "000 0000000"},
        {5, "Riservato 5"},
        {6, "Stampa in corso, attendere..."},
        {7, "Riservato 7"},
        {8, "Riservato 8"},
        {9, "Marche con documentazione"},
        {12, "Anno"},
        {13, "Motore"},
        {14, "Tipo iniezione"},
        {15, "Accensione"},
        {17, "Carburatore"},
        {18, "Iniezione"},
        {26, "Schema elettrico"},
        {28, "Iniezione "}, // joined to the fuel name without a blank of its own
        {30, "Dati tecnici"},
        {33, "Ubicazione componenti"},
        {34, "Legenda componenti"},
        {35, "Glossario (F2)"},
        {36, "Oscilloscopio (F3)"},
        {38, "Diagnosi (F4)"},
        {39, "Analisi gas (F5)"},
        {41, "Aiuto (F1)"},
        {42, "Indietro (Esc)"},
        {44, "Indice degli argomenti"},
        {45, "Apri"},
        {46, "Stampa (F10)"},
        {49, "Ubicazione componenti"},
        {51, "Testo / Legenda"},
        {53, "Coppie di serraggio"},
        {54, "Testata"},
        {55, "Supporti di banco"},
        {56, "Bielle"},
        {57, "Volano"},
        {58, "Attrezzi speciali (F6)"},
        {59, "Presa diagnosi"},
        {60, "Informazioni"},
        {61, "Impianto A/C"},
        {64, "Climatizzatore manuale"},
        {65, "Climatizzatore automatico"},
        {66, "Ricarica"},
        {67, "Schema generale"},
        {72, "Quantità refrigerante"},
        {73, "Stampare a colori? (No = bianco e nero)"},
        {74, "Benzina"},
        {75, "Diesel"},
        {77, "Schemi elettrici"},
        {78, "Modello"},
        {79, "Cilindrata"},
        {80, "Potenza"},
        {81, "Tutti"},
        {82, "Scegliere la lingua"},
        {83, "Cinghia distribuzione"},
        {84, "Cinghia servizi"},
        {85, "Informazioni"},
        {86, "Codici errore OBD/EOBD (F12)"},
        {87, "Marca"},
        {88, "Selezione"},
        {89, "Codice errore"},
        {90, "Documentazione marche"},
    };
    for (const auto& [n, text] : labels)
        des[size_t(n)] = cp1252(text);
    out.writeCpt("des\\des_ita.cpt", Form::Line, des);
}

void writeIntroText(const Output& out) {
    out.writeCpt("mas\\tut_ita.cpt", Form::Line,
                 toCp1252({"Benvenuti nel catalogo dei dati tecnici per l'officina.",
                           "Scegliere la marca, la famiglia e il modello del veicolo:",
                           "il menu mostra i dati disponibili per il modello scelto.",
                           "Schemi elettrici, coppie di serraggio, ricarica A/C,",
                           "cinghie e informazioni di manutenzione sono a portata di mano.",
                           "Premere F1 in qualsiasi finestra per l'aiuto in linea."}));
}

void writeLookupTexts(const Output& out) {
    out.writeCpt("Ark\\lc_ita.cpt", Form::Str,
                 toCp1252({"10  Centralina motore", "11  Relè pompa carburante", "12  Centralina iniezione",
                           "20  Sensore giri motore", "21  Sensore di fase", "22  Sensore temperatura acqua",
                           "23  Sensore temperatura aria", "24  Debimetro", "25  Sonda lambda",
                           "30  Iniettore", "31  Bobina di accensione", "32  Candela", "40  Centralina ABS",
                           "41  Sensore velocità ruota", "50  Compressore A/C", "51  Pressostato A/C",
                           "60  Centralina immobilizer", "61  Antenna transponder", "90  Connettore"}));
    out.writeCpt("Ark\\lc2_ita.cpt", Form::Str,
                 {"00101Anteriore sinistro", "00102Anteriore destro", "00103Posteriore sinistro",
                  "00104Posteriore destro", "00201Cilindro 1", "00202Cilindro 2", "00203Cilindro 3",
                  "00204Cilindro 4"});
    // No type 8: a catalogue record of that type must show as unknown.
    out.writeCpt("Ark\\psc_ita.cpt", Form::Line,
                 {"1  Iniezione benzina", "2  Accensione", "3  Iniezione diesel", " 4 Impianto ABS",
                  "5  Airbag", "6  Climatizzatore manuale", "7  Climatizzatore automatico",
                  "9  Quadro strumenti", "10 Immobilizer", "55 Chiusura centralizzata", "81 Navigatore"});
    // 099 is left out so its button shows the bare code.
    out.writeCpt("Ark\\par_ita.cpt", Form::Line,
                 toCp1252({"0031Sonda lambda",
                           "0120Sensore temperatura acqua",
                           "0201Pompa alta pressione",
                           "0202Regolatore di pressione",
                           "0203Sensore pressione rail",
                           "0204Iniettore cilindro 1",
                           "0205Iniettore cilindro 2",
                           "0206Iniettore cilindro 3",
                           "0207Iniettore cilindro 4",
                           "0208Candelette",
                           "0209Centralina candelette",
                           "0210Debimetro",
                           "0211Valvola EGR",
                           "0212Sensore pedale acceleratore",
                           "0213Sensore temperatura gasolio",
                           "0214Elettrovalvola turbo",
                           "0215Sensore pressione turbo",
                           "0216Sensore giri",
                           "0217Sensore di fase",
                           "0218Centralina gasolio",
                           "0305Attuatore regolazione minimo",
                           "0410Bobina di accensione",
                           "0415Sensore di fase accensione",
                           "0501Centralina ABS",
                           "0502Sensore velocità ruota",
                           "0510Centralina airbag",
                           "0530Compressore A/C",
                           "0531Sensore temperatura evaporatore",
                           "0540Pressostato A/C",
                           "0541Elettroventola",
                           "0560Centralina chiusura centralizzata",
                           "0570Centralina navigatore",
                           "0620Prova bilanciamento cilindri",
                           "0650Prova iniettori"}));
}

} // namespace sampledata
