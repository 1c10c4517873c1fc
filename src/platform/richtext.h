#pragma once
// The rich-text box: a read-only document view filled from RTF (our own
// reader), clickable, swallowing every key. RTB2-style boxes that are never
// shown are the same control kept hidden.
#include "platform/controls.h"

#include <QRectF>
#include <functional>
#include <memory>
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
    QWidget* widget() const override;

    // The whole document as RTF; a text that is not RTF shows as plain text.
    const std::string& TextRTF() const { return rtf_; }
    void setTextRTF(const std::string& rtf);
    // The plain text (Windows-1252), paragraphs ended by CR LF.
    std::string Text() const;
    // Reads a file whole into TextRTF. Error 53 when it is missing.
    void LoadFile(const std::string& path);

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
};

// Prints one page of a document as the rich-edit control does: lays the
// document out at the rectangle's width for the painter's device, draws
// (when painter is set) the lines from character `from` that fit into
// rect, and returns the first character that did not fit. A document laid
// out once serves the whole print job.
class RichTextPages {
  public:
    RichTextPages(const QTextDocument& doc, QPaintDevice* device, double width);
    ~RichTextPages();
    int formatRange(QPainter* painter, const QRectF& rect, int from);
    // The number of characters the page loop compares with.
    int length() const;

  private:
    struct Line {
        double top, bottom;
        int position;
    };
    std::unique_ptr<QTextDocument> doc_;
    std::vector<Line> lines_; // in document order
};

} // namespace vb
