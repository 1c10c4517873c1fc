#pragma once
// What every window takes from the installation's interface folder
// (AppPath\mas): its button and band pictures and the hand cursor. A window
// never stops for one of them: a missing picture leaves its control empty, a
// missing cursor leaves the arrow, and the reason is logged in
// "catalogue.pictures".
#include <QPixmap>
#include <memory>
#include <string>

class QCursor;

namespace vb {
class CommandButton;
class Control;
} // namespace vb

namespace core {

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
