#pragma once
#include <QRectF>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class QTextDocument;

namespace vb {

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
