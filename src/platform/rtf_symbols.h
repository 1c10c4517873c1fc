#pragma once
// The symbol fonts of word processors place their signs at letter codes
// (0x20 to 0xFF) or, written as Unicode, in the private-use range U+F020 to
// U+F0FF, where no other font has a glyph and the text shows empty boxes.
// These are the Unicode characters of those signs.
#include <QChar>
#include <QLatin1StringView>
#include <QStringView>

namespace vb {

enum class SymbolFont {
    None,      // a text font
    Symbol,    // Greek letters, mathematical signs, the round bullet
    Wingdings, // dingbats: bullets, arrows, check marks, hands
};

// Which symbol font a font name of a document names.
SymbolFont symbolFontNamed(QStringView name);

// The sign at code (0x20 to 0xFF, or its private-use form) in a symbol font;
// a code with no known sign is returned unchanged. In a text font (None)
// only private-use codes are mapped: they are list bullets whose font was
// not written, taken from Wingdings for the bullets word processors draw
// from it and from Symbol otherwise.
char16_t symbolCharacter(SymbolFont font, char16_t code);

} // namespace vb
