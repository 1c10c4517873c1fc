#pragma once
// Whether the bytes of a picture file hold the whole picture. The decoders
// draw what they find of a file that was cut short and leave the rest of the
// picture blank; such a file is damaged like one that cannot be read at all.
#include <string_view>

namespace vb {

// False when a GIF ends before its first image's data is complete, a JPEG
// before its end-of-image marker, or a BMP before its last row of pixels
// (for run-length BMPs, before the end-of-bitmap code). Other content is
// left to the decoder: true.
bool pictureComplete(std::string_view data);

} // namespace vb
