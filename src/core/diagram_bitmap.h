#pragma once
// The 16-colour bitmap a diagram is printed from: written with the standard
// VGA palette in its usual order (index 7 silver, 15 white), checked and
// recoloured in place before printing.
#include <QImage>
#include <string>

namespace core {

// The 118 header bytes: file header, information header, 16 palette entries.
inline constexpr size_t kBitmapHeaderBytes = 118;

// A 4-bit Windows bitmap of the picture, each pixel the nearest VGA colour.
std::string sixteenColourBitmap(const QImage& picture);
// Bytes 115 to 118 (from 1) are FF FF FF 00: palette entry 15 is white.
bool hasWhiteEntry15(const std::string& header);

// One pixel byte recoloured: index 7 becomes 15; in black and white every
// index but 15 then becomes 0. High and low half alike.
unsigned char recolourByte(unsigned char byte, bool blackWhite);
// Recolours every byte from the 119th to the end, row padding included.
void recolourBitmap(std::string& bytes, bool blackWhite);

} // namespace core
