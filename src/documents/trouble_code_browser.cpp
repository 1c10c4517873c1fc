#include "documents/trouble_code_browser.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "documents/trouble_codes.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/fonts.h"
#include "platform/geometry.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QListWidget>
#include <QResizeEvent>
#include <exception>

namespace documents {
namespace {

using core::Des;

constexpr std::int32_t kWhite = 0xFFFFFF;

std::string cp(const char* utf8) {
    return vb::fromQt(QString::fromUtf8(utf8));
}

struct PanelColours {
    std::int32_t strong, light;
};
const PanelColours kPanel[4] = {
    {vb::RGB(255, 192, 128), vb::RGB(255, 224, 192)},
    {vb::RGB(255, 255, 128), vb::RGB(255, 255, 192)},
    {vb::RGB(128, 255, 128), vb::RGB(192, 255, 192)},
    {vb::RGB(0, 255, 255), vb::RGB(192, 255, 255)},
};

// A panel of the window: a frame on its white ground, titled in bold Tahoma
// of the given colour and size.
void setUpPanel(vb::Frame& panel, vb::PictureBox& ground, std::int32_t titleColour, double titlePoints) {
    panel.setContainer(&ground);
    panel.setForeColor(titleColour);
    panel.setBackColor(kWhite);
    panel.setFont("Tahoma", titlePoints, true);
}

// The text of a panel, in bold Tahoma of the given colour and size.
void setUpPanelText(vb::Label& text, vb::Frame& panel, std::int32_t colour, double points) {
    text.setContainer(&panel);
    text.setForeColor(colour);
    text.setFont("Tahoma", points);
    text.setFontBold(true);
}

} // namespace

Form4::Form4() : vb::Form(kFormName), LogoHeader(this, 630) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    Picture1.Move(0, 740, 11850, 6855);
    Picture1.setBackColor(kWhite);

    setUpPanel(Frame1, Picture1, core::kTitleBlue, 11.25);
    Frame1.Move(0, 0, 4815, 3135);
    Frame1.setCaption(" Trouble Code Selection ");
    setUpPanelText(Label2, Frame1, vb::RGB(0, 0, 255), 9.75);
    Label2.Move(240, 360, 1125, 240);
    Combo1.setContainer(&Frame1);
    Combo1.Move(240, 720, 2655, 360);
    Combo1.setColors(vb::RGB(192, 255, 255), 0);
    Combo1.setFont("Tahoma", 9.75, true);
    List1.setContainer(&Frame1);
    List1.Move(3120, 720, 1455, 2190);
    {
        QWidget* w = List1.widget();
        w->setStyleSheet(QStringLiteral("QListWidget { background: #c0ffff; color: black; }"));
        w->setFont(vb::windowFont("Tahoma", 9.75, true));
    }

    // The description and explanation panels end at the ground's right and
    // bottom edges, so that their borders show whole on it.
    setUpPanel(Frame2, Picture1, core::kTitleBlue, 11.25);
    Frame2.Move(4890, 0, Picture1.Width() - 4890, 3135);
    setUpPanelText(Label3, Frame2, vb::RGB(255, 0, 0), 11.25);
    Label3.Move(120, 360, 6615, 2535);
    // A description as long as its field takes about four of the nine lines
    // that its frame holds.
    Label3.setSpacedLines(true);

    setUpPanel(Frame3, Picture1, vb::RGB(255, 0, 0), 9.75);
    Frame3.Move(0, 3140, Picture1.Width(), Picture1.Height() - 3140);
    Frame3.setCaption("Come interpretare un codice errore");
    Label1.setContainer(&Frame3);
    Label1.Move(120, 240, 11655, 495);
    Label1.setFont("Tahoma", 9);
    // Its second line ends before the example code's boxes beside it.
    Label1.setSpacedLines(true);

    static const int box[4][4] = {
        {1890, 480, 195, 285}, {2160, 480, 165, 285}, {2400, 480, 165, 285}, {2640, 480, 315, 285}};
    static const char* example[4] = {"P", "0", "1", "64"};
    static const int explLeft[4] = {80, 3030, 5980, 8940};
    static const int legendLeft[4] = {75, 3030, 5985, 8940};
    for (int i = 0; i < 4; ++i) {
        vb::Label& b = Label4.add(*this, "Label4", i);
        b.setContainer(&Frame3);
        b.Move(box[i][0], box[i][1], box[i][2], box[i][3]);
        b.setTransparent(false);
        b.setBackColor(kPanel[i].strong);
        b.setAlignment(2);
        b.setFont("Tahoma", 12);
        b.setFontBold(true);
        b.setCaption(example[i]);

        vb::Label& e = Label10.add(*this, "Label10", i);
        e.setContainer(&Frame3);
        e.Move(explLeft[i], 840, i == 0 ? 2865 : 2860, 2175);
        e.setTransparent(false);
        e.setBackColor(kPanel[i].light);
        e.setFont("MS Sans Serif", 8.25);

        vb::Label& l = Label11.add(*this, "Label11", i);
        l.setContainer(&Frame3);
        l.Move(legendLeft[i], 3000, 2865, i == 3 ? 615 : 495);
        l.setTransparent(false);
        l.setBackColor(kPanel[i].strong);
        l.setFont("Tahoma", i == 3 ? 9 : 9.75);
        l.setFontBold(true);
        l.setSpacedLines(true);
    }
    // The last meaning takes three lines: its box grows downwards to hold
    // them, inside the part of the panel that shows.
    Label11(3).setWordWrap(true);
    Label11(3).setAutoSize(true);

    core::placeButtonBand(Picture2, 0, 12000, 690);
    Command6.setContainer(&Picture2);
    Command6.Move(50, 50, 630, 630);
    Command5.setContainer(&Picture2);
    Command5.Move(720, 50, 630, 630);

    Combo1.Click = {this, &Form4::Combo1_Click};
    List1.Click = {this, &Form4::List1_Click};
    Command5.Click = {this, &Form4::Command5_Click};
    Command6.Click = {this, &Form4::Command6_Click};
}

void Form4::Form_Load() {
    setTop(0);
    setLeft(0);
    core::startFullScreenLoad(*this);
    Picture1.setLeft((Width() - Picture1.Width()) / 2);
    Picture1.setTop((Height() - Picture1.Height()) / 2);
    placeHeader(Width());
    placeBottomBand();
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    Label5.setCaption(vb::Trim(Des[86]));
    Label5.setWidth(Shape2.Width() - Label5.Left());
    Label5.setTop(Shape2.Top() + (Shape2.Height() - Label5.Height()) / 2);
    Command5.setLeft(Command6.Width() + 30);
    setCancelButton(&Command6);
    const auto hand = core::handCursor();
    core::dressButton(Command5, "tastext1.gif", "F1 = " + Des[85], hand);
    core::dressButton(Command6, "left.gif", Des[42], hand);
    Frame1.setCaption(Des[88] + " " + Des[89]);
    Label2.setCaption(Des[87]);
    Label3.setCaption("");

    Load_ComboMarche();

    Label1.setCaption(cp("Un codice EOBD/OBDII è formato da cinque caratteri alfa-numerici (da lettere e "
                         "numeri) e si legge da sinistra verso destra. Per esempio esaminiamo il codice:"));
    Label10(0).setCaption(
        cp("Il primo carattere è il prefisso che definisce il Gruppo di sistemi al quale si "
           "riferisce il codice:\r\n\r\nP = Motore/Trasmissione\r\nC = Telaio\r\nB = "
           "Carrozzeria\r\nU = Sistemi di comunicazione"));
    Label10(1).setCaption(
        cp("Il secondo carattere definisce l'appartenenza del codice:\r\n\r\n0 = Standard ( "
           "Tutti i costruttori )\r\nda 1 a 9 = Definito dal Costruttore"));
    Label10(2).setCaption(
        cp("Il terzo carattere definisce a quale sistema/circuito si riferisce il "
           "codice:\r\n\r\n0/1/2 = Carburante/Aria\r\n3 = Accensione\r\n4 = Controllo Emissioni "
           "Gas\r\n5 = Controllo della Velocità\r\n6 = Computer di Bordo\r\n7/8 = "
           "Cambio/Trasmissione\r\n9 = non assegnato"));
    Label10(3).setCaption(
        cp("La Terza e la Quarta cifra definiscono il guasto specifico:\r\n\r\n- Il "
           "funzionamento difettoso generale.\r\n- La gamma o le prestazioni di un componente o "
           "sistema.\r\n- Valori segnali in entrata Alti o Bassi."));
    Label11(0).setCaption("P =Motore/Trasmissione");
    Label11(1).setCaption("0 =STANDARD");
    Label11(2).setCaption("1 =Carburante/Aria");
    Label11(3).setCaption("64 =Sensore Ossigeno 3, bancata 2. Valore di tensione alto.");
    setMousePointer(vb::vbDefault);
}

void Form4::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 27) {
        Command6_Click();
        KeyCode = 0;
    } else if (KeyCode == 112) {
        Command5_Click();
        KeyCode = 0;
    }
}

void Form4::Load_ComboMarche() {
    const std::string path = core::AppPath + "\\obd\\pmarche.cpt";
    std::string content;
    std::exception_ptr failure;
    try {
        content = vb::readAll(path);
    } catch (const vb::VbError&) {
        failure = std::current_exception();
    }
    Combo1.AddItem("STANDARD");
    for (const std::string& name : readObdBrandList(content))
        Combo1.AddItem(name);
    // Reported after STANDARD is in place, so the window goes on with the
    // generic codes.
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const vb::VbError& e) {
            if (!core::reportedAsShortage(e.number()))
                core::MsgBoxStd("Error: file " + path + " not available", vb::vbCritical);
        }
    }
    Combo1.setListIndex(0);
}

void Form4::Combo1_Click() {
    Frame2.setCaption("");
    Label3.setCaption("");
    Load_ListaCodici();
}

std::string Form4::tablePath() const {
    return core::AppPath + "\\obd\\xcod" + core::Lang + ".dbf";
}

void Form4::reportTable() {
    core::MsgBoxStd("Error: file " + tablePath() + " not available", vb::vbCritical);
}

bool Form4::refreshCodes() {
    try {
        Data1.Refresh();
        Data1.Recordset();
        return true;
    } catch (const db::Error& e) {
        if (!core::reportedAsShortage(e.number())) reportTable();
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number())) reportTable();
    }
    return false;
}

void Form4::Load_ListaCodici() {
    const std::string brand = vb::Trim(Combo1.Text());
    Data1.Connect = "dBASE IV;";
    core::useTableFolder(Data1, "\\obd");
    Data1.RecordSource = obdCodeListQuery(core::Lang, brand);
    List1.Clear();
    if (!refreshCodes()) return;
    db::Recordset& rs = Data1.Recordset();
    if (rs.RecordCount() >= 1) {
        try {
            rs.MoveFirst();
            while (!rs.Eof()) {
                List1.AddItem(obdCode(rs.Fields("C2").value_or("")));
                rs.MoveNext();
            }
        } catch (const vb::VbError& e) {
            // A damaged code: the codes read so far stay listed.
            if (!core::reportedAsShortage(e.number())) reportTable();
        } catch (const db::Error& e) {
            if (!core::reportedAsShortage(e.number())) reportTable();
        }
        if (List1.ListCount() > 0) List1.setListIndex(0);
        return;
    }
    std::string title, prompt;
    if (core::Lang == "_ita") {
        title = "Nessun Codice Proprietario " + brand;
        prompt = "In molti casi i Codici Proprietari P1xxx corrispondono ai Codici Standard P0xxx\r\n"
                 "Si vuole consultare i codici STANDARD ???";
    } else {
        title = brand + " Error codes non found";
        prompt = "In many cases the proprietary codes P1xxx are the same of the standard codes P0xxx.\r\n"
                 "Do You want see the standard codes ???";
    }
    if (vb::MsgBox(prompt, vb::vbYesNo | vb::vbInformation, title) == vb::vbYes) Combo1.setListIndex(0);
}

void Form4::List1_Click() {
    const std::string item = List1.List(List1.ListIndex());
    Frame2.setCaption(Des[89] + ": " + item);
    std::string code = vb::Trim(item);
    Load_DescrizioneCodice(core::ScrambleString(code));
}

void Form4::Load_DescrizioneCodice(const std::string& code) {
    const std::string brand = vb::Trim(Combo1.Text());
    const std::string criteria = obdCodeCriteria(brand, code);
    Data1.Connect = "dBASE IV;";
    core::useTableFolder(Data1, "\\obd");
    Data1.RecordSource = "xcod" + core::Lang + ".dbf";
    if (!refreshCodes()) return;
    db::Recordset& rs = Data1.Recordset();
    if (rs.RecordCount() >= 1) {
        rs.MoveLast();
        rs.MoveFirst();
        bool found = false, unread = false;
        try {
            rs.FindFirst(criteria);
            found = !rs.NoMatch();
        } catch (const db::Error& e) {
            // A code whose stored form cannot be written as criteria is one
            // the table cannot hold. A failure that names the table's file
            // (the find reads it where it changed since) is told as the
            // table's, never as a code not found.
            unread = !e.file().empty();
            if (unread && !core::reportedAsShortage(e.number())) reportTable();
        }
        if (unread) {
            Label3.setCaption("");
        } else if (!found) {
            const bool ita = core::Lang == "_ita";
            vb::MsgBox(ita ? "Codice errore non trovato in " + Combo1.Text() : "Trouble code not found.",
                       vb::vbInformation, ita ? "Trova codice guasto" : "Trouble code search");
            Label3.setCaption("");
        } else {
            try {
                Label3.setCaption(obdDescription(rs.Fields("c3").value_or("")));
            } catch (const vb::VbError& e) {
                Label3.setCaption("");
                if (!core::reportedAsShortage(e.number())) reportTable();
            }
        }
    }
    rs.Close();
    Data1.DatabaseName = "";
}

void Form4::Command5_Click() {
    core::Form13Topic = Name();
    vb::showModalByName("Form13", this);
}

void Form4::Command6_Click() {
    Unload();
}

void Form4::placeBottomBand() {
    Picture2.Move(0, ScaleHeight() - 690, ScaleWidth(), 690);
}

// The button band is aligned to the bottom edge, so it follows any change of
// the window's size (the window's own resize handler does nothing).
void Form4::resizeEvent(QResizeEvent* e) {
    vb::Form::resizeEvent(e);
    const int h = vb::pixelsToTwips(e->size().height());
    const int w = vb::pixelsToTwips(e->size().width());
    Picture2.Move(0, h - 690, w, 690);
}

} // namespace documents
