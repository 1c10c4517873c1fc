#pragma once
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <cstdint>
#include <optional>
#include <string>

namespace vb {

// Loads a picture file; the format is found from the content, not the name.
// Error 53 when the file is missing, 481 when it is not a valid picture, does
// not hold the whole picture or is larger than largestPictureFile (refused
// unread).
QPixmap LoadPicture(const std::string& path);
// The largest picture file the picture reader could ever load, in bytes. The
// reader refuses a picture whose image takes more memory than its allocation
// limit, and a picture file of the data folder never holds more bytes than
// its image takes: a larger file is damaged, however it decodes.
std::int64_t largestPictureFile();
// Loads the picture decoders that Qt keeps in plugins (GIF, JPEG, icons)
// while the process has descriptors to spare: Qt never tries a plugin again
// that once failed to load, so a moment's want of descriptors would make
// every later picture of its kind read as damaged.
void loadPictureDecoders();
// The same for a picture a window can do without: nothing when the file is
// missing or is no picture, and the reason logged in "catalogue.pictures".
std::optional<QPixmap> optionalPicture(const std::string& path);

// The picture scaled to size with Qt's smooth transformation, pixel for
// pixel. A picture whose every row is one colour (a vertical gradient band)
// scales to rows of one colour, so only one column of it is scaled when it
// grows sideways.
QImage smoothScaled(const QImage& picture, QSize size);

} // namespace vb
