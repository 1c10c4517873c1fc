#pragma once
// What every window shares: its caption, the colours and font of its header
// band, and what it takes from the installation's interface folder
// (AppPath\mas), its button and band pictures and the hand cursor. A window
// never stops for one of those: a missing picture leaves its control empty, a
// missing cursor leaves the arrow, and the reason is logged in
// "catalogue.pictures".
#include <QPixmap>
#include <cstdint>
#include <memory>
#include <string>

class QCursor;

namespace vb {
class CommandButton;
class Control;
class Form;
class Label;
class PictureBox;
} // namespace vb

namespace core {

// The header colours (&HBBGGRR): navy RGB(0, 0, 128), title blue RGB(0, 0, 192).
inline constexpr std::int32_t kNavy = 0x800000;
inline constexpr std::int32_t kTitleBlue = 0xC00000;
// The light blue RGB(167, 202, 240) of the band that holds a window's buttons.
inline constexpr std::int32_t kBandBlue = 0xF0CAA7;

// "Des(0) Des(1) - Des(3) - Tel: Des(4)": the caption of the data windows.
std::string windowCaption();
// The window as large as the screen.
void fillScreen(vb::Form& window);
// The start of a data window's load: the busy pointer, the common caption,
// and the window as large as the screen.
void startFullScreenLoad(vb::Form& window);
// On a screen wider than the 12000 twips a window is drawn for, the panel
// stands in the middle of it, across and in the height that leaves `below`
// twips free at the bottom. False, and the panel where it was, otherwise.
bool centreOnWideScreen(vb::Form& window, vb::Control& panel, int below);
// The band that holds a window's buttons: light blue, at its left edge.
void placeButtonBand(vb::PictureBox& band, int top, int width, int height);
// A line of a header band: Tahoma 9.75 in the given colour, bold unless said.
void styleHeaderLine(vb::Label& label, std::int32_t colour, bool bold = true);
// The same for a line that lets the header band and its frame show through.
void styleClearHeaderLine(vb::Label& label, std::int32_t colour, bool bold = true);
// A header line (a label sized to its text) longer than the header is cut at
// right, in twips of the window: wrapped, its end would fall on the line
// below.
void keepOnOneLine(vb::Label& label, int right);

// The picture AppPath\mas\name ("spacer.jpg"); empty when it cannot be read.
QPixmap interfacePicture(const std::string& name);
// The cursor AppPath\mas\name ("lente+.ico"); null when it cannot be read.
std::shared_ptr<QCursor> interfaceCursor(const std::string& name);
// The hand cursor AppPath\mas\indice.cur; null when it cannot be read.
std::shared_ptr<QCursor> handCursor();
// Shows the hand (the custom pointer) over a control.
void pointWithHand(vb::Control& control, const std::shared_ptr<QCursor>& hand);
// Picture, tooltip and the hand pointer of a button.
void dressButton(vb::CommandButton& button, const std::string& picture, const std::string& tooltip,
                 const std::shared_ptr<QCursor>& hand);

} // namespace core
