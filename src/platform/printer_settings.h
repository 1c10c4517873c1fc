#pragma once
// A printout changes the printer's font, scale, orientation and paper. The
// guard gives back what the printout promises to give back when it ends,
// however it ends, and abandons a job the printout did not commit, so that
// no half-built job is left open to take in the next printout.
#include <string>

namespace vb {

class PrinterObject;

// What a printout gives back: font name and size, scale, orientation and
// paper; the orientation alone; or none of them.
enum class PrinterRestore { Everything, Orientation, Nothing };

class PrinterSettingsGuard {
  public:
    explicit PrinterSettingsGuard(PrinterObject& printer,
                                  PrinterRestore restore = PrinterRestore::Everything);
    ~PrinterSettingsGuard();
    PrinterSettingsGuard(const PrinterSettingsGuard&) = delete;
    PrinterSettingsGuard& operator=(const PrinterSettingsGuard&) = delete;

    // The printout ended its job; there is nothing to abandon.
    void commit() { committed_ = true; }

  private:
    PrinterObject& printer_;
    PrinterRestore restore_;
    std::string fontName_;
    double fontSize_;
    int scaleMode_;
    double height_, width_;
    int orientation_;
    bool committed_ = false;
};

} // namespace vb
