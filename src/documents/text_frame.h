#pragma once
// Pieces the text windows (vehicle texts, document viewer) share: printer
// settings kept around a printout.
#include <string>

namespace documents {

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
