#pragma once
// The rich-text box: a read-only document view filled from RTF (our own
// reader), clickable, swallowing every key. RTB2-style boxes that are never
// shown are the same control kept hidden.
#include "platform/controls.h"
#include "platform/rich_text_pages.h"
#include "platform/rtf_reader.h"

#include <QRectF>
#include <functional>
#include <memory>
#include <set>
#include <string>

class QPainter;
class QPaintDevice;
class QTextDocument;
class QTextEdit;

namespace vb {

class RichTextBox : public Control {
  public:
    RichTextBox(Form& form, std::string name, int index = -1);
    ~RichTextBox() override;

    // The whole document as RTF; a text that is not RTF shows as plain text.
    const std::string& TextRTF() const { return rtf_; }
    void setTextRTF(const std::string& rtf);
    // The plain text (Windows-1252), paragraphs ended by CR LF.
    std::string Text() const;
    // Reads a file whole into TextRTF. Error 53 when it is missing.
    void LoadFile(const std::string& path);

    // What the reader found wrong with the document last set.
    RtfDamage damage() const { return damage_; }
    // Says, as the program's data errors are said, that the document last
    // set, read from path, is damaged: once for each file in the life of the
    // box, and nothing for a sound document.
    void reportDamage(const std::string& path);

    int SelStart() const;
    int SelLength() const;
    void setSelStart(int v);
    void setSelLength(int v);

    QTextDocument& document() const;

    Event<> Click;
    // Sees each key (code as the window's key map) before it is swallowed.
    Event<int, int> KeyDown; // KeyCode, Shift

  private:
    QTextEdit* edit_;
    std::string rtf_;
    RtfDamage damage_ = RtfDamage::None;
    std::set<std::string> reported_;
};

} // namespace vb
