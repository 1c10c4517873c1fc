#include "documents/manual_viewer.h"

#include "core/interface.h"
#include "core/markup.h"
#include "core/module1.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace documents {
namespace {

using core::Des;

// Rounded half to even, as the layout arithmetic of the page does.
int roundEven(double v) {
    return int(std::lrint(v));
}

} // namespace

Form8::Form8() : vb::Form(kFormName), LogoHeader(this, 6000), frame::GridWheel(this, &MSGrid1) {
    Label1.Move(0, 0, 6000, 260);
    Label1.setForeColor(core::kTitleBlue);
    Label1.setFont("Tahoma", 10);
    Label1.setFontBold(true);
    Label2.Move(0, 0, 9000, 300);
    Label2.setForeColor(core::kTitleBlue);
    Label2.setFont("Tahoma", 11.25);
    Label2.setFontBold(true);

    MSGrid1.setShape(0, 1);
    MSGrid1.setFont("Tahoma", 9.75);
    MSGrid1.setBackColorBkg(0xFFFFFF);
    List2.setVisible(false);
    // The picture takes the size the page leaves it.
    Image2.setStretch(true);

    Line1.setBorderColor(vb::RGB(255, 0, 0));
    Line1.setBorderWidth(3);
    Line1.ZOrder(0);

    core::placeButtonBand(Picture1, 0, 12000, 720);
    for (vb::CommandButton* b : {&Command6, &Command8}) {
        b->setContainer(&Picture1);
        b->Move(50, 45, 630, 630);
    }
    Command7.setContainer(&Picture1);
    Command7.Move(710, 45, 630, 630);
    Command5.Move(0, 50, 630, 305);
    Command1.Move(0, 360, 630, 315);
    for (vb::CommandButton* b : {&Command2, &Command3, &Command4})
        b->Move(0, 50, 630, 630);

    VScroll1.Change = {this, &Form8::VScroll1_Change};
    Command6.Click = {this, &Form8::Command6_Click};
    Command7.Click = {this, &Form8::Command7_Click};
    Command8.Click = {this, &Form8::Command8_Click};
    MSGrid1.DblClick = {this, &Form8::MSGrid1_DblClick};
    Timer1.Tick = {this, &Form8::Timer1_Timer};
}

void Form8::setTabStop(vb::Control& c, bool on) {
    if (QWidget* w = c.widget()) w->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

// A page shows only its back button (Command8); the list shows its open and
// close buttons instead.
void Form8::showPageButtons(bool onPage) {
    Command8.setVisible(onPage);
    Command8.setEnabled(onPage);
    setTabStop(Command8, onPage);
    for (vb::CommandButton* b : {&Command7, &Command6}) {
        b->setVisible(!onPage);
        b->setEnabled(!onPage);
        setTabStop(*b, !onPage);
    }
}

void Form8::placeBand() {
    Picture1.Move(0, ScaleHeight() - Picture1.Height(), ScaleWidth(), Picture1.Height());
}

void Form8::Form_Resize() {
    layOut();
}

// The header and the button band follow the window's size, and the index
// and the page on view are laid out again for it as they are when they
// open, in the font that size takes; a scrolled page keeps its first line.
void Form8::layOut() {
    placeHeader(Width());
    placeBand();
    if (view_ == View::None) return;
    setPageFont();
    if (view_ == View::Help) {
        layOutHelpPage();
        return;
    }
    layOutIndex();
    if (view_ == View::Page) layOutTopicPage();
}

void Form8::setPageFont() {
    if (view_ == View::Help)
        Surface.setPageFont("Courier", Height() > 7200 ? 10 : 7);
    else
        Surface.setPageFont("Courier", Width() > 9600 ? 12 : 10);
}

void Form8::Form_Load() {
    section_ = core::ManualSection;
    core::startFullScreenLoad(*this);
    const int W = Width();
    placeHeader(W);
    placeBand();

    int left = W - Command5.Width() - 15;
    for (vb::CommandButton* b : {&Command5, &Command1, &Command2, &Command3, &Command4}) {
        b->setLeft(left);
        left -= Command5.Width() + 15;
        b->setVisible(false);
    }

    Picture1.setPicture(core::interfacePicture("spacer.jpg"));
    const auto hand = core::handCursor();
    core::dressButton(Command6, "left.gif", Des[42], hand);
    core::dressButton(Command7, "right.gif", Des[45], hand);
    core::dressButton(Command8, "left.gif", Des[42], hand);
    core::pointWithHand(MSGrid1, hand);

    showPageButtons(false);
    setTabStop(MSGrid1, true);
    MSGrid1.setVisible(false);
    Label1.setVisible(false);
    Label2.setVisible(false);
    Image2.setVisible(false);
    Line1.setVisible(false);
    VScroll1.setVisible(false);
    VScroll1.setEnabled(false);
    setCancelButton(&Command6);
    QWidget::setTabOrder(MSGrid1.widget(), Command6.widget());
    QWidget::setTabOrder(Command6.widget(), Command8.widget());
    QWidget::setTabOrder(Command8.widget(), Command7.widget());
    QWidget::setTabOrder(Command7.widget(), VScroll1.widget());

    PageNeedsScroll = 0;
    setPageFont();

    if (section_ < 20) {
        Load_PaginaHelp();
        Label5.setCaption(vb::UCase(Des[41]));
        Command7.setVisible(false);
        Command7.setEnabled(false);
    } else if (const auto files = manualSectionFiles(section_)) {
        Load_IndiceArgomenti(files->indexFolder + core::Lang, files->indexFile);
        Label5.setCaption(vb::UCase(Des[size_t(files->headingLabel)]));
        Label1.setCaption(Des[44]);
    }
    setMousePointer(vb::vbDefault);
}

void Form8::reportFile(const std::string& path) {
    core::MsgBoxStd("Error: file " + path + " not available", vb::vbCritical);
}

void Form8::Load_IndiceArgomenti(const std::string& folder, const std::string& fileName) {
    const std::string path = core::AppPath + folder + fileName;
    std::string content;
    try {
        content = vb::readAll(path);
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number())) reportFile(path);
        return;
    }
    const auto files = manualSectionFiles(section_);
    const std::vector<TopicIndexLine> lines = readTopicIndex(content, files ? files->keyWidth : 14);

    MSGrid1.setRedraw(false);
    MSGrid1.setRows(0);
    List2.Clear();
    const int RH = MSGrid1.standardRowHeight();
    titleChars_ = 0;
    for (const TopicIndexLine& line : lines) {
        MSGrid1.AddItem(line.title);
        List2.AddItem(line.key);
        const int r = MSGrid1.Rows() - 1;
        MSGrid1.setRowHeight(r, RH);
        MSGrid1.setRow(r);
        titleChars_ = std::max(titleChars_, int(line.title.size()));
    }
    if (MSGrid1.Row() != 0 && MSGrid1.Rows() > 0) {
        MSGrid1.setRow(0);
        List2.setListIndex(0);
    }
    MSGrid1.setRedraw(true);

    view_ = View::Index;
    layOutIndex();
    Label1.setVisible(true);
    MSGrid1.setVisible(true);
    Label2.setVisible(false);
}

// The grid sized to its titles and centred in the window, its caption above.
void Form8::layOutIndex() {
    const int RH = MSGrid1.standardRowHeight();
    const int w = titleChars_ * Surface.columnWidth();
    const int H = Height(), W = Width(), B = bandHeight();
    // Every row is counted, so the last topic is not left half hidden below
    // the grid's edge.
    const int n = MSGrid1.Rows();
    if (H - 2 * B < n * RH + 470) {
        MSGrid1.setHeight(H - 2 * B - 1100);
        MSGrid1.setWidth(w + 600);
    } else {
        MSGrid1.setHeight(n * RH + 75);
        MSGrid1.setWidth(w + 500);
    }
    MSGrid1.setColWidth(0, MSGrid1.Width());
    MSGrid1.setLeft((W - MSGrid1.Width()) / 2);
    // Centred, unless that would bring the caption onto the header's frame;
    // the grid ends above the button band, scrolling the rows below.
    const int top = std::max((H - MSGrid1.Height()) / 2, titleTopLimit() + 260);
    MSGrid1.setTop(top);
    MSGrid1.setHeight(std::min(MSGrid1.Height(), ScaleHeight() - B - top));
    Label1.setTop(MSGrid1.Top() - 260);
    Label1.setLeft(MSGrid1.Left());
}

void Form8::Show_Argomento() {
    if (List2.ListCount() == 0 || MSGrid1.Rows() == 0) return;
    List2.setListIndex(MSGrid1.Row());
    Surface.Cls();
    hasPicture_ = false;
    Load_TestoArgomento();

    const auto files = manualSectionFiles(section_);
    if (files && !files->pictureFolder.empty()) {
        const std::string code = topicPictureCode(List2.List(List2.ListIndex()));
        const bool general = section_ == kSectionGasAnalysis && MSGrid1.Row() != 0;
        const std::string path = general ? core::AppPath + "\\Gas\\xf000.gif"
                                         : core::AppPath + files->pictureFolder + code + ".gif";
        core::LoadScrambledFile(path, 16);
        hasPicture_ = true;
        // Where the page stands depends on the picture beside it.
        layOutTopicPage();
        if (general) {
            Line1.setX1(PointerHomeX);
            Line1.setX2(PointerHomeX);
            Line1.setVisible(Image2.Visible());
            PointerState = 40;
            Timer1.setInterval(500);
            Timer1.setEnabled(true);
        }
    }

    showPageButtons(true);
    Command8.SetFocus();
}

int Form8::setUpScrolling() {
    const int W = Width(), H = Height(), B = bandHeight();
    if (scrolls()) VScroll1.Move(W - 230 - 100, B, 230, H - 2 * B - 400);
    PageNeedsScroll = setUpScrollBar(VScroll1) ? 1 : 0;
    return (PageNeedsScroll == 1 ? VisibleLines : LineCount) * rowHeight();
}

void Form8::placePicture(int textWidth, int textEdge) {
    const QPixmap& picture = Image2.Picture();
    const int pw = hasPicture_ ? picture.width() * vb::kTwipsPerPixel : 0;
    const int ph = hasPicture_ ? picture.height() * vb::kTwipsPerPixel : 0;
    const PageBesidePicture place = placeBesidePicture(Width(), textEdge, textWidth, pw, ph);
    TextLeft = place.textLeft;
    if (pw == 0) return;
    const int H = Height(), B = bandHeight();
    Image2.Move(place.pictureLeft, (H - 2 * B - place.pictureHeight) / 2 + B, place.pictureWidth,
                place.pictureHeight);
    Image2.setVisible(place.pictureWidth > 0);
    // The pointer swings over the same spot of the picture at any size; a
    // swing under way moves along with it.
    const int home = Image2.Left() + int(std::lrint((pw / 2.0 - 240) * place.pictureWidth / pw));
    if (Timer1.Enabled()) {
        Line1.setX1(Line1.X1() + home - PointerHomeX);
        Line1.setX2(Line1.X1());
        Line1.setVisible(Image2.Visible());
    }
    PointerHomeX = std::int16_t(home);
    Line1.setY1(Image2.Top());
    Line1.setY2(Image2.Top() + Image2.Height());
}

void Form8::Load_TestoArgomento() {
    const auto files = manualSectionFiles(section_);
    if (!files) return;
    const std::string path = core::AppPath + files->pageFolder + core::Lang + files->pageFile;
    const std::string key = List2.List(List2.ListIndex());

    // A page file that is missing, or a range that lies outside it or is not
    // a range at all, shows an empty page after a message.
    std::string buffer;
    try {
        const std::int64_t length = vb::FileLen(path);
        const auto range = topicRange(key, section_);
        const auto span = range ? topicSpan(*range, length) : std::nullopt;
        if (span)
            buffer = readBytesAt(path, span->offset, span->count);
        else
            core::MsgBoxStd("Error: topic " + vb::Trim(MSGrid1.Text()) + " not found in file " + path,
                            vb::vbCritical);
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number())) reportFile(path);
    }

    PageLines = core::decodePageLines(buffer);
    takeLines(PageLines);
    pageChars_ = core::widestLineChars(PageLines);

    MSGrid1.setVisible(false);
    FirstLine = 0;
    view_ = View::Page;
    layOutTopicPage();
    Label2.setCaption(MSGrid1.Text());
    Label2.setVisible(true);
}

void Form8::layOutTopicPage() {
    const auto files = manualSectionFiles(section_);
    if (!files) return;
    const int RH = rowHeight();
    const int w = pageChars_ * Surface.columnWidth();
    const int H = Height(), B = bandHeight();
    fitRows(H - 2 * B - 750, RH);

    if (files->keyWidth == 17) {
        auto centredTop = [&](int blockHeight) {
            return roundEven((H - B - B / 2.0 - blockHeight) / 2.0 + B - 300);
        };
        // The title stands above the page. Where the page centred between
        // the bands would bring it onto the header's frame, the page stands
        // lower and shows only the rows that still end above the button
        // band, scrolling the others.
        const int lowest = titleTopLimit() + Label2.Height() + 20;
        const int rows = std::min<int>(LineCount, VisibleLines);
        const int room = std::max(1, (ScaleHeight() - B - lowest) / RH);
        if (centredTop(rows * RH) < lowest && room < rows) VisibleLines = std::int16_t(room);
        FirstLine = std::int16_t(linesInView().first);
        const int blockHeight = setUpScrolling();
        placePicture(w, PageNeedsScroll == 1 ? VScroll1.Left() : ScaleWidth());
        TextTop = std::max(centredTop(blockHeight), lowest);
        Label1.setVisible(false);
        Label2.setTop(TextTop - Label2.Height() - 20);
        Label2.setLeft(TextLeft);
    } else {
        // A page longer than the window scrolls here too; centred on all its
        // lines its start would lie above the window with no way to reach it.
        // Scrolled, its title stands right below the header area, the page
        // below the title, and as many rows as fit above the button band.
        const int scrolledTop = B + 300;
        if (LineCount > VisibleLines)
            VisibleLines = std::int16_t(std::max(1, (ScaleHeight() - B - scrolledTop) / RH));
        FirstLine = std::int16_t(linesInView().first);
        const int TH = setUpScrolling();
        const int TW = w;
        // A page wider than the window starts at its left margin, so that
        // only the ends of its lines run past the right edge.
        const int x = TW > Width() ? 0 : roundEven((Width() - (TW + 100)) / 2.0);
        TextLeft = x + 50;
        TextTop = PageNeedsScroll == 1 ? scrolledTop : 170 + roundEven((H - (TH + 100 + 170)) / 2.0) + 50;
        TextTop = std::max(TextTop, titleTopLimit() + 300);
        Label1.setVisible(false);
        Label2.setTop(TextTop - 300);
        Label2.setLeft(TextLeft);
    }
    Draw_Pagina(0, 12, 12, 14, 4);
}

void Form8::Load_PaginaHelp() {
    const std::string path = core::AppPath + "\\hlp\\tx" + core::Lang + "\\hlp" + core::HelpCode + ".cpt";
    std::string content;
    try {
        content = vb::readAll(path);
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number())) reportFile(path);
    }
    // The length is held as a 16-bit number: a page is at most 32 767 bytes.
    if (content.size() > size_t(kMaxTopicBytes)) content.resize(size_t(kMaxTopicBytes));
    LineCount = 0;
    view_ = View::Help;
    setPageFont();
    PageLines = core::decodePageLines(content);
    takeLines(PageLines);
    pageChars_ = core::widestLineChars(PageLines);
    Label2.setCaption(PageLines.empty() ? std::string() : vb::Trim(PageLines[0]));
    Label2.setVisible(true);
    layOutHelpPage();
}

void Form8::layOutHelpPage() {
    const int RH = rowHeight();
    const int TH = LineCount * RH;
    const int LH = Label2.Height();
    const int w = pageChars_ * Surface.columnWidth();
    const int W = Width(), H = Height(), B = bandHeight();
    // Wider than the window, the page starts at its left margin; taller,
    // its title stands right below the header's frame.
    const int x = std::max(0, roundEven((W - w) / 2.0));
    const int y = std::max(titleTopLimit() + 50 - LH, roundEven((H - (TH + 100 + LH)) / 2.0));
    TextLeft = x + 50;
    TextTop = y + LH + 50;
    fitRows(H - 2 * B - 400, RH);
    // Never scrolled: the rows that end above the button band are shown.
    VisibleLines = std::int16_t(std::min<int>(VisibleLines, std::max(1, (ScaleHeight() - B - TextTop) / RH)));
    FirstLine = 0;
    Label2.setTop(TextTop - 100);
    Label2.setLeft(TextLeft);
    Draw_Pagina(0, 12, 12, 14, 4);
}

void Form8::Draw_Pagina(int c1, int c2, int c3, int c4, int c5) {
    Surface.Cls();
    if (section_ < 20 && !PageLines.empty()) PageLines[0].clear();
    const auto [first, count] = linesInView();
    const ManualColours colours{c1, c2, c3, c4, std::int16_t(c5)};
    const int column = Surface.columnWidth(), RH = rowHeight();
    int colour = c1;
    int y = TextTop;
    // Rows below the window's edge cannot be seen; they are not drawn.
    const int bottom = ScaleHeight();
    // A scrolled page ends left of its scroll bar: characters that would
    // reach under the bar, and show beyond it, are not drawn.
    const bool besideBar = PageNeedsScroll == 1;
    const int edge = VScroll1.Left();
    for (int i = 0; i < count && y < bottom; ++i, y += RH)
        for (const ManualRun& run : manualRuns(PageLines[size_t(first + i)], colours, colour)) {
            const int x = TextLeft + run.cell * column;
            if (!besideBar) {
                Surface.drawText(x, y, run.text, run.colour);
            } else if (edge - x >= column) {
                Surface.drawText(x, y, run.text.substr(0, size_t((edge - x) / column)), run.colour);
            }
        }
}

void Form8::VScroll1_Change() {
    if (PageNeedsScroll != 1) return;
    Surface.Cls();
    FirstLine = std::int16_t(VScroll1.Value() - 1);
    Draw_Pagina(0, 12, 12, 14, 4);
}

void Form8::Command6_Click() {
    Unload();
}

void Form8::Command7_Click() {
    MSGrid1_DblClick();
}

void Form8::MSGrid1_DblClick() {
    Set_PuntatoreAttesa();
    Show_Argomento();
    Reset_PuntatoreAttesa();
}

void Form8::MSGrid1_KeyPress(int KeyAscii) {
    Set_PuntatoreAttesa();
    if (KeyAscii == 13 && PageNeedsScroll == 0) Show_Argomento();
    Reset_PuntatoreAttesa();
}

void Form8::Command8_Click() {
    Set_PuntatoreAttesa();
    Surface.Cls();
    view_ = View::Index;
    hasPicture_ = false;
    Timer1.setEnabled(false);
    Line1.setVisible(false);
    Image2.setVisible(false);
    MSGrid1.setVisible(true);
    Label1.setVisible(true);
    Label1.setFont("Tahoma", 10);
    Label1.setTop(MSGrid1.Top() - 260);
    Label1.setLeft(MSGrid1.Left());
    Label2.setVisible(false);
    MSGrid1.SetFocus();
    showPageButtons(false);
    setCancelButton(&Command6);
    VScroll1.setVisible(false);
    VScroll1.setEnabled(false);
    PageNeedsScroll = 0;
    Reset_PuntatoreAttesa();
}

void Form8::Command8_KeyPress(int KeyAscii) {
    Set_PuntatoreAttesa();
    if (KeyAscii == 27) {
        Command8_Click();
        Label5.setCaption(vb::Trim(Des[0]));
    }
    Reset_PuntatoreAttesa();
}

void Form8::Command8_KeyDown(int KeyCode, int /*Shift*/) {
    Set_PuntatoreAttesa();
    if (PageNeedsScroll == 1) {
        if (KeyCode == 33) {
            Surface.Cls();
            FirstLine = 0;
            Draw_Pagina(0, 12, 12, 14, 4);
            VScroll1.setValue(1);
        } else if (KeyCode == 34) {
            Surface.Cls();
            FirstLine = std::int16_t(LineCount - VisibleLines);
            Draw_Pagina(0, 12, 12, 14, 4);
            VScroll1.setValue(FirstLine + 1);
        }
    }
    Reset_PuntatoreAttesa();
}

// The window sees every key first. The keys of the grid and of the back
// button are handled here for the control that has the focus; a scrolled
// page then hands the keyboard to its scroll bar, whose own paging applies
// to the keys that follow. An arrow is the scroll bar's at once: left to the
// back button it would move the focus on, away from the bar.
void Form8::Form_KeyDown(int& KeyCode, int Shift) {
    const bool onBack = Command8.hasFocus();
    const bool onGrid = MSGrid1.hasFocus();
    const bool onBar = VScroll1.hasFocus();
    if (PageNeedsScroll == 1) {
        VScroll1.SetFocus();
        if (!onBar && !passingArrow_ && KeyCode >= 37 && KeyCode <= 40) {
            // Key codes 37 to 40 and Qt's arrow keys run left, up, right, down.
            QKeyEvent arrow(QEvent::KeyPress, Qt::Key_Left + (KeyCode - 37), Qt::NoModifier);
            passingArrow_ = true;
            QCoreApplication::sendEvent(VScroll1.widget(), &arrow);
            passingArrow_ = false;
            KeyCode = 0;
            return;
        }
    }
    if (onBack) {
        if (KeyCode == 33 || KeyCode == 34) {
            Command8_KeyDown(KeyCode, Shift);
            KeyCode = 0;
        } else if (KeyCode == 27) {
            Command8_KeyPress(27);
            KeyCode = 0;
        }
    } else if (onGrid && KeyCode == 13) {
        MSGrid1_KeyPress(13);
        KeyCode = 0;
    }
}

void Form8::Timer1_Timer() {
    int x = Line1.X1();
    PointerState = std::int16_t(pointerStep(PointerState, x, PointerHomeX));
    Line1.setX1(x);
    Line1.setX2(x);
}

std::vector<vb::Control*> Form8::workingControls() {
    return {&MSGrid1, &Command6, &Command7, &Command8};
}

} // namespace documents
