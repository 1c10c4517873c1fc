#pragma once
// Text drawn straight on a window or picture box: a drawing position
// (CurrentX, CurrentY in twips of the client area), a font and a colour,
// Print, Cls and text measuring.
//
// Use (a window or picture box is a DrawingSurface):
//   setFontName("MS Sans Serif"); setFontSize(9.75); setForeColor(QBColor(0));
//   setCurrentX(200); setCurrentY(400);
//   Print("a line");            // next line: x back to 0, y down one line
//   Print("more", false);       // stays on the line, x moves on
//   int w = TextWidth(" ");     // twips; several lines: the widest
//   Cls();                      // clears the drawing, position back to 0, 0
//
// Everything drawn goes into a bitmap kept behind the controls, so it stays
// when the window is covered or resized (with AutoRedraw off too, which only
// ever lost the drawing). Text is drawn without filling its background.
#include "platform/fonts.h"

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>

#include "platform/text_style.h"

class QPainter;
class QWidget;

namespace vb {

class DrawingSurface : public TextStyle {
  public:
    explicit DrawingSurface(QWidget* target);
    virtual ~DrawingSurface() = default;
    void setDrawingTarget(QWidget* target) { target_ = target; }

    int CurrentX() const { return currentX_; }
    int CurrentY() const { return currentY_; }
    void setCurrentX(int twips) { currentX_ = twips; }
    void setCurrentY(int twips) { currentY_ = twips; }

    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on) { autoRedraw_ = on; }

    QFont drawingFont() const;

    // Lines split at CR LF, CR or LF; each further line starts at x = 0.
    void Print(const std::string& text = {}, bool newline = true);
    void Cls();
    // Twips: the widest line, and the height of all lines.
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    // What has been drawn (transparent where nothing was).
    const QImage& drawing() const { return layer_; }
    // Draws the kept bitmap; the owner's paint event calls it.
    void paintDrawing(QPainter& p) const;

  private:
    void ensureLayer();

    QWidget* target_;
    QImage layer_;
    int currentX_ = 0, currentY_ = 0;
    bool autoRedraw_ = false;
};

} // namespace vb
