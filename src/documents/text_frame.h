#pragma once
// Pieces the text windows (vehicle texts, document viewer, info list) share:
// interface pictures, the hand cursor on buttons, printer settings kept
// around a printout.
#include <QPixmap>
#include <memory>
#include <string>

class QCursor;

namespace vb {
class CommandButton;
class Control;
} // namespace vb

namespace documents {

// A plain picture of AppPath\mas; empty when it cannot be read.
QPixmap masPicture(const std::string& name);
// The hand cursor of AppPath\mas\indice.cur (null when missing).
std::shared_ptr<QCursor> handCursor();
// Picture, tooltip and the hand pointer of a button.
void dressButton(vb::CommandButton& b, const std::string& picture, const std::string& tooltip,
                 const std::shared_ptr<QCursor>& hand);

// The printer settings a printout changes (font, scale, paper, orientation),
// saved when made and put back by restore().
class SavedPrinterSettings {
  public:
    SavedPrinterSettings();
    void restore();

  private:
    std::string fontName_;
    double fontSize_;
    int scaleMode_;
    double height_, width_;
    int orientation_;
};

} // namespace documents
