#include "core/start_window.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/language.h"
#include "platform/leftovers.h"
#include "platform/log.h"
#include "platform/program_folder.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QLinearGradient>
#include <QPainter>

namespace core {

const char* const kDealerData = "Servizio clienti\r\nVia dell'Officina 12 - 40100 Bologna\r\n"
                                "Tel. 051 000 0000 - Fax 051 000 0001\r\nassistenza@catalogo.example";

const char* const kNoProgramFolder =
    "The folder of this program cannot be found, so its data cannot be read. The program ends and has "
    "changed no file.";

namespace {

const char* const kLanguageCaptions[5] = {"Italiano", "English", "Portugu\352s", "Fran\347ais", "Espa\361ol"};

const std::string kPreferenceFile = "kvt95.ccc";

// A preference file has the expected form when it starts with "_" and three
// letters; every file this program writes passes.
bool preferenceHasExpectedForm(const std::string& bytes) {
    return bytes.size() >= 4 && vb::isLanguage(std::string_view(bytes).substr(0, 4));
}

void writePreference() {
    // A folder that cannot be written must not stop the program; the
    // language is asked again at the next start.
    try {
        vb::writeAt(AppPath + "\\" + kPreferenceFile, 1, Lang.substr(0, 4));
    } catch (const vb::VbError& e) {
        qCWarning(vb::lcFiles).noquote() << "language preference not written:" << vb::toQt(e.description());
    }
}

// Whether the program folder's preference file names lang now: the
// preference that this start read or wrote there.
bool holdsPreference(const std::string& lang) {
    try {
        return vb::readStart(AppPath + "\\" + kPreferenceFile, 4) == lang;
    } catch (const vb::VbError&) {
        return false;
    }
}

std::string resolutionWarning(const std::string& lang) {
    if (lang == "_ita")
        return "Attenzione! Per la corretta visualizzazione del programma impostare la risoluzione video "
               "minima "
               "di 800x600.";
    if (lang == "_ing")
        return "Attention! Set the screen resolution to 800x600 for the correct visualization of the "
               "program.";
    if (lang == "_fra")
        return "Attention! Mettez la r\xE9solution de la vid\xE9o \xE0 800x600 pour la visualisation "
               "correcte du "
               "logiciel.";
    if (lang == "_spa")
        return "Atenci\xF3n! Ponga la resoluci\xF3n del monitor a 800x600 para la visualizaci\xF3n correcta "
               "del "
               "programa.";
    if (lang == "_por")
        return "Aten\xE7\xE3o! Fixe a resolu\xE7\xE3o de monitor a 800x600 para a visualiza\xE7\xE3o correta "
               "do "
               "programa.";
    return {};
}

// The design-time pictures of the start window.
QPixmap bandPicture(int w, int h, QColor top, QColor bottom) {
    QPixmap pm(std::max(1, w), std::max(1, h));
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(pm.rect(), g);
    return pm;
}

} // namespace

bool IsResolutionOK() {
    return vb::services().screenWidth() >= 12000;
}

void InitModule() {
    // Every file the program reads or writes lies below its own folder:
    // where that cannot be told, it ends before it touches any file.
    // A fault met by the proof (a lack of descriptors or memory that
    // outlasted its tries, a read error, a refusal) is told as itself: the
    // folder may well be there.
    if (!vb::programFolderKnown()) {
        const vb::ProofFault fault = vb::programFolderFault();
        vb::MsgBox(fault.number ? vb::faultMessage(fault.number, fault.file) : kNoProgramFolder,
                   vb::vbCritical);
        vb::EndFatal();
    }
    InitKeys();
    Languages = {"_ita", "", "", "", ""};
    InitIdentityTable();
    AppPath = vb::programFolder();

    // The preference is written anew only where there is none, or where it
    // does not have the expected form. Any other failure to read it (a lack
    // of descriptors or memory, a read error, a refusal) may pass: the file
    // keeps the language the user chose, this run goes on in the first one,
    // and the failure is reported as that of any file read.
    const std::string pref = AppPath + "\\" + kPreferenceFile;
    bool taken = false, unreadable = false;
    try {
        // Only the suffix matters: a huge or damaged file costs nothing.
        const std::string bytes = vb::readStart(pref, 4);
        taken = preferenceHasExpectedForm(bytes);
        if (taken) Lang = bytes.substr(0, 4);
    } catch (const vb::VbError& e) {
        unreadable = e.number() != vb::errFileNotFound;
        if (unreadable) vb::reportError(vb::describeError(std::current_exception()));
    }
    if (!taken) {
        for (const auto& l : Languages)
            if (!l.empty()) {
                Lang = l;
                break;
            }
        if (!unreadable) writePreference();
    }

    if (!IsResolutionOK()) vb::MsgBox(resolutionWarning(Lang), vb::vbOKOnly, Des[2]);

    NewsFile = AppPath + "\\ark\\xNew" + Lang + ".rtf";
    const bool labelsRead = LoadDescrTable();
    // What a program killed before it could clean up left behind goes,
    // beside the start rather than before it, and only from a folder that
    // holds this program's own data: the preference in place and the first
    // data file read. The executable alone, copied or linked into a user's
    // folder, makes that folder no installation of the program, and its
    // files are none of the program's.
    if (labelsRead && holdsPreference(Lang)) vb::startRemovingLeftoverTemporaries();
    LoadListAllDescr();
    LoadListAllDescrSecond();
    DiagramMode = 0;
}

Form1::Form1() : vb::Form(kFormName) {
    for (int i = 0; i < 5; ++i) {
        auto& b = Command1.add(*this, "Command1", i);
        b.setCaption(kLanguageCaptions[i]);
        b.Move(0, 3900 + i * 600, 2055, 495);
        b.Click = [this, i] { Command1_Click(i); };
    }
    Image1.Move(0, 1700, 9000, 90);
    Image1.setStretch(true);
    Image3.setStretch(true);
    Image3.widget()->lower();
    Image1.setPicture(bandPicture(300, 80, QColor(0x1F, 0x3A, 0x6E), QColor(0x4F, 0x7A, 0xB8)));
    Image3.setPicture(bandPicture(16, 256, QColor(0xE8, 0xEE, 0xF6), QColor(0x9F, 0xB6, 0xD6)));
    Image2.setVisible(false);
    Label9.Move(0, 1950, 9000, 400);
    Label9.setForeColor(kNavy);
    Label9.setAlignment(2);
    Label1.Move(0, 2400, 9000, 3000);
    Label1.setAlignment(2);
    LabelDataClient.Move(0, 5700, 6000, 1100);
    LabelDataClient.setAlignment(2);
    LabelDataClient.setVisible(false);
    Label5.Move(0, 8000, 6000, 300);
    Label5.setAlignment(2);
    Label5.setCaption("Catalogo tecnico per l'officina");
    Line1.setY1(1850);
    Line1.setY2(1850);
    Line2.setY1(5500);
    Line2.setY2(5500);
    Line3.setY1(7000);
    Line3.setY2(7000);
    ListAllDescr.setVisible(false);
    ListAllDescrSecond.setVisible(false);
}

void Form1::Form_Load() {
    InitModule();
    setCaption(windowCaption());
    fillScreen(*this);
    LabelDataClient.setCaption("");
    Label9.setCaption(Des[82]);
    LoadScrambledFile(AppPath + "\\mas\\xlogo.gif", 1);
    Image1.setLeft((Width() - Image1.Width()) / 2);
    Image3.setLeft(0);
    Image3.setWidth(Width());
    Image3.setHeight(Height() / 2);
    Image3.setTop(Height() - Image3.Height());
    ArrangeControls();
    const auto hand = handCursor();
    for (auto& b : Command1)
        pointWithHand(*b, hand);
    SetLanguageButtons();
    LoadIntroText();
    ShowDealerData();
    Image2.setVisible(true);
    Label9.setLeft((Width() - Label9.Width()) / 2);
    LabelDataClient.setLeft((Width() - LabelDataClient.Width()) / 2);
    Label1.setLeft((Width() - Label1.Width()) / 2);
    setTextFonts();
}

// Set at the end of the load rather than with the other design-time
// properties: the family may still be registering beside the start-up
// (app/main.cpp), and building a font in it waits for that.
void Form1::setTextFonts() {
    // Bold first, so that the title's font is built and resolved once.
    Label9.setFontBold(true);
    Label9.setFont(kStartWindowFont, 12);
    Label1.setFont(kStartWindowFont, 9.75);
}

void Form1::Form_Resize() {
    ArrangeControls();
}

void Form1::ArrangeControls() {
    const int W = Width(), H = Height();
    Image2.setTop(50);
    Image2.setLeft(0);
    for (vb::Line* l : {&Line1, &Line2, &Line3}) {
        l->setX1(-100);
        l->setX2(W - 1400);
    }
    for (auto& b : Command1)
        b->setLeft(W - 200 - b->Width());
    for (vb::Label* l : {&Label9, &LabelDataClient, &Label1, &Label5})
        l->setLeft((W - l->Width()) / 2);
    Label5.setTop(H - 750);
}

void Form1::SetLanguageButtons() {
    for (int i = 0; i < 5; ++i)
        Command1(i).setEnabled(!Languages[size_t(i)].empty());
}

void Form1::LoadIntroText() {
    Label1.setCaption("");
    const std::string path = AppPath + "\\mas\\tut" + Lang + ".cpt";
    if (vb::fileAvailable(path)) {
        std::string text;
        try {
            text = vb::readAll(path);
        } catch (const vb::VbError& e) {
            // The introduction stays empty.
            qCWarning(vb::lcFiles).noquote()
                << "introduction" << vb::toQt(path) << "not read:" << vb::toQt(e.description());
        }
        std::string caption;
        forEachCptLine(text, [&](const std::string& line) { caption += "\r\n" + decodeLineLenient(line); });
        Label1.setCaption(caption);
    } else {
        vb::Beep();
        MsgBoxStd("\\mas\\tut" + Lang + ".cpt not Available!", vb::vbInformation);
    }
}

void Form1::ShowDealerData() {
    LabelDataClient.setCaption(kDealerData);
    LabelDataClient.setVisible(true);
}

void Form1::Command1_Click(int Index) {
    SelectLanguage(Index);
    if (UpdateReminderDate < vb::services().today()) ShowUpdateNotice(Index);
    vb::showModalByName("Form2", this);
    if (LanguageChanged) Form_Load();
}

void Form1::SelectLanguage(int Index) {
    if (Languages[size_t(Index)] == Lang) return;
    Lang = Languages[size_t(Index)];
    LanguageChanged = true;
    writePreference();
    NewsFile = AppPath + "\\ark\\xNew" + Lang + ".rtf";
    LoadDescrTable();
    LoadListAllDescr();
    LoadListAllDescrSecond();
}

void Form1::ShowUpdateNotice(int Index) {
    vb::Beep();
    // The notice in the language of each button: its text up to the
    // supplier, then before the phone numbers and before the web site; the
    // title after the supplier. Any other button has the last.
    struct Notice {
        const char *lead, *phones, *site, *title;
    };
    static const Notice notices[5] = {
        {"Gentile cliente,\r\nil software in uso potrebbe non essere l'ultima versione disponibile: per "
         "l'aggiornamento contatti il suo rivenditore o direttamente ",
         " ai numeri ", " o sul sito ", " - Aggiornamento del software"},
        {"Dear customer,\r\nthis software may not be the latest version: to update it please contact your "
         "dealer or ",
         " directly at ", " or on ", " - Software update"},
        {"Caro cliente,\r\neste software pode n\xE3o ser a vers\xE3o mais recente: para o actualizar "
         "contacte o seu revendedor ou directamente ",
         " pelos n\xFAmeros ", " ou no s\xEDtio ", ""},
        {"Cher client,\r\nce logiciel n'est peut-\xEAtre pas la derni\xE8re version: pour la mise \xE0 "
         "jour contactez votre revendeur ou directement ",
         " aux num\xE9ros ", " ou sur le site ", " - Mise \xE0 jour du logiciel"},
        {"Estimado cliente,\r\neste software puede no ser la \xFAltima versi\xF3n: para actualizarlo "
         "contacte con su distribuidor o directamente con ",
         " en los n\xFAmeros ", " o en el sitio ", ""},
    };
    const Notice& n = notices[Index >= 0 && Index < 4 ? Index : 4];
    const std::string& supplier = Des[2];
    vb::MsgBox(n.lead + supplier + n.phones + Des[4] + n.site + Des[3] + ".", vb::vbInformation,
               supplier + n.title);
}

void Form1::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 27) vb::End();
}

void registerCoreWindows() {
    // An error that escaped a window's handler reads like the other file
    // errors of the program.
    vb::setErrorReporter([](const std::string& text) { MsgBoxStd(text, vb::vbCritical); });
    vb::FormRegistry::add<Form1>();
    registerPictureTarget<Form1>(1, &Form1::Image2);
}

} // namespace core
