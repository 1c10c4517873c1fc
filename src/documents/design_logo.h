#pragma once
// The small logo that the reference windows carry in their header band as
// part of their design (it is no data file).
#include <QPixmap>

namespace documents {

QPixmap designLogo();

} // namespace documents
