// The manual sections (glossary, oscilloscope, gas analysis, diagnosis) with
// their topic indexes, page files and pictures, and the help pages.
#include "core/module1.h"
#include "sampledata/encode.h"
#include "sampledata/pictures.h"
#include "sampledata/reference.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

// Wraps plain text (UTF-8) into lines of at most width characters.
std::vector<std::string> wrap(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::string line, word;
    auto flushWord = [&] {
        if (word.empty()) return;
        const size_t visible = QString::fromStdString(line).size() + QString::fromStdString(word).size() +
                               (line.empty() ? 0 : 1);
        if (!line.empty() && visible > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        word.clear();
    };
    for (char c : text) {
        if (c == ' ')
            flushWord();
        else
            word.push_back(c);
    }
    flushWord();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

struct Topic {
    std::string title;              // UTF-8
    std::vector<std::string> lines; // UTF-8, markup included
    int picture = -1;               // picture code (sections 30 and 40)
};

// Writes the page file and the topic index of a section. Every topic is one
// block of lines; its index line holds the block's offsets s and e with
// e - s - 1 the block's length.
void writeSection(const Output& out, const std::string& folder, const std::string& stem,
                  const std::vector<Topic>& topics, bool pictures) {
    std::string page;
    std::vector<std::string> index;
    for (const Topic& t : topics) {
        std::vector<std::string> lines;
        for (const std::string& l : t.lines)
            lines.push_back(cp1252(l));
        const std::string block = cptFile(Form::Line, lines);
        const long long s = (long long)page.size(), e = s + (long long)block.size() + 1;
        if (block.size() > 32767) failFile(folder + stem + ".cpt", "topic " + t.title + " is too long");
        char key[64];
        if (pictures)
            std::snprintf(key, sizeof key, "%03d%7lld%7lld", std::max(t.picture, 0), s, e);
        else
            std::snprintf(key, sizeof key, "%7lld%7lld", s, e);
        index.push_back(key + cp1252(t.title));
        page += block;
    }
    out.write(folder + "\\tx_ita\\" + stem + ".cpt", page);
    out.writeCpt(folder + "\\tx_ita\\" + stem + "95.cpt", Form::Line, index);
}

Topic page(const std::string& title, std::initializer_list<std::string> paragraphs) {
    Topic t{title, {"[" + title + "]", ""}, -1};
    for (const std::string& p : paragraphs) {
        if (p.empty()) {
            t.lines.push_back("");
            continue;
        }
        for (const std::string& l : wrap(p, 64))
            t.lines.push_back(l);
    }
    return t;
}

// ---- Glossary

const std::pair<const char*, const char*> kGlossary[] = {
    {"ABS", "Sistema antibloccaggio delle ruote: la centralina riduce la pressione frenante sulla ruota che "
            "tende a bloccarsi, mantenendo la ^direzionalità~ del veicolo."},
    {"AdBlue",
     "Soluzione di urea al 32,5% iniettata nello scarico dei motori diesel a monte del catalizzatore "
     "SCR per ridurre gli ossidi di azoto."},
    {"Albero a camme", "Albero che comanda l'apertura delle valvole tramite eccentrici (camme); è trascinato "
                       "dall'albero motore con rapporto 2:1."},
    {"Albero motore",
     "Albero che trasforma il moto alterno dei pistoni in moto rotatorio tramite le bielle."},
    {"Alternatore", "Generatore trifase trascinato dal motore che ricarica la batteria e alimenta l'impianto "
                    "elettrico con una tensione regolata tra 13,8 e 14,6 V."},
    {"Anticipo", "Angolo, in gradi di rotazione dell'albero motore prima del punto morto superiore, al quale "
                 "scocca la scintilla o inizia l'iniezione."},
    {"Attuatore", "Componente comandato dalla centralina che trasforma un segnale elettrico in un'azione "
                  "meccanica: iniettori, elettrovalvole, motorini passo-passo."},
    {"Banco", "Supporto dell'albero motore nel basamento; i cuscinetti di banco sono serrati con coppie e "
              "angoli prescritti."},
    {"Biella", "Organo che collega il pistone all'albero motore."},
    {"Bobina", "Trasformatore che eleva la tensione della batteria fino a 30.000 V e oltre per la candela."},
    {"Bus CAN", "Rete di comunicazione seriale a due fili (CAN-H e CAN-L) tra le centraline; a riposo "
                "entrambe le linee stanno a circa 2,5 V."},
    {"Candela", "Componente che produce la scintilla nella camera di combustione dei motori a benzina."},
    {"Candeletta", "Resistenza di preriscaldo dei motori diesel che facilita l'avviamento a freddo."},
    {"Canister", "Filtro a carboni attivi che trattiene i vapori di benzina del serbatoio; la centralina lo "
                 "spurga aprendo l'elettrovalvola verso il collettore."},
    {"Catalizzatore", "Convertitore che ossida CO e HC e riduce NOx; funziona bene solo con miscela "
                      "stechiometrica e temperatura superiore a 300 gradi."},
    {"Centralina", "Unità elettronica di controllo (ECU) che legge i sensori e comanda gli attuatori secondo "
                   "mappe memorizzate."},
    {"Cilindrata", "Volume spazzato da tutti i pistoni in una corsa, espresso in centimetri cubi."},
    {"Cinghia distribuzione", "Cinghia dentata che sincronizza albero motore e albero a camme; va sostituita "
                              "agli intervalli prescritti dal costruttore."},
    {"Codice di errore", "Codice memorizzato dalla centralina quando un valore esce dal campo ammesso; si "
                         "legge con lo strumento di diagnosi tramite la presa EOBD."},
    {"Collettore", "Condotto che distribuisce l'aria ai cilindri (aspirazione) o raccoglie i gas combusti "
                   "(scarico)."},
    {"Common rail", "Sistema di iniezione diesel con una rampa comune ad alta pressione (fino a 2000 bar) e "
                    "iniettori a comando elettrico."},
    {"Coppia di serraggio", "Momento torcente da applicare a una vite o a un dado, espresso in Nm; spesso "
                            "seguito da una rotazione angolare."},
    {"Debimetro", "Sensore che misura la massa d'aria aspirata dal motore (MAF)."},
    {"Detonazione", "Combustione anomala della miscela che produce un battito metallico; il sensore di "
                    "detonazione permette alla centralina di ridurre l'anticipo."},
    {"DPF", "Filtro antiparticolato dei motori diesel; si rigenera bruciando il particolato accumulato a "
            "temperatura elevata."},
    {"EGR", "Ricircolo dei gas di scarico: una parte dei gas combusti torna all'aspirazione per abbassare la "
            "temperatura di combustione e gli ossidi di azoto."},
    {"EOBD", "Diagnosi di bordo europea: insieme di funzioni di controllo delle emissioni con presa di "
             "diagnosi standard a 16 poli e codici di errore unificati."},
    {"Farfalla", "Valvola che regola la quantità d'aria aspirata nei motori a benzina."},
    {"Fasatura", "Posizione relativa di albero motore e alberi a camme; una fasatura errata compromette "
                 "potenza ed emissioni e può danneggiare le valvole."},
    {"Gioco valvole", "Distanza tra camma e punteria a valvola chiusa, da controllare a motore freddo."},
    {"Guarnizione testata", "Guarnizione tra testata e basamento; la sua tenuta dipende dal corretto "
                            "serraggio delle viti nella sequenza prescritta."},
    {"Iniettore", "Elettrovalvola che spruzza il carburante; la durata dell'apertura determina la quantità "
                  "iniettata."},
    {"Intercooler", "Scambiatore che raffredda l'aria compressa dal turbocompressore."},
    {"Lambda", "Rapporto tra l'aria effettivamente aspirata e quella teorica per la combustione completa; "
               "lambda 1 indica miscela stechiometrica."},
    {"Massa", "Collegamento al polo negativo della batteria tramite la carrozzeria e il motore."},
    {"Minimo", "Regime di rotazione del motore senza carico e con acceleratore rilasciato."},
    {"Multimetro", "Strumento per misurare tensione, corrente e resistenza."},
    {"NOx", "Ossidi di azoto: si formano ad alta temperatura di combustione e sono ridotti dal catalizzatore "
            "e dall'EGR."},
    {"Oscilloscopio", "Strumento che visualizza l'andamento nel tempo di un segnale elettrico."},
    {"PMS", "Punto morto superiore: posizione più alta del pistone nel cilindro."},
    {"Pompa alta pressione", "Pompa che porta il gasolio alla pressione di iniezione nel sistema common "
                             "rail."},
    {"Presa di diagnosi",
     "Connettore a cui si collega lo strumento di diagnosi; nei veicoli EOBD è a 16 poli "
     "e si trova entro un metro dal posto di guida."},
    {"Pressione di sovralimentazione", "Pressione dell'aria nel collettore dei motori turbo, misurata dal "
                                       "sensore MAP."},
    {"Regolatore di tensione", "Circuito che mantiene costante la tensione dell'alternatore al variare del "
                               "regime e del carico."},
    {"Relè", "Interruttore comandato elettricamente che permette a un piccolo segnale di comandare una "
             "corrente elevata."},
    {"Resistenza", "Opposizione al passaggio della corrente, misurata in ohm."},
    {"Segnale PWM", "Segnale a onda quadra con frequenza fissa e durata dell'impulso variabile; la "
                    "percentuale di tempo attivo si chiama duty cycle."},
    {"Sensore di fase", "Sensore che riconosce la posizione dell'albero a camme e permette di distinguere la "
                        "fase di compressione."},
    {"Sensore di giri", "Sensore induttivo o ad effetto Hall che rileva regime e posizione dell'albero "
                        "motore dalla ruota fonica."},
    {"Sensore di temperatura", "Termistore NTC la cui resistenza diminuisce al crescere della temperatura."},
    {"Sonda lambda", "Sensore nei gas di scarico che misura l'ossigeno residuo; la sonda a monte regola la "
                     "miscela, quella a valle controlla il catalizzatore."},
    {"Spia MIL", "Spia di avaria motore nel quadro strumenti, accesa dalla centralina quando un guasto "
                 "aumenta le emissioni."},
    {"Start-stop", "Sistema che spegne il motore da fermo e lo riavvia al rilascio del freno."},
    {"Tendicinghia", "Dispositivo che mantiene la tensione corretta della cinghia."},
    {"Termostato", "Valvola che regola il passaggio del liquido di raffreddamento verso il radiatore."},
    {"Turbocompressore", "Compressore azionato dai gas di scarico che aumenta la massa d'aria nei cilindri."},
    {"Valvola a lamelle", "Valvola di non ritorno usata nei circuiti dell'aria secondaria."},
    {"Valvola wastegate",
     "Valvola che devia parte dei gas di scarico dalla turbina per limitare la pressione "
     "di sovralimentazione."},
    {"Variatore di fase", "Dispositivo che modifica la fasatura dell'albero a camme in funzione di regime e "
                          "carico."},
    {"Volano", "Massa rotante fissata all'albero motore che regolarizza la rotazione; il volano bimassa "
               "smorza anche le vibrazioni torsionali."},
    {"Volano bimassa", "Volano diviso in due masse collegate da molle; va controllato il gioco angolare "
                       "tra le due masse."},
    {"Climatizzatore", "Impianto che raffredda e deumidifica l'aria dell'abitacolo con un circuito "
                       "frigorifero a gas R134a o R1234yf."},
    {"Compressore A/C", "Pompa del circuito del climatizzatore, trascinata dalla cinghia servizi tramite "
                        "una frizione elettromagnetica."},
};

std::vector<Topic> glossaryTopics() {
    std::vector<Topic> topics;
    for (const auto& [term, text] : kGlossary) {
        Topic t = page(term, {text, ""});
        t.lines.push_back("&Vedi anche| l'indice del glossario.");
        topics.push_back(t);
    }
    // A page longer than any screen: the unit conversions.
    Topic units{"Tabella di conversione delle unità di misura", {}, -1};
    units.lines = {"[Tabella di conversione delle unità di misura]", "",
                   "I valori del catalogo sono espressi nel sistema internazionale.",
                   "La tabella riporta le conversioni più usate in officina.", ""};
    for (int nm = 5; nm <= 300; nm += 5) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "  %3d Nm  =  ^%6.2f kgm~  =  %6.1f lbf.ft", nm, nm / 9.80665,
                      nm / 1.35582);
        units.lines.push_back(buf);
    }
    units.lines.push_back("");
    for (int bar = 1; bar <= 60; ++bar) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "  %3d bar  =  {%7.1f kPa}  =  %6.1f psi", bar, bar * 100.0,
                      bar * 14.5038);
        units.lines.push_back(buf);
    }
    units.lines.push_back("");
    units.lines.push_back("&Nota: arrotondare i valori convertiti alla cifra significativa.");
    units.lines.push_back("La coppia va sempre applicata con chiave dinamometrica tarata.|");
    topics.insert(topics.begin() + 10, units);
    // Every branch of the markup on one page.
    topics.push_back(
        {"Come leggere le pagine del manuale",
         {"[Come leggere le pagine del manuale]", "", "[Titolo] testo ^giallo~ e &rosso|",
          "[I titoli] sono in rosso chiaro, {come i rimandi}.", "^Le avvertenze importanti~ sono in giallo.",
          "&Un avviso di pericolo resta rosso anche", "sulla riga seguente, fino al segno di chiusura.|",
          "[Un colore aperto} si chiude con qualunque segno di chiusura.", "", "Fine della pagina."},
         -1});
    return topics;
}

// ---- Oscilloscope

enum class Wave { Sine, Square, Pulse, Ramp, Ignition, Injector, Lambda };

struct Probe {
    const char* name;
    Wave wave;
    const char* signal;
};

const Probe kProbes[] = {
    {"Sensore giri induttivo", Wave::Sine, "alternata da 1 a 100 V picco-picco"},
    {"Sensore giri ad effetto Hall", Wave::Square, "onda quadra 0-5 V"},
    {"Sensore di fase", Wave::Square, "onda quadra 0-5 V, un impulso ogni due giri"},
    {"Sonda lambda al biossido di zirconio", Wave::Lambda, "tra 0,1 e 0,9 V, oscillazione di circa 1 Hz"},
    {"Sonda lambda al titanio", Wave::Lambda, "tra 0,5 e 4,5 V"},
    {"Iniettore benzina", Wave::Injector, "impulso a massa con picco di apertura fino a 70 V"},
    {"Iniettore common rail", Wave::Injector, "corrente di spunto 20 A, mantenimento 12 A"},
    {"Primario bobina", Wave::Ignition, "picco di 300-400 V all'apertura del circuito"},
    {"Secondario accensione", Wave::Ignition, "tensione di scarica 8-15 kV, durata scintilla 1-2 ms"},
    {"Debimetro analogico", Wave::Ramp, "da 1 V al minimo a 4 V in piena accelerazione"},
    {"Debimetro digitale", Wave::Square, "frequenza da 2 a 10 kHz"},
    {"Sensore MAP", Wave::Ramp, "da 1 V al minimo a 4,5 V in sovralimentazione"},
    {"Potenziometro farfalla", Wave::Ramp, "da 0,5 V a 4,5 V senza interruzioni"},
    {"Pedale acceleratore", Wave::Ramp, "due piste, la seconda a metà tensione della prima"},
    {"Elettrovalvola EGR", Wave::Pulse, "PWM a 300 Hz con duty cycle variabile"},
    {"Elettrovalvola canister", Wave::Pulse, "PWM a 10-30 Hz"},
    {"Attuatore minimo", Wave::Pulse, "PWM a 100 Hz"},
    {"Sensore detonazione", Wave::Sine, "oscillazioni di pochi mV, crescenti con il battito"},
    {"Linea CAN", Wave::Square, "CAN-H da 2,5 a 3,5 V e CAN-L da 2,5 a 1,5 V"},
    {"Tensione di carica alternatore", Wave::Sine, "ondulazione residua inferiore a 0,5 V"},
};

const char* const kConditions[] = {"al minimo", "in accelerazione", "all'avviamento"};

std::vector<Topic> oscilloscopeTopics() {
    std::vector<Topic> topics;
    int code = 100;
    for (const char* condition : kConditions)
        for (const Probe& p : kProbes) {
            const std::string title = std::string(p.name) + " - " + condition;
            Topic t =
                page(title, {std::string("Collegare la sonda dell'oscilloscopio al segnale del componente e "
                                         "la massa della sonda alla massa motore."),
                             "", std::string("Segnale atteso ") + condition + ": ^" + p.signal + "~.", "",
                             "Regolazioni consigliate: base tempi 5 ms/div, scala 1 V/div, trigger sul "
                             "fronte di salita.",
                             "",
                             "&Un segnale assente o deformato indica un guasto del componente o del "
                             "cablaggio.|"});
            t.picture = code++;
            topics.push_back(t);
        }
    // A long page: the reference values of every probe.
    Topic ref{"Valori di riferimento dei segnali", {"[Valori di riferimento dei segnali]", ""}, 199};
    for (const Probe& p : kProbes)
        for (const char* condition : kConditions) {
            ref.lines.push_back(std::string("[") + p.name + "] " + condition + ":");
            ref.lines.push_back(std::string("   ") + p.signal);
        }
    topics.insert(topics.begin() + 5, ref);
    return topics;
}

QImage wavePicture(Wave w, int seed) {
    return drawPicture(QSize(480, 360), vga(0), [&](QPainter& p, const QRect& r) {
        p.setPen(QPen(vga(2), 1));
        for (int x = 0; x <= r.width(); x += 48)
            p.drawLine(x, 0, x, r.height());
        for (int y = 0; y <= r.height(); y += 45)
            p.drawLine(0, y, r.width(), y);
        p.setPen(QPen(vga(14), 2));
        QPainterPath path;
        const double mid = r.height() / 2.0, amp = 90 + (seed % 4) * 15;
        for (int x = 0; x < r.width(); ++x) {
            const double t = x / 48.0 + seed * 0.3;
            double y = mid;
            switch (w) {
            case Wave::Sine:
                y = mid - amp * std::sin(t * 3.14159 * (1 + seed % 3));
                break;
            case Wave::Square:
                y = std::fmod(t, 2.0) < 1.0 ? mid - amp : mid + amp;
                break;
            case Wave::Pulse:
                y = std::fmod(t, 2.0) < 0.3 + 0.1 * (seed % 5) ? mid - amp : mid + amp;
                break;
            case Wave::Ramp:
                y = mid + amp - std::fmod(t, 5.0) / 5.0 * 2 * amp;
                break;
            case Wave::Ignition:
                y = std::fmod(t, 5.0) < 0.05 ? mid - 1.6 * amp
                                             : (std::fmod(t, 5.0) < 1.5 ? mid - 0.4 * amp : mid);
                break;
            case Wave::Injector:
                y = std::fmod(t, 5.0) < 1.2 ? mid + amp : (std::fmod(t, 5.0) < 1.3 ? mid - 1.7 * amp : mid);
                break;
            case Wave::Lambda:
                y = mid - amp * std::tanh(3 * std::sin(t * 1.2));
                break;
            }
            if (x == 0)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        p.drawPath(path);
    });
}

// ---- Gas analysis

const char* const kGases[] = {"CO", "HC", "CO2", "O2", "NOx", "Lambda"};
const char* const kGasCauses[] = {
    "miscela troppo ricca",
    "miscela troppo povera",
    "mancata accensione di un cilindro",
    "infiltrazione d'aria allo scarico",
    "catalizzatore inefficiente",
    "sonda lambda lenta",
    "iniettore che gocciola",
    "EGR bloccata aperta",
    "filtro aria intasato",
    "pressione benzina elevata",
};

std::vector<Topic> gasTopics() {
    std::vector<Topic> topics;
    Topic intro =
        page("Principio di funzionamento dell'analizzatore",
             {"L'analizzatore preleva i gas dallo scarico tramite la sonda, li filtra e li misura con "
              "una cella a infrarossi (CO, CO2, HC) e con celle elettrochimiche (O2, NOx).",
              "",
              "^Prima della prova~ il motore deve essere caldo e lo strumento azzerato in aria "
              "pulita.",
              "", "&Non eseguire la prova in ambiente chiuso senza aspirazione dei gas.|"});
    intro.picture = 1;
    topics.push_back(intro);
    for (const char* cause : kGasCauses)
        for (const char* gas : kGases) {
            const std::string title = std::string(gas) + ": " + cause;
            topics.push_back(
                page(title, {std::string("Il valore di ") + gas +
                                 " si sposta dal campo normale "
                                 "quando si verifica: " +
                                 cause + ".",
                             "",
                             "La lancetta dello strumento indica il valore letto: confrontarlo con "
                             "i limiti della revisione.",
                             "",
                             "^Controllare~ anche gli altri gas: un solo valore fuori campo non "
                             "basta per la diagnosi."}));
        }
    // A long page: the limits by vehicle age.
    Topic limits{"Limiti di emissione per anno di immatricolazione",
                 {"[Limiti di emissione per anno di immatricolazione]", ""},
                 0};
    for (int year = 1970; year <= 2025; ++year) {
        char buf[96];
        const double co = year < 1986 ? 4.5 : year < 1993 ? 3.5 : year < 2002 ? 0.5 : 0.3;
        std::snprintf(buf, sizeof buf, "  %d   CO al minimo ^%.1f %%~   lambda %s", year, co,
                      year < 1993 ? "non richiesto" : "{0,97 - 1,03}");
        limits.lines.push_back(buf);
        limits.lines.push_back(std::string("         HC ") + (year < 1993 ? "1200" : "200") + " ppm vol.");
    }
    topics.insert(topics.begin() + 3, limits);
    return topics;
}

// The analyser's front panel: the pointer line swings over its meter.
QImage analyserPicture() {
    return drawPicture(QSize(480, 400), vga(7), [](QPainter& p, const QRect& r) {
        p.setPen(QPen(vga(0), 2));
        p.setBrush(vga(8));
        p.drawRoundedRect(r.adjusted(10, 10, -10, -10), 16, 16);
        p.setBrush(vga(15));
        p.drawRect(60, 50, 360, 230);
        p.setPen(QPen(vga(0), 1));
        for (int i = 0; i <= 20; ++i) {
            const int x = 80 + i * 16;
            p.drawLine(x, 70, x, i % 5 == 0 ? 100 : 88);
        }
        p.setPen(QPen(vga(4), 6));
        p.drawLine(80, 64, 400, 64);
        p.setPen(vga(0));
        drawCaption(p, QRect(60, 240, 360, 30), "CO % vol", 18);
        for (int i = 0; i < 4; ++i) {
            p.setBrush(vga(i == 0 ? 10 : 2));
            p.drawEllipse(QPoint(110 + i * 90, 330), 22, 22);
        }
    });
}

QImage gasIntroPicture() {
    return drawPicture(QSize(480, 360), vga(15), [](QPainter& p, const QRect&) {
        p.setPen(QPen(vga(0), 2));
        p.setBrush(vga(7));
        p.drawRect(40, 120, 140, 100); // exhaust pipe end
        p.drawRect(180, 150, 60, 40);
        p.setBrush(vga(11));
        p.drawRect(300, 80, 140, 200); // analyser
        p.setPen(QPen(vga(1), 3));
        QPainterPath hose(QPointF(240, 170));
        hose.cubicTo(260, 260, 290, 260, 300, 200);
        p.setBrush(Qt::NoBrush);
        p.drawPath(hose);
        p.setPen(vga(0));
        drawCaption(p, QRect(300, 90, 140, 30), "CO  HC  O2", 16);
        drawCaption(p, QRect(40, 230, 200, 30), "sonda di prelievo", 16);
    });
}

// ---- Diagnosis

const char* const kSystems[] = {"Iniezione benzina",
                                "Iniezione diesel common rail",
                                "Accensione",
                                "Sovralimentazione",
                                "Impianto di carica",
                                "Avviamento",
                                "Raffreddamento motore",
                                "Climatizzatore",
                                "ABS",
                                "Airbag",
                                "Immobilizzatore",
                                "Rete CAN"};
const char* const kSymptoms[] = {"il motore non si avvia", "minimo irregolare", "spia avaria accesa",
                                 "perdita di potenza", "consumo eccessivo"};

std::vector<Topic> diagnosisTopics() {
    std::vector<Topic> topics;
    for (const char* system : kSystems)
        for (const char* symptom : kSymptoms) {
            const std::string title = std::string(system) + ": " + symptom;
            Topic t = page(title, {"Sequenza di controllo consigliata:"});
            const char* steps[] = {"Leggere i codici di errore con lo strumento di diagnosi.",
                                   "Verificare alimentazione e masse della centralina.",
                                   "Controllare fusibili e relè del sistema.",
                                   "Misurare i segnali dei sensori con l'oscilloscopio.",
                                   "Provare gli attuatori con la funzione di attivazione.",
                                   "Cancellare i codici ed eseguire una prova su strada."};
            for (int i = 0; i < 6; ++i)
                t.lines.push_back(std::to_string(i + 1) + ". " + steps[i]);
            t.lines.push_back("");
            t.lines.push_back("^Attenzione~: scollegare la batteria prima di staccare la centralina.");
            topics.push_back(t);
        }
    // A long page: the check list of a complete inspection.
    Topic check{"Lista di controllo dell'ispezione completa",
                {"[Lista di controllo dell'ispezione completa]", ""},
                -1};
    for (const char* system : kSystems) {
        check.lines.push_back(std::string("[") + system + "]");
        for (const char* symptom : kSymptoms)
            check.lines.push_back(std::string("  [ ] verificato: ") + symptom);
        check.lines.push_back("");
    }
    topics.insert(topics.begin() + 2, check);
    return topics;
}

// ---- Help pages

const std::pair<const char*, const char*> kHelp[] = {
    {"001", "Scelta del veicolo"},          {"002", "Elenco degli schemi elettrici"},
    {"003", "Scheda dei dati tecnici"},     {"004", "Schema elettrico (formato precedente)"},
    {"005", "Descrizione dei componenti"},  {"006", "Ubicazione dei componenti"},
    {"007", "Presa di diagnosi"},           {"008", "Schema elettrico"},
    {"009", "Coppie di serraggio"},         {"011", "Informazioni tecniche"},
    {"012", "Impianto di climatizzazione"}, {"013", "Cinghia di distribuzione"},
    {"014", "Cinghia dei servizi"},         {"015", "Documentazione delle marche"},
};

void writeHelpPages(const Output& out) {
    for (const auto& [code, title] : kHelp) {
        std::vector<std::string> lines = {title, "", std::string("[Come usare la finestra: ") + title + "]",
                                          ""};
        const char* body[] = {"I pulsanti della barra aprono il manuale:",
                              "  ^F1~ aiuto    ^F2~ glossario    ^F3~ oscilloscopio",
                              "  ^F4~ diagnosi ^F5~ analisi gas  ^F12~ codici errore",
                              "",
                              "Il pulsante con la freccia a sinistra chiude la finestra",
                              "e torna alla precedente (tasto {Esc}).",
                              "",
                              "&Le informazioni sono riservate all'officina|",
                              "e vanno verificate sui dati del costruttore."};
        for (const char* l : body)
            lines.push_back(l);
        std::vector<std::string> stored;
        for (const std::string& l : lines)
            stored.push_back(cp1252(l));
        out.writeCpt(std::string("hlp\\tx_ita\\hlp") + code + ".cpt", Form::Line, stored);
    }
}

void writePicture(const Output& out, const std::string& rel, const QImage& img) {
    const ScrambledPicture pic = scrambledPicture(
        rel, PictureFormat::Gif, img.size(), Qt::white,
        [&](QPainter& p, const QRect&) { p.drawImage(0, 0, img); }, core::Key);
    writeScrambled(out, rel, pic, core::Key);
}

} // namespace

void writeManuals(const Output& out) {
    writeSection(out, "glo", "glo", glossaryTopics(), false);
    const std::vector<Topic> osc = oscilloscopeTopics();
    writeSection(out, "osc", "osc", osc, true);
    int seed = 0;
    for (const Topic& t : osc) {
        char rel[32];
        std::snprintf(rel, sizeof rel, "osc\\x%03d.gif", t.picture);
        const Wave w = t.picture == 199 ? Wave::Square : kProbes[size_t((t.picture - 100) % 20)].wave;
        writePicture(out, rel, wavePicture(w, seed++));
    }
    const std::vector<Topic> gas = gasTopics();
    writeSection(out, "gas", "gas", gas, true);
    writePicture(out, "gas\\x001.gif", gasIntroPicture());
    writePicture(out, "gas\\xf000.gif", analyserPicture());
    writeSection(out, "dia", "dia", diagnosisTopics(), false);
    writeHelpPages(out);
}

} // namespace sampledata
