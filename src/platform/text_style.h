#pragma once
// The font and colour that text drawn by Print uses, shared by the drawing
// surfaces of windows and by the printer: the same properties, each with its
// own starting font.
#include <cstdint>
#include <string>
#include <utility>

namespace vb {

class TextStyle {
  public:
    TextStyle(std::string fontName, double fontSize) : fontName_(std::move(fontName)), fontSize_(fontSize) {}

    const std::string& FontName() const { return fontName_; }
    void setFontName(const std::string& name) { fontName_ = name; }
    double FontSize() const { return fontSize_; }
    void setFontSize(double points) { fontSize_ = points; }
    bool FontBold() const { return bold_; }
    void setFontBold(bool b) { bold_ = b; }
    bool FontItalic() const { return italic_; }
    void setFontItalic(bool b) { italic_ = b; }
    bool FontUnderline() const { return underline_; }
    void setFontUnderline(bool b) { underline_ = b; }
    std::int32_t ForeColor() const { return foreColor_; }
    void setForeColor(std::int32_t c) { foreColor_ = c; }

  protected:
    std::string fontName_;
    double fontSize_;
    bool bold_ = false, italic_ = false, underline_ = false;
    std::int32_t foreColor_ = 0;
};

} // namespace vb
