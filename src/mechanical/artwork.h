#pragma once
// Pictures that belong to the windows' design rather than to the data
// folder: the data sheet's icon and grid pointer, the sequence drawing's
// bolt marker and engine symbols.
#include <QCursor>
#include <QPixmap>
#include <memory>

namespace mechanical::artwork {

// The 32 x 32 icon of note and sequence rows.
QPixmap sheetIcon();
// The data sheet grid's own pointer: a monochrome 32 x 32 hand, hot spot (5, 0).
std::shared_ptr<QCursor> sheetGridCursor();
// 32 x 32 pictures of the sequence drawing, on the mask colour made transparent.
QPixmap boltMarker();
QPixmap transverseEngine();
QPixmap inlineEngine();

} // namespace mechanical::artwork
