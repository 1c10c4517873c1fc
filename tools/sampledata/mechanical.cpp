// \ser, \air and the data-sheet dictionaries in \Ark: tightening steps and
// detail pages, A/C labels and circuits, categories, descriptions and units.
#include "sampledata/areas.h"
#include "sampledata/encode.h"
#include "sampledata/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

std::vector<std::string> lines(std::initializer_list<const char*> utf8) {
    std::vector<std::string> v;
    for (const char* s : utf8)
        v.push_back(cp1252(s));
    return v;
}

std::string two(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

void writeSheetDictionaries(const Output& out) {
    out.writeCpt("Ark\\tdati_ita.cpt", Form::Str,
                 lines({"ADati generali", "BMotore", "CAlimentazione", "DAccensione", "EDistribuzione",
                        "FLubrificazione", "GRaffreddamento", "HFreni", "RSerraggi motore",
                        "SSerraggi accensione", "TSerraggi trasmissione", "UClimatizzatore"}));
    out.writeCpt("Ark\\dati_ita.cpt", Form::Str,
                 lines({"A01Codice motore",
                        "A02Cilindrata",
                        "A03Alesaggio x corsa",
                        "A04Rapporto di compressione",
                        "A05Potenza massima",
                        "B01Pressione di compressione",
                        "B02Differenza max tra cilindri",
                        "C01Regime di minimo",
                        "C02CO al minimo",
                        "C03Pressione carburante",
                        "C05Filtro carburante",
                        "D01Ordine di accensione",
                        "D02Anticipo al minimo",
                        "D03Candele",
                        "D04Distanza elettrodi",
                        "E01Gioco valvole aspirazione",
                        "E02Gioco valvole scarico",
                        "F01Pressione olio al minimo",
                        "F02Capacità olio con filtro",
                        "G01Termostato inizio apertura",
                        "H01Spessore minimo dischi",
                        "R01Serraggio testata",
                        "R02SEQUENZA SERRAGGIO TESTATA",
                        "R03Serraggio supporti di banco",
                        "R04Sequenza serraggio testata (trasversale)",
                        "R05Serraggio bielle",
                        "R07Serraggio volano",
                        "R08Sequenza serraggio collettore",
                        "S01Candele",
                        "S02Bobina di accensione",
                        "S03Sensore di detonazione",
                        "S04Sonda lambda",
                        "S05Sensore giri",
                        "T01Bulloni ruote",
                        "T02Dado mozzo",
                        "U01Ricarica climatizzatore",
                        "U02Olio compressore",
                        "U03Pressione circuito"}));
    out.writeCpt(
        "Ark\\U_m_ita.cpt", Form::Str,
        lines({"01[mm]Millimetri", "02[bar]Bar", "03[giri/min]Giri al minuto", "04[%]Percentuale in volume",
               "05[cm³]Centimetri cubi", "06[kW]Chilowatt", "07[Nm]Newton metro", "08[°]Gradi", "09[l]Litri",
               "10[°C]Gradi centigradi", "11[g]Grammi", "12[kgm]Chilogrammetri"}));
}

void writeStepDictionary(const Output& out) {
    static const char* const texts[] = {"Serraggio preliminare",
                                        "Rotazione angolare",
                                        "Allentare completamente le viti",
                                        "Ripetere la sequenza di serraggio",
                                        "Lubrificare filetti e sottotesta con olio motore",
                                        "Far girare il motore per 15 minuti",
                                        "Sostituire le viti",
                                        "Verificare l'allungamento delle viti",
                                        "Serraggio",
                                        "Serraggio finale",
                                        "1a fase",
                                        "2a fase",
                                        "3a fase",
                                        "Viti esterne",
                                        "Viti interne",
                                        "Viti M8",
                                        "Viti M10",
                                        "Viti M12",
                                        "Dadi",
                                        "Cappelli",
                                        "Serraggio a coppia",
                                        "Preserraggio",
                                        "Viti corte",
                                        "Viti lunghe",
                                        "Chiave dinamometrica",
                                        "Serraggio di controllo",
                                        "Viti 1-10",
                                        "Viti 11-18",
                                        "Supporti albero a camme",
                                        "Coperchio punterie",
                                        "Collettore aspirazione",
                                        "Collettore scarico",
                                        "Coppa olio",
                                        "Puleggia albero motore",
                                        "Pompa acqua",
                                        "Pompa olio",
                                        "Dadi bielle",
                                        "Cappelli di banco laterali",
                                        "Viti volano nuove",
                                        "Rotazione viti interne",
                                        "Rotazione viti esterne",
                                        "Viti M6",
                                        "Viti M14",
                                        "Ulteriore rotazione",
                                        "Rotazione finale",
                                        "Controllare la planarità della testata",
                                        "Viti supplementari",
                                        "Viti centrali",
                                        "Nota sostituire la guarnizione",
                                        "Nota non riutilizzare le viti",
                                        "Nota valori a motore freddo"};
    std::vector<std::string> v;
    for (int i = 0; i < 51; ++i)
        v.push_back("S" + two(i) + cp1252(texts[i]));
    out.writeCpt("ser\\ser_ita.cpt", Form::Line, v);
}

// ---------------------------------------------------------------- pictures

void bolt(QPainter& p, QPointF c, double r) {
    p.setBrush(vga(7));
    p.setPen(QPen(vga(8), 1));
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
        const double a = 3.14159265 / 3 * i;
        hex << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    p.drawPolygon(hex);
    p.setBrush(vga(15));
    p.drawEllipse(c, r / 2.5, r / 2.5);
}

void cylinderHead(QPainter& p, const QRect& r) {
    const QRect head = r.adjusted(r.width() / 10, r.height() / 4, -r.width() / 10, -r.height() / 4);
    p.setPen(QPen(vga(0), 2));
    p.setBrush(vga(7));
    p.drawRoundedRect(head, 6, 6);
    p.setBrush(vga(8));
    const int n = 4;
    for (int i = 0; i < n; ++i) {
        const int cx = head.left() + head.width() * (2 * i + 1) / (2 * n);
        p.drawEllipse(QPoint(cx, head.center().y()), head.height() / 5, head.height() / 5);
    }
    for (int i = 0; i <= n; ++i) {
        const double x = head.left() + head.width() * double(i) / n;
        const double xx = i == 0 ? x + 8 : i == n ? x - 8 : x;
        bolt(p, QPointF(xx, head.top() + 8), 5);
        bolt(p, QPointF(xx, head.bottom() - 8), 5);
    }
}

void crankshaft(QPainter& p, const QRect& r) {
    p.setPen(QPen(vga(0), 2));
    const int y = r.center().y();
    p.setBrush(vga(7));
    p.drawRect(QRect(r.left() + 8, y - 5, r.width() - 16, 10));
    for (int i = 0; i < 5; ++i) {
        const int x = r.left() + 14 + i * (r.width() - 28) / 4;
        p.setBrush(vga(11));
        p.drawRect(QRect(x - 7, y - 18, 14, 36));
        p.setBrush(vga(8));
        p.drawRect(QRect(x - 10, y + 18, 20, 8));
        bolt(p, QPointF(x - 6, y + 30), 3.5);
        bolt(p, QPointF(x + 6, y + 30), 3.5);
    }
}

void connectingRod(QPainter& p, const QRect& r) {
    p.setPen(QPen(vga(0), 2));
    p.setBrush(vga(7));
    const QPoint top(r.center().x(), r.top() + r.height() / 5);
    const QPoint bottom(r.center().x(), r.bottom() - r.height() / 4);
    QPainterPath path;
    path.moveTo(top.x() - 6, top.y());
    path.lineTo(bottom.x() - 12, bottom.y());
    path.lineTo(bottom.x() + 12, bottom.y());
    path.lineTo(top.x() + 6, top.y());
    path.closeSubpath();
    p.drawPath(path);
    p.drawEllipse(top, 10, 10);
    p.drawEllipse(bottom, 20, 20);
    p.setBrush(vga(15));
    p.drawEllipse(top, 5, 5);
    p.drawEllipse(bottom, 12, 12);
    bolt(p, QPointF(bottom.x() - 24, bottom.y() + 4), 4);
    bolt(p, QPointF(bottom.x() + 24, bottom.y() + 4), 4);
}

void flywheel(QPainter& p, const QRect& r) {
    const QPoint c = r.center();
    const int R = std::min(r.width(), r.height()) / 2 - 6;
    p.setPen(QPen(vga(0), 2));
    p.setBrush(vga(8));
    p.drawEllipse(c, R, R);
    p.setBrush(vga(7));
    p.drawEllipse(c, R - 6, R - 6);
    p.setBrush(vga(15));
    p.drawEllipse(c, R / 4, R / 4);
    for (int i = 0; i < 6; ++i) {
        const double a = 3.14159265 / 3 * i;
        bolt(p, QPointF(c.x() + R / 2.2 * std::cos(a), c.y() + R / 2.2 * std::sin(a)), 4);
    }
}

void tools(QPainter& p, const QRect& r) {
    // A torque wrench and an angle gauge.
    p.setPen(QPen(vga(0), 2));
    p.setBrush(vga(7));
    p.save();
    p.translate(r.center());
    p.rotate(-30);
    p.drawRoundedRect(QRect(-r.width() / 3, -6, r.width() * 2 / 3, 12), 5, 5);
    p.setBrush(vga(8));
    p.drawEllipse(QPoint(r.width() / 3, 0), 14, 14);
    p.setBrush(vga(12));
    p.drawRect(QRect(-r.width() / 3, -8, 30, 16));
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(vga(1), 2));
    const QRect gauge(r.left() + 12, r.bottom() - r.height() / 3, r.width() / 3, r.width() / 3);
    p.drawPie(gauge, 0, 180 * 16);
    for (int a = 0; a <= 180; a += 30) {
        const double rad = a * 3.14159265 / 180;
        const QPointF c = gauge.center();
        p.drawLine(
            QPointF(c.x() + gauge.width() / 2.6 * std::cos(rad), c.y() - gauge.width() / 2.6 * std::sin(rad)),
            QPointF(c.x() + gauge.width() / 2.0 * std::cos(rad),
                    c.y() - gauge.width() / 2.0 * std::sin(rad)));
    }
}

using Artwork = void (*)(QPainter&, const QRect&);

void writeJointPictures(const Output& out) {
    struct Joint {
        const char* button;
        const char* page;
        const char* caption;
        int background;
        Artwork art;
    };
    const Joint joints[] = {
        {"ser\\ts_testa.gif", "ser\\testata.gif", "TESTATA", 14, cylinderHead},
        {"ser\\ts_banco.gif", "ser\\banco.gif", "BANCO", 14, crankshaft},
        {"ser\\ts_biell.gif", "ser\\biella.gif", "BIELLE", 14, connectingRod},
        {"ser\\ts_volan.gif", "ser\\volano.gif", "VOLANO", 14, flywheel},
    };
    for (const auto& j : joints) {
        // The button shows its caption under the picture.
        writePicture(out, j.button, PictureFormat::Gif, QSize(100, 68), vga(j.background),
                     [&](QPainter& p, const QRect& r) { j.art(p, r.adjusted(2, 0, -2, 0)); });
        writePicture(out, j.page, PictureFormat::Gif, QSize(300, 300), vga(15),
                     [&](QPainter& p, const QRect& r) {
                         p.setPen(QPen(vga(8), 1));
                         p.drawRect(r.adjusted(0, 0, -1, -1));
                         j.art(p, r.adjusted(20, 20, -20, -40));
                         p.setPen(vga(1));
                         drawCaption(p, QRect(0, r.height() - 34, r.width(), 24), j.caption, 16);
                     });
    }
    writePicture(out, "ser\\tool.gif", PictureFormat::Gif, QSize(300, 300), vga(15),
                 [](QPainter& p, const QRect& r) {
                     p.setPen(QPen(vga(8), 1));
                     p.drawRect(r.adjusted(0, 0, -1, -1));
                     tools(p, r.adjusted(20, 20, -20, -40));
                     p.setPen(vga(1));
                     drawCaption(p, QRect(0, r.height() - 34, r.width(), 24), "ATTREZZATURA", 16);
                 });
}

// ---------------------------------------------------------------- detail pages

void writeDetailPages(const Output& out) {
    out.writeCpt("ser\\test_ita.cpt", Form::Line,
                 lines({"[SERRAGGIO DELLA TESTATA]", "", "Prima del montaggio:",
                        "- pulire accuratamente i piani di appoggio di testata e basamento;",
                        "- {sostituire sempre la guarnizione} della testata;",
                        "- lubrificare filetti e sottotesta delle viti con olio motore.", "",
                        "Serrare le viti nell'ordine indicato dalla sequenza del foglio dati,",
                        "partendo dalle viti centrali verso l'esterno.", "",
                        "[Attenzione:] le viti con serraggio angolare {non vanno riutilizzate}.",
                        "Non eseguire il serraggio di controllo a motore caldo."}));
    out.writeCpt("ser\\banc_ita.cpt", Form::Line,
                 lines({"[SUPPORTI DI BANCO]", "", "Montare i cappelli di banco rispettando la numerazione",
                        "e l'orientamento (frecce verso la distribuzione).", "",
                        "Serrare in due fasi dal centro verso le estremità.",
                        "{Controllare il gioco assiale} dell'albero motore dopo il serraggio."}));
    out.writeCpt("ser\\biel_ita.cpt", Form::Line,
                 lines({"[BIELLE]", "", "I cappelli di biella non sono intercambiabili:",
                        "{montarli sulla propria biella} con i riferimenti allineati.", "",
                        "Lubrificare i cuscinetti prima del montaggio."}));
    out.writeCpt("ser\\vola_ita.cpt", Form::Line,
                 lines({"[VOLANO]", "", "Usare sempre {viti nuove} con frenafiletti.",
                        "Bloccare il volano con l'attrezzo apposito e serrare a croce."}));
    std::vector<std::string> tool = lines({"[ATTREZZATURA SPECIALE]", ""});
    static const char* const items[] = {"Chiave dinamometrica 5-60 Nm",
                                        "Chiave dinamometrica 40-200 Nm",
                                        "Goniometro per serraggio angolare",
                                        "Bloccaggio volano",
                                        "Estrattore puleggia albero motore",
                                        "Riga di controllo planarità",
                                        "Spessimetro 0,05-1,00 mm",
                                        "Bussola Torx E12",
                                        "Bussola Torx E14",
                                        "Prolunga 250 mm"};
    for (int i = 0; i < 80; ++i) {
        const std::string code = "AT-" + std::to_string(100 + i);
        tool.push_back(cp1252(("{" + code + "}  ").c_str()) + cp1252(items[i % 10]) +
                       (i % 10 == 0 ? cp1252("  [obbligatoria]") : std::string()));
    }
    tool.push_back("");
    tool.push_back(cp1252("Gli attrezzi [obbligatori] sono necessari per rispettare i valori."));
    out.writeCpt("ser\\tool_ita.cpt", Form::Line, tool);
}

// ---------------------------------------------------------------- A/C

void acCircuit(QPainter& p, const QRect& r, int n) {
    // Compressor, condenser, expansion element and evaporator in a loop.
    p.setPen(QPen(vga(0), 2));
    const QRect comp(r.left() + 20, r.center().y() - 20, 40, 40);
    const QRect cond(r.center().x() - 50, r.top() + 14, 100, 26);
    const QRect evap(r.center().x() - 50, r.bottom() - 40, 100, 26);
    const QRect exp(r.right() - 54, r.center().y() - 14, 34, 28);
    p.setPen(QPen(vga(9), 3));
    p.drawLine(comp.center().x(), comp.top(), comp.center().x(), cond.center().y());
    p.drawLine(comp.center().x(), cond.center().y(), cond.left(), cond.center().y());
    p.drawLine(cond.right(), cond.center().y(), exp.center().x(), cond.center().y());
    p.drawLine(exp.center().x(), cond.center().y(), exp.center().x(), exp.top());
    p.setPen(QPen(vga(12), 3));
    p.drawLine(exp.center().x(), exp.bottom(), exp.center().x(), evap.center().y());
    p.drawLine(exp.center().x(), evap.center().y(), evap.right(), evap.center().y());
    p.drawLine(evap.left(), evap.center().y(), comp.center().x(), evap.center().y());
    p.drawLine(comp.center().x(), evap.center().y(), comp.center().x(), comp.bottom());
    p.setPen(QPen(vga(0), 2));
    p.setBrush(vga(7));
    p.drawEllipse(comp);
    p.setBrush(vga(9));
    p.drawRect(cond);
    p.setBrush(vga(12));
    p.drawRect(evap);
    p.setBrush(n % 2 ? vga(14) : vga(10));
    p.drawRect(exp);
    if (n == 4) p.drawRect(evap.translated(0, -34).adjusted(20, 0, -20, 0));
}

void writeAc(const Output& out) {
    static const char* const labels[] = {"Controllare l'assenza di perdite",
                                         "Sostituire il filtro disidratatore",
                                         "Olio compressore PAG 46",
                                         "Olio compressore PAG 100",
                                         "Olio compressore POE",
                                         "Eseguire il vuoto per 30 minuti",
                                         "Verificare la pressione statica",
                                         "Compressore a cilindrata variabile",
                                         "Valvola di espansione termostatica",
                                         "Tubo calibrato",
                                         "Doppio evaporatore",
                                         "Non miscelare i refrigeranti",
                                         "Utilizzare guarnizioni nuove",
                                         "Controllare la cinghia del compressore",
                                         "Recuperare il refrigerante prima dello smontaggio",
                                         "Quantità con filtro nuovo",
                                         "Verificare la ventola",
                                         "Impianto con sensore di pressione",
                                         "Impianto con pressostato trinario",
                                         "Prima carica di fabbrica",
                                         "Quantità indicativa"};
    std::vector<std::string> ric;
    for (int k = 0; k < 21; ++k)
        ric.push_back("A" + two(k) + cp1252(labels[k]));
    out.writeCpt("air\\ric_ita.cpt", Form::Line, ric);
    static const char* const captions[] = {"Circuito con valvola di espansione",
                                           "Circuito con tubo calibrato",
                                           "Circuito con compressore a cilindrata variabile",
                                           "Circuito con doppio evaporatore",
                                           "Circuito con pompa di calore",
                                           "Circuito con scambiatore interno",
                                           "Circuito di riserva",
                                           "Circuito per veicoli commerciali"};
    // Six captions: the last two options keep their design caption.
    out.writeCpt("air\\Qdia_ita.cpt", Form::Line,
                 lines({captions[0], captions[1], captions[2], captions[3], captions[4], captions[5]}));
    for (int n = 1; n <= 8; ++n) {
        std::vector<std::string> cl = {cp1252(captions[n - 1])};
        if (n != 5) {
            const int rows = 6 + n % 5;
            static const char* const table[] = {
                "Pressione bassa        1,5 - 2,5 bar", "Pressione alta        12 - 16 bar",
                "Temperatura uscita aria  4 - 8 °C",    "Surriscaldamento       5 - 8 K",
                "Sottoraffreddamento    4 - 7 K",       "Olio nel circuito     120 - 150 cm³",
                "Pressostato bassa      2,0 bar",       "Pressostato alta      28 bar",
                "Ventola 2a velocità   18 bar",         "Tempo di vuoto        30 min"};
            for (int i = 0; i < rows; ++i)
                cl.push_back(cp1252(table[i]));
        }
        if (n != 7) out.writeCpt("air\\tx_ita\\cl" + two(n) + ".cpt", Form::Line, cl);
        writePicture(out, "air\\cl" + two(n) + ".gif", PictureFormat::Gif, QSize(270, 164), vga(15),
                     [&](QPainter& p, const QRect& r) {
                         p.setPen(QPen(vga(8), 1));
                         p.drawRect(r.adjusted(0, 0, -1, -1));
                         acCircuit(p, r.adjusted(6, 6, -6, -6), n);
                     });
    }
}

} // namespace

void writeMechanical(const Output& out) {
    writeSheetDictionaries(out);
    writeStepDictionary(out);
    writeJointPictures(out);
    writeDetailPages(out);
    writeAc(out);
}

} // namespace sampledata
