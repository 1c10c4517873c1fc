#pragma once
// The system printer as the windows use it, on Qt's print support.
//
// Use:
//   vb::Printer().DeviceName();            // error 484 when no printer is set up
//   vb::CommonDialog dlg(form, "CommonDialog1");
//   dlg.CancelError = true; dlg.ShowPrinter(); // error 32755 on cancel
//   auto& p = vb::Printer();
//   p.setFontName("Courier New"); p.setFontSize(8);
//   p.setCurrentX(0); p.Print("a line");      // a new line moves x back to 0
//   p.Print("no line end", false);            // x moves on by the text's width
//   p.PaintPicture(pixmap, 0, 0, w, h);
//   p.NewPage(); p.EndDoc();
//
// Positions are in the scale unit (twips unless ScaleMode says otherwise),
// measured from the top left of the printable area. The first output opens the
// job; EndDoc closes it and is harmless when nothing is open. A line that
// passes the bottom of the page continues at the top of a new page, at the
// left position it was given.
//
// Jobs go to the system's default destination (CUPS), or, once
// setPdfOutput() names a file, into that PDF file (a "%1" in the name is
// replaced by the job number). painter() and the device metrics serve the
// rich-text printing, which draws straight on the page.
#include <QFont>
#include <QPixmap>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/text_style.h"

class QPainter;
class QPrinter;

namespace vb {

enum PrinterColorModes { vbPRCMMonochrome = 1, vbPRCMColor = 2 };
enum PrinterOrientations { vbPRORPortrait = 1, vbPRORLandscape = 2 };
enum ScaleModes {
    vbTwips = 1,
    vbPoints = 2,
    vbPixels = 3,
    vbInches = 5,
    vbMillimeters = 6,
    vbCentimeters = 7
};

struct PrintJob {
    std::string device; // the destination the job went to
    std::string file;   // the PDF written, when printing to a file
    int pages = 0;
};

class PrinterObject : public TextStyle {
  public:
    PrinterObject();
    ~PrinterObject();
    PrinterObject(const PrinterObject&) = delete;
    PrinterObject& operator=(const PrinterObject&) = delete;

    // Error 484 when there is no printer to print to.
    std::string DeviceName();

    int ColorMode() const;
    void setColorMode(int mode);
    int Orientation() const;
    // Applies to the next page when a job is open.
    void setOrientation(int orientation);

    int ScaleMode() const { return scaleMode_; }
    void setScaleMode(int mode);
    // Converts between scale units, numbered as ScaleModes.
    double ScaleX(double value, int from, int to) const;
    double ScaleY(double value, int from, int to) const;

    // Paper size in twips.
    double Width() const;
    double Height() const;
    // Picks the paper whose size is closest to the given twips.
    void setWidth(double twips);
    void setHeight(double twips);
    // Printable area in the scale unit.
    double ScaleWidth() const;
    double ScaleHeight() const;

    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void setCurrentX(double v) { currentX_ = v; }
    void setCurrentY(double v) { currentY_ = v; }

    // Prints text at the current position (lines split at CR, LF or CR LF).
    // With newline the position moves to the start of the next line,
    // otherwise it stays on the line after the text.
    void Print(const std::string& text = {}, bool newline = true);
    double TextWidth(const std::string& text) const;
    double TextHeight(const std::string& text) const;
    // w or h below 0: the picture's own size.
    void PaintPicture(const QPixmap& picture, double x, double y, double w = -1, double h = -1);
    void NewPage();
    void EndDoc();
    // Abandons the open job.
    void KillDoc();

    // Device metrics, as the platform's device-capabilities query reports
    // them: dots per inch and the offset of the printable area from the
    // paper's corner, in device pixels.
    int LogPixelsX() const;
    int LogPixelsY() const;
    int PhysicalOffsetX() const;
    int PhysicalOffsetY() const;
    // Opens the job when needed; device pixels, origin at the printable area.
    QPainter& painter();
    QPrinter& qprinter() { return *printer_; }
    bool jobOpen() const { return painter_ != nullptr; }
    int Page() const { return page_; }

    // Printing into PDF files instead of the system printer; empty restores
    // the system printer.
    void setPdfOutput(const std::string& path);
    const std::string& pdfOutput() const { return pdfPattern_; }
    // Jobs finished since the last reset, oldest first.
    const std::vector<PrintJob>& jobs() const { return jobs_; }
    // Back to a fresh printer (tests).
    void reset();

  private:
    QFont currentFont() const;
    double toDevice(double scaleValue, bool horizontal) const;
    double fromDevice(double device, bool horizontal) const;
    double unitTwips(int mode, bool horizontal) const;
    void beginJob();
    void chooseDestination();

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    std::string pdfPattern_;
    std::string jobFile_;
    std::vector<PrintJob> jobs_;
    int jobNumber_ = 0;
    int page_ = 0;
    int scaleMode_ = vbTwips;
    double currentX_ = 0, currentY_ = 0;
    int pendingOrientation_ = 0;
};

// The one printer of the program.
PrinterObject& Printer();

// The common dialog's printer dialog.
class CommonDialog : public Control {
  public:
    CommonDialog(Form& form, std::string name, int index = -1);
    bool CancelError = false;
    // Lets the user choose the printer and its settings through the service
    // object; error 32755 when cancelled and CancelError is set.
    void ShowPrinter();
};

} // namespace vb
