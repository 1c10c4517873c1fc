#pragma once
#include <QPixmap>
#include <string>

namespace vb {

// Loads a picture file; the format is found from the content, not the name.
// Error 53 when the file is missing, 481 when it is not a valid picture.
QPixmap LoadPicture(const std::string& path);

} // namespace vb
