#include "platform/drawing.h"

#include "platform/fonts.h"
#include "platform/geometry.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace vb {
DrawingSurface::DrawingSurface(QWidget* target) : TextStyle("MS Sans Serif", 8.25), target_(target) {}

QFont DrawingSurface::drawingFont() const {
    return windowFont(fontName_, fontSize_, bold_, italic_, underline_);
}

void DrawingSurface::ensureLayer() {
    QSize need = target_ ? target_->size() : QSize(1, 1);
    need = need.expandedTo(QSize(1, 1));
    if (layer_.isNull()) {
        layer_ = QImage(need, QImage::Format_ARGB32_Premultiplied);
        layer_.fill(Qt::transparent);
        return;
    }
    if (layer_.width() >= need.width() && layer_.height() >= need.height()) return;
    // Grows with the widget and keeps what was drawn.
    QImage bigger(need.expandedTo(layer_.size()), QImage::Format_ARGB32_Premultiplied);
    bigger.fill(Qt::transparent);
    QPainter p(&bigger);
    p.drawImage(0, 0, layer_);
    p.end();
    layer_ = std::move(bigger);
}

void DrawingSurface::Print(const std::string& text, bool newline) {
    ensureLayer();
    const QFont font = drawingFont();
    const QFontMetrics fm(font);
    QPainter p(&layer_);
    p.setFont(font);
    p.setPen(vbColor(foreColor_));
    const std::vector<std::string> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString s = toQt(lines[i]);
        const int x = twipsToPixels(currentX_);
        const int y = twipsToPixels(currentY_);
        if (!s.isEmpty()) p.drawText(QPoint(x, y + fm.ascent()), s);
        if (i + 1 == lines.size() && !newline) {
            currentX_ += fm.horizontalAdvance(s) * kTwipsPerPixel;
        } else {
            currentX_ = 0;
            currentY_ += fm.height() * kTwipsPerPixel;
        }
    }
    p.end();
    if (target_) target_->update();
}

void DrawingSurface::Cls() {
    if (!layer_.isNull()) layer_.fill(Qt::transparent);
    currentX_ = currentY_ = 0;
    if (target_) target_->update();
}

int DrawingSurface::TextWidth(const std::string& text) const {
    const QFontMetrics fm(drawingFont());
    int w = 0;
    for (const std::string& line : splitLines(text))
        w = std::max(w, fm.horizontalAdvance(toQt(line)));
    return w * kTwipsPerPixel;
}

int DrawingSurface::TextHeight(const std::string& text) const {
    const QFontMetrics fm(drawingFont());
    return fm.height() * int(splitLines(text).size()) * kTwipsPerPixel;
}

void DrawingSurface::paintDrawing(QPainter& p) const {
    if (!layer_.isNull()) p.drawImage(0, 0, layer_);
}

} // namespace vb
