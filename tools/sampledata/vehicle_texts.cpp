// \par, \soc, \inf, \cng and the documents of the document viewer: vehicle
// text pages with their markup, their pictures, the info table, the belt
// drawings and the rich-text documents.
#include "core/module1.h"
#include "sampledata/areas.h"
#include "sampledata/encode.h"
#include "sampledata/pictures.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

std::vector<std::string> cp(std::initializer_list<const char*> utf8) {
    std::vector<std::string> v;
    for (const char* s : utf8)
        v.push_back(cp1252(s));
    return v;
}

std::string pad3(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%03d", n);
    return b;
}

void scrambledGif(const Output& out, const std::string& rel, QSize size, QColor bg, const Drawing& d,
                  const std::array<int, 80>& key = core::Key) {
    writeScrambled(out, rel, scrambledPicture(rel, PictureFormat::Gif, size, bg, d, key), key);
}

// ---- Pictures

// A component as a workshop drawing shows it: housing, connector and pins.
Drawing componentDrawing(int seed) {
    return [seed](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const int w = r.width(), h = r.height();
        p.setPen(QPen(vga(0), 2));
        p.setBrush(vga(7));
        const QRect body(w / 5, h / 4, w * 2 / 5, h / 2);
        if (seed % 3 == 0)
            p.drawEllipse(body);
        else
            p.drawRoundedRect(body, 12, 12);
        p.setBrush(vga(8));
        const QRect plug(body.right(), h * 2 / 5, w / 8, h / 5);
        p.drawRect(plug);
        const int pins = 2 + seed % 4;
        for (int i = 0; i < pins; ++i) {
            const int y = plug.top() + (i + 1) * plug.height() / (pins + 1);
            p.setPen(QPen(vga(i % 2 ? 9 : 0), 3));
            p.drawLine(plug.right(), y, w * 9 / 10, y);
            p.setPen(QPen(vga(0), 1));
            p.drawText(w * 9 / 10 + 4, y + 4, QString::number(i + 1));
        }
        p.setPen(QPen(vga(4), 1, Qt::DashLine));
        p.drawLine(body.center().x(), body.top() - 20, body.center().x(), body.bottom() + 20);
        p.setPen(vga(0));
        drawCaption(p, QRect(body.left(), body.bottom() + 8, body.width(), 20), "Vista laterale", 12);
    };
}

// The car seen from above with the place of the diagnostic socket.
Drawing socketDrawing(int n) {
    return [n](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const int w = r.width(), h = r.height();
        p.setPen(QPen(vga(0), 2));
        p.setBrush(vga(15));
        const QRect car(w / 4, 20, w / 2, h - 40);
        p.drawRoundedRect(car, 40, 60);
        p.setBrush(vga(7));
        p.drawRect(car.left() + 20, car.top() + car.height() / 3, car.width() - 40, 16); // dashboard
        p.drawEllipse(QPoint(car.left() + car.width() / 3, car.top() + car.height() / 3 + 40), 18,
                      18); // wheel
        const QPoint spots[] = {{car.left() + 30, car.top() + car.height() / 3 + 24},
                                {car.center().x(), car.top() + car.height() / 3 + 30},
                                {car.right() - 40, car.top() + car.height() / 3 + 24},
                                {car.center().x(), car.top() + car.height() / 2 + 20}};
        const QPoint at = spots[n % 4];
        p.setBrush(vga(9));
        p.setPen(QPen(vga(1), 2));
        p.drawRect(at.x() - 10, at.y() - 6, 20, 12);
        p.setPen(QPen(vga(1), 2));
        p.drawLine(at, QPoint(w - 30, 40));
        p.setPen(vga(0));
        drawCaption(p, QRect(w - 150, 20, 140, 20), "Presa OBD", 12, Qt::AlignRight | Qt::AlignVCenter);
    };
}

// An info picture: an engine bay sketch with a highlighted part.
Drawing infoDrawing(int n) {
    return [n](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const int w = r.width(), h = r.height();
        p.setPen(QPen(vga(0), 2));
        p.setBrush(vga(7));
        p.drawRect(w / 6, h / 5, w * 2 / 3, h * 3 / 5);
        for (int i = 0; i < 4; ++i) {
            p.setBrush(i == n % 4 ? vga(11) : vga(15));
            p.drawEllipse(QPoint(w / 6 + (i + 1) * w * 2 / 15, h / 2), 22, 22);
        }
        p.setBrush(vga(12));
        p.drawRect(w / 6 + 10, h / 5 + 10, 60, 24);
        p.setPen(vga(0));
        drawCaption(p, QRect(0, h - 28, w, 20), n == 999 ? "Illustrazione generale" : "Particolare", 12);
    };
}

// A belt drive: pulleys on their centres and the belt around them.
Drawing beltDrawing(int kind) {
    return [kind](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const int w = r.width(), h = r.height();
        struct Pulley {
            double x, y, radius;
            int colour;
        };
        std::vector<Pulley> pulleys;
        if (kind == 0) { // timing belt: crank, two cams, tensioner, water pump
            pulleys = {{0.5, 0.8, 0.08, 7},
                       {0.28, 0.24, 0.09, 12},
                       {0.72, 0.24, 0.09, 12},
                       {0.62, 0.52, 0.04, 11},
                       {0.25, 0.55, 0.05, 10}};
        } else { // auxiliary belt: crank, alternator, compressor, tensioner
            pulleys = {
                {0.5, 0.78, 0.09, 7}, {0.2, 0.28, 0.06, 12}, {0.82, 0.3, 0.08, 10}, {0.55, 0.4, 0.04, 11}};
        }
        QPainterPath belt;
        for (size_t i = 0; i < pulleys.size(); ++i) {
            const QPointF c(pulleys[i].x * w, pulleys[i].y * h);
            if (i == 0)
                belt.moveTo(c);
            else
                belt.lineTo(c);
        }
        belt.closeSubpath();
        p.setPen(QPen(vga(0), 10));
        p.setBrush(Qt::NoBrush);
        p.drawPath(belt);
        for (size_t i = 0; i < pulleys.size(); ++i) {
            const Pulley& q = pulleys[i];
            const QPointF c(q.x * w, q.y * h);
            const double rad = q.radius * std::min(w, h) * 1.4;
            p.setPen(QPen(vga(0), 2));
            p.setBrush(vga(q.colour));
            p.drawEllipse(c, rad, rad);
            p.setBrush(vga(15));
            p.drawEllipse(c, rad / 4, rad / 4);
            p.setPen(vga(0));
            drawCaption(p, QRectF(c.x() + rad + 2, c.y() - rad, 24, 18).toRect(), std::to_string(i + 1), 14,
                        Qt::AlignLeft | Qt::AlignTop);
        }
        // Timing marks on the crank pulley and the cams.
        p.setPen(QPen(vga(9), 3));
        for (size_t i = 0; i < std::min<size_t>(3, pulleys.size()); ++i) {
            const QPointF c(pulleys[i].x * w, pulleys[i].y * h);
            const double rad = pulleys[i].radius * std::min(w, h) * 1.4;
            p.drawLine(QPointF(c.x(), c.y() - rad - 8), QPointF(c.x(), c.y() - rad + 6));
        }
    };
}

// ---- Text pages

std::vector<std::string> componentPage(const std::string& code, const std::string& name, int length) {
    std::vector<std::string> l = cp({"[COMPONENTE]"});
    l.push_back(cp1252("{" + name + "}"));
    l.push_back("");
    const std::vector<std::string> body = cp({
        "[Funzione]",
        "Il componente fornisce alla centralina il segnale necessario alla",
        "gestione del motore. Un guasto provoca l'accensione della spia",
        "{MIL} e la memorizzazione di un codice errore.",
        "",
        "[Controlli]",
        "1. Verificare lo stato del connettore e dei terminali.",
        "2. Misurare la resistenza tra i pin {1} e {2}: 0,5 - 1,5 kOhm a 20 °C.",
        "3. Con quadro acceso, tensione di alimentazione tra pin {1} e massa:",
        "   circa 12 V.",
        "4. Controllare il segnale con l'oscilloscopio a motore avviato.",
        "",
        "[Attenzione] non scollegare il connettore a motore acceso",
        "",
    });
    while (int(l.size()) < length)
        for (const auto& s : body)
            if (int(l.size()) < length) l.push_back(s);
    if (length > 40) {
        // A long page: a table of test values down to its end.
        l.resize(size_t(length - 62));
        l.push_back(cp1252("[Tabella valori di prova]"));
        for (int i = 0; i < 60; ++i) {
            char b[81];
            std::snprintf(b, sizeof b, "  Temperatura %3d °C  resistenza {%5.2f} kOhm  tensione [%4.2f] V",
                          -20 + i * 2, 9.4 * std::exp(-0.04 * i) + 0.2, 4.5 - i * 0.06);
            l.push_back(cp1252(b));
        }
        l.push_back(cp1252("Fine tabella " + code));
    }
    return l;
}

const char* const kParameterNames[][2] = {
    {"031", "Sonda lambda"},
    {"099", "Massa motore"},
    {"120", "Sensore temperatura acqua"},
    {"201", "Pompa alta pressione"},
    {"202", "Regolatore di pressione"},
    {"203", "Sensore pressione rail"},
    {"204", "Iniettore cilindro 1"},
    {"205", "Iniettore cilindro 2"},
    {"206", "Iniettore cilindro 3"},
    {"207", "Iniettore cilindro 4"},
    {"208", "Candelette"},
    {"209", "Centralina candelette"},
    {"210", "Debimetro"},
    {"211", "Valvola EGR"},
    {"212", "Sensore pedale acceleratore"},
    {"213", "Sensore temperatura gasolio"},
    {"214", "Elettrovalvola turbo"},
    {"215", "Sensore pressione turbo"},
    {"216", "Sensore giri"},
    {"217", "Sensore di fase"},
    {"218", "Centralina gasolio"},
    {"305", "Attuatore regolazione minimo"},
    {"410", "Bobina di accensione"},
    {"415", "Sensore di fase accensione"},
    {"501", "Centralina ABS"},
    {"502", "Sensore velocità ruota"},
    {"510", "Centralina airbag"},
    {"530", "Compressore A/C"},
    {"531", "Sensore temperatura evaporatore"},
    {"540", "Pressostato A/C"},
    {"541", "Elettroventola"},
    {"560", "Centralina chiusura centralizzata"},
    {"570", "Centralina navigatore"},
    {"620", "Prova bilanciamento cilindri"},
    {"650", "Prova iniettori"},
};

const char* const kComponentNames[][2] = {
    {"0701", "Centralina iniezione"},
    {"0702", "Sensore giri motore"},
    {"0703", "Sensore temperatura acqua"},
    {"0704", "Debimetro aria"},
    {"0705", "Sonda lambda"},
    {"0706", "Iniettore"},
    {"0707", "Relè pompa carburante"},
    {"0708", "Connettore diagnosi"},
    {"0709", "Sensore posizione farfalla"},
    {"0711", "Bobina di accensione"},
    {"0712", "Candela"},
    {"0713", "Sensore di battito"},
    {"0721", "Centralina ABS"},
    {"0722", "Sensore velocità ruota"},
    {"0731", "Compressore A/C"},
    {"0732", "Pressostato"},
    {"0741", "Centralina immobilizer"},
    {"0742", "Antenna transponder"},
    {"0751", "Sensore pressione collettore"},
    {"0752", "Valvola canister"},
    {"0753", "Attuatore minimo"},
};

void writeParameters(const Output& out) {
    int seed = 0;
    for (const auto& c : kComponentNames) {
        const std::string code = c[0];
        const bool wide = code == "0701";
        scrambledGif(out, "par\\x" + code + ".gif", wide ? QSize(1000, 600) : QSize(400, 300), vga(15),
                     componentDrawing(seed++));
        if (code == "0704") continue; // its hot spot names the text 0799, which has no page
        out.writeCpt("par\\tx_ita\\" + code + ".cpt", Form::Line, componentPage(code, c[1], wide ? 120 : 16));
    }
    for (const auto& c : kParameterNames) {
        const std::string code = std::string("0") + c[0];
        scrambledGif(out, "par\\x" + code + ".gif", QSize(400, 300), vga(15), componentDrawing(seed++));
        out.writeCpt("par\\tx_ita\\" + code + ".cpt", Form::Line, componentPage(code, c[1], 18));
    }
}

void writeSockets(const Output& out) {
    for (int i = 0; i <= 10; ++i)
        scrambledGif(out, "soc\\x" + pad3(i) + ".gif", QSize(400, 300), vga(15), socketDrawing(i));
    out.writeCpt("soc\\tx_ita.cpt", Form::Line,
                 cp({"[PRESA DI DIAGNOSI]",
                     "",
                     "La presa di diagnosi a 16 poli ({EOBD}) si trova nell'abitacolo,",
                     "vicino al posto di guida. La posizione esatta del veicolo scelto",
                     "è indicata in [rosso] nel disegno.",
                     "",
                     "[Piedinatura]",
                     "  pin {4}   massa telaio",
                     "  pin {5}   massa segnale",
                     "  pin {6}   CAN alto",
                     "  pin {7}   linea K",
                     "  pin {14}  CAN basso",
                     "  pin {15}  linea L",
                     "  pin {16}  positivo batteria",
                     "",
                     "[Prima del collegamento]",
                     "Spegnere il quadro, collegare lo strumento e solo dopo",
                     "accendere il quadro. Con batteria sotto 11,5 V la comunicazione",
                     "può fallire: caricare la batteria.",
                     "",
                     "{Nota:} alcune coperture si tolgono a mano, senza attrezzi."}));
}

std::vector<std::string> infoPage(const char* title, int lines) {
    std::vector<std::string> l = cp({"[INFORMAZIONE TECNICA]"});
    l.push_back(cp1252(std::string("{") + title + "}"));
    l.push_back("");
    const std::vector<std::string> body =
        cp({"Descrizione del problema", "  Il cliente segnala un funzionamento irregolare a freddo.",
            "[Causa]", "  Connettore ossidato o parametri di autoadattamento errati.", "[Rimedio]",
            "  1. Pulire il connettore con spray contatti.",
            "  2. Cancellare la memoria guasti e i valori di autoadattamento.",
            "  3. Eseguire una prova su strada di almeno {quindici} minuti.", ""});
    while (int(l.size()) < lines)
        for (const auto& s : body)
            if (int(l.size()) < lines) l.push_back(s);
    return l;
}

void writeInfo(const Output& out) {
    // Key "0" + code, text from column 5; no ":" and no digit runs in texts.
    out.writeCpt(
        "Ark\\inf_ita.cpt", Form::Line,
        cp({"0001Tagliando e manutenzione periodica", "0002Richiamo centralina motore",
            "0003Rumorosità tenditore cinghia", "0004Spia avaria motore accesa a freddo",
            "0005Aggiornamento chiave e immobilizer", "0007", "0123Perdite olio dal coperchio punterie",
            "0456Avviamento difficoltoso a caldo", "0789Vibrazioni al minimo"}));
    const struct {
        const char* code;
        const char* title;
        bool picture, text;
        int lines;
    } infos[] = {{"0001", "Tagliando e manutenzione periodica", true, true, 70},
                 {"0002", "Richiamo centralina motore", true, true, 14},
                 {"0003", "Rumorosità tenditore cinghia", true, false, 0},
                 {"0004", "Spia avaria motore accesa a freddo", false, true, 20},
                 {"0005", "Aggiornamento chiave e immobilizer", true, true, 12},
                 {"0006", "Controllo freni", true, true, 10},
                 {"0007", "Verifica livelli", true, true, 8},
                 {"0123", "Perdite olio dal coperchio punterie", true, true, 16},
                 {"0456", "Avviamento difficoltoso a caldo", false, true, 12}};
    int n = 0;
    for (const auto& i : infos) {
        if (i.picture)
            scrambledGif(out, std::string("inf\\x") + i.code + ".gif", QSize(400, 300), vga(15),
                         infoDrawing(n));
        if (i.text)
            out.writeCpt(std::string("inf\\tx_ita\\") + i.code + ".cpt", Form::Line,
                         infoPage(i.title, i.lines));
        ++n;
    }
    scrambledGif(out, "inf\\x0999.gif", QSize(400, 300), vga(15), infoDrawing(999));
    // A damaged picture without a recovery copy.
    const std::string rel = "inf\\x0456.gif";
    const ScrambledPicture good =
        scrambledPicture(rel, PictureFormat::Gif, QSize(400, 300), vga(15), infoDrawing(4), core::Key);
    const size_t end = good.plain.find('\0');
    std::string damaged = good.stored.substr(0, end + 1);
    damaged.append(120, char(0xAA));
    out.write(rel, damaged);
}

// ---- Rich-text documents

std::string rtfEscape(const std::string& utf8) {
    const std::string b = cp1252(utf8);
    std::string s;
    for (unsigned char c : b) {
        if (c == '\\' || c == '{' || c == '}') {
            s += '\\';
            s += char(c);
        } else if (c >= 0x80) {
            char h[8];
            std::snprintf(h, sizeof h, "\\'%02x", c);
            s += h;
        } else {
            s += char(c);
        }
    }
    return s;
}

const char* const kRtfHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}"
    "{\\f2\\fmodern\\fcharset0 Courier New;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green0\\blue160;"
    "\\red0\\green128\\blue0;\\red255\\green255\\blue200;}"
    "{\\info{\\title Documento tecnico}{\\author Servizio tecnico}}\n";

std::string heading(const std::string& t) {
    return "\\pard\\sb240\\sa120\\keepn\\b\\f0\\fs28\\cf3 " + rtfEscape(t) + "\\cf0\\b0\\fs20\\par\n";
}
std::string para(const std::string& t) {
    return "\\pard\\qj\\sa100\\f1\\fs22 " + rtfEscape(t) + "\\par\n";
}

std::string beltDocument(const std::string& engine, int steps) {
    std::string d = kRtfHead;
    d += "\\pard\\qc\\b\\f0\\fs36 " + rtfEscape("Sostituzione cinghia di distribuzione") + "\\b0\\par\n";
    d += "\\pard\\qc\\i\\fs22 " + rtfEscape("Motore " + engine) + "\\i0\\par\n";
    d += heading("Dati di montaggio");
    d += "\\trowd\\trgaph70\\cellx3500\\cellx6500\\pard\\intbl\\b\\f0\\fs20 Componente\\cell "
         "Coppia\\cell\\b0\\row\n";
    const char* const rows[][2] = {{"Vite puleggia albero motore", "25 Nm + 90°"},
                                   {"Dado rullo tenditore", "20 Nm"},
                                   {"Viti pompa acqua", "10 Nm"},
                                   {"Viti carter distribuzione", "8 Nm"}};
    for (const auto& r : rows)
        d += "\\trowd\\trgaph70\\cellx3500\\cellx6500\\pard\\intbl\\f0\\fs20 " + rtfEscape(r[0]) + "\\cell " +
             rtfEscape(r[1]) + "\\cell\\row\n";
    d += heading("Procedura");
    const char* const texts[] = {
        "Scollegare il cavo negativo della batteria e togliere il carter superiore della distribuzione.",
        ("Ruotare l'albero motore nel senso di marcia fino a portare il cilindro 1 al PMS; allineare le "
         "tacche di riferimento delle pulegge."),
        "Inserire il perno di fasatura nell'apposito foro del basamento e bloccare gli alberi a camme.",
        "Allentare il dado del rullo tenditore, ruotarlo in senso antiorario e togliere la cinghia.",
        "Montare la nuova cinghia partendo dalla puleggia dell'albero motore, mantenendo teso il ramo lato "
        "scarico.",
        "Tendere la cinghia fino a far coincidere l'indice del tenditore con la tacca di riferimento.",
        "Togliere i perni e far compiere al motore due giri completi, quindi ricontrollare la fasatura."};
    for (int i = 0; i < steps; ++i) {
        d += "\\pard\\fi-360\\li720\\sa80\\tx720\\f1\\fs22 " + std::to_string(i + 1) + ".\\tab " +
             rtfEscape(texts[i % 7]);
        if (i % 7 == 2) d += " {\\b\\cf2 " + rtfEscape("Non ruotare il motore con i perni inseriti.") + "}";
        d += "\\par\n";
    }
    d += heading("Avvertenze");
    d += "\\pard\\sa100\\cb5\\highlight5\\f0\\fs20 {\\b\\cf2 " + rtfEscape("Attenzione:") + "} " +
         rtfEscape("motore interferente. Una fasatura errata danneggia valvole e pistoni.") +
         "\\highlight0\\par\n";
    d += "\\pard\\qr\\f0\\fs16\\cf4 \\u169?" + rtfEscape(" Servizio tecnico") + "\\cf0\\par\n}";
    return d;
}

std::string legendDocument() {
    std::string d = kRtfHead;
    d += "\\pard\\b\\f0\\fs24 " + rtfEscape("Legenda") + "\\b0\\par\n";
    const char* const items[] = {"Puleggia albero motore",
                                 "Puleggia albero a camme aspirazione / alternatore",
                                 "Puleggia albero a camme scarico / compressore A/C",
                                 "Rullo tenditore",
                                 "Pompa acqua",
                                 "PMS = punto morto superiore",
                                 "Tacche di fasatura in rosso"};
    int n = 1;
    for (const char* t : items)
        d += "\\pard\\li360\\fi-360\\tx360\\f0\\fs20 {\\b " + std::to_string(n++) + "}\\tab " + rtfEscape(t) +
             "\\par\n";
    return d + "}";
}

std::string obdDocument() {
    std::string d = kRtfHead;
    d += "\\pard\\qc\\b\\f0\\fs32 " + rtfEscape("Diagnosi OBD / EOBD") + "\\b0\\par\n";
    const char* const sections[][2] = {
        {"Che cos'è l'OBD", "L'autodiagnosi di bordo sorveglia i sistemi che influiscono sulle emissioni. "
                            "Quando rileva un guasto, "
                            "la centralina memorizza un codice errore e accende la spia MIL."},
        {"Struttura dei codici", "Il codice è formato da una lettera e quattro cifre. La lettera indica il "
                                 "sistema: P motore e cambio, "
                                 "B carrozzeria, C telaio, U rete di comunicazione."},
        {"Codici standard e del costruttore",
         "Se la seconda cifra è zero il codice è standard e ha lo stesso significato per ogni marca; "
         "altrimenti il significato è definito dal costruttore."},
        {"Lettura e cancellazione",
         "Collegare lo strumento alla presa a 16 poli, leggere i codici, riparare il guasto e cancellare la "
         "memoria. Eseguire poi un ciclo di guida per verificare che il codice non ricompaia."}};
    for (int round = 0; round < 4; ++round)
        for (const auto& s : sections) {
            d += heading(s[0]);
            d += para(s[1]);
            d += para("I valori di riferimento dipendono dal motore: consultare sempre i dati tecnici del "
                      "veicolo scelto prima di sostituire un componente.");
        }
    d += "\\pard\\f2\\fs18 P0100 - P0199\\tab " + rtfEscape("Dosaggio aria e carburante") +
         "\\line P0300\\tab " + rtfEscape("Mancate accensioni rilevate") + "\\par\n}";
    return d;
}

std::string pngHex(const QImage& img) {
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return b.toHex().toStdString();
}

std::string newsDocument() {
    std::string d = kRtfHead;
    d += "\\pard\\qc\\b\\f0\\fs32\\cf3 " + rtfEscape("Novità della versione") + "\\cf0\\b0\\par\n";
    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::white);
    {
        QPainter p(&logo);
        p.setPen(QPen(vga(1), 3));
        p.setBrush(vga(11));
        p.drawRoundedRect(5, 5, 110, 50, 10, 10);
        p.setPen(vga(0));
        drawCaption(p, QRect(5, 5, 110, 50), "NEW", 24);
    }
    d +=
        "\\pard\\qc{\\pict\\pngblip\\picw120\\pich60\\picwgoal1800\\pichgoal900 " + pngHex(logo) + "}\\par\n";
    const char* const news[] = {"Nuovi schemi elettrici per i modelli recenti.",
                                "Dati di ricarica del climatizzatore aggiornati.",
                                "Codici errore EOBD con descrizioni ampliate.",
                                "Procedure di sostituzione della cinghia di distribuzione."};
    for (const char* n : news)
        d += "\\pard\\li360\\fi-240{\\f0\\'95}\\tab " + rtfEscape(n) + "\\par\n";
    return d + "}";
}

// The page LibreOffice Writer converted (kept so the conversion can be made
// again); writer_document.inc holds Writer's output.
[[maybe_unused]] const char* writerSourcePage() {
    return R"html(<html><head><meta charset="utf-8"><title>Cinghia di distribuzione</title></head><body>
<h1 style="text-align:center">Cinghia di distribuzione</h1>
<p style="text-align:center"><i>Informazioni generali per la sostituzione</i></p>
<h2>Quando sostituirla</h2>
<p>La cinghia di distribuzione va sostituita agli intervalli indicati dal costruttore, e comunque <b>ogni volta che si smonta</b>. Una cinghia rotta su un motore interferente danneggia valvole e pistoni.</p>
<ul><li>Controllare l'usura e le crepe sul dorso della cinghia.</li><li>Sostituire sempre tenditore e rulli di rinvio insieme alla cinghia.</li><li>Verificare che la pompa dell'acqua non perda, se è comandata dalla cinghia.</li></ul>
<h2>Attrezzatura</h2>
<table border="1" cellpadding="4"><tr><th>Attrezzo</th><th>Uso</th></tr>
<tr><td>Perno di fasatura albero motore</td><td>Blocca l'albero al PMS del cilindro 1</td></tr>
<tr><td>Attrezzo di bloccaggio alberi a camme</td><td>Mantiene la fase durante lo smontaggio</td></tr>
<tr><td>Chiave dinamometrica</td><td>Serraggio vite puleggia: vedere i dati di coppia</td></tr></table>
<h2>Procedura generale</h2>
<ol><li>Portare il cilindro n°1 al PMS in fase di compressione.</li><li>Inserire i perni di fasatura; non ruotare più il motore.</li><li>Allentare il tenditore e togliere la cinghia.</li><li>Montare la nuova cinghia rispettando il senso di rotazione.</li><li>Tendere la cinghia e far compiere al motore <u>due giri completi</u>, poi ricontrollare la fasatura.</li></ol>
<p style="color:#c00000"><b>Attenzione:</b> non ruotare mai il motore in senso contrario a quello di marcia.</p>
<p style="text-align:right"><small>Servizio tecnico – edizione 2026</small></p>
</body></html>
)html";
}

std::string writerDocument() {
    return
#include "sampledata/writer_document.inc"
        ;
}

void writeDocument(const Output& out, const std::string& rel, const std::string& plain,
                   const std::array<int, 80>& key) {
    ScrambledPicture doc{plain, scrambleHeader(plain, key)};
    writeScrambled(out, rel, doc, key);
}

void writeBelts(const Output& out) {
    const auto& k2 = core::SecondKey;
    for (const char* code : {"00001", "00003", "00005"})
        scrambledGif(out, std::string("cng\\dis\\x") + code + ".gif", QSize(500, 400), vga(15),
                     beltDrawing(0), k2);
    scrambledGif(out, "cng\\aus\\x00002.gif", QSize(400, 320), vga(15), beltDrawing(1), k2);
    scrambledGif(out, "cng\\aus\\x00004.gif", QSize(640, 400), vga(15), beltDrawing(1), k2);
    writeDocument(out, "cng\\dis\\tx_ita\\x00001.rtf", beltDocument("AL-12V16", 7), k2);
    writeDocument(out, "cng\\dis\\tx_ita\\x00003.rtf", beltDocument("AL-19TD", 9), k2);
    // Long enough for several printed pages.
    writeDocument(out, "cng\\dis\\tx_ita\\x00005.rtf", beltDocument("ENG-A14", 200), k2);
    writeDocument(out, "cng\\dis\\tx_ita\\xlegenda.rtf", legendDocument(), k2);
    writeDocument(out, "cng\\dis\\tx_ita\\xinfo.rtf", writerDocument(), k2);
}

} // namespace

void writeVehicleTexts(const Output& out) {
    writeParameters(out);
    writeSockets(out);
    writeInfo(out);
    writeBelts(out);
    writeDocument(out, "obd\\xinf_ita.rtf", obdDocument(), core::Key);
    writeDocument(out, "Ark\\xNew_ita.rtf", newsDocument(), core::Key);
    // Buttons of the vehicle text viewer: picture alone, belt information.
    writePicture(
        out, "mas\\tastext0.gif", PictureFormat::Gif, QSize(42, 42), vga(11), [](QPainter& p, const QRect&) {
            p.setPen(QPen(vga(0), 2));
            p.setBrush(vga(15));
            p.drawRect(6, 8, 30, 24);
            p.setBrush(vga(10));
            p.drawPolygon(
                QPolygon({QPoint(8, 30), QPoint(18, 16), QPoint(26, 26), QPoint(34, 18), QPoint(34, 30)}));
        });
    writePicture(out, "mas\\tasinf.gif", PictureFormat::Gif, QSize(42, 42), vga(9),
                 [](QPainter& p, const QRect&) {
                     p.setPen(QPen(vga(15), 2));
                     p.setBrush(Qt::NoBrush);
                     p.drawEllipse(QPoint(21, 21), 14, 14);
                     p.setPen(QPen(vga(15), 4));
                     p.drawPoint(21, 13);
                     p.drawLine(21, 18, 21, 30);
                 });
}

} // namespace sampledata
