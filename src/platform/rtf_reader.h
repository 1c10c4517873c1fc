#pragma once
// Our reader of rich-text (RTF) documents into a QTextDocument. It knows no
// widgets. It shows text, fonts, colours, character and paragraph formats,
// tables and pictures; it never runs or follows anything a document names
// (fields, objects, links), and it stops safely on damaged input: unbalanced
// braces, truncated files, huge binary lengths, deep nesting.
#include <string>
#include <string_view>

class QTextDocument;

namespace vb {

// What a document that could not be read whole lacks. The reader shows
// what it could read in every case.
enum class RtfDamage {
    None,
    Empty,      // nothing but blanks
    NotRtf,     // text that is not RTF: shown as plain text
    NotText,    // neither RTF nor text: nothing is shown
    CutShort,   // the file ends inside the document or inside binary data
    Unbalanced, // more closing braces than opening ones
    Garbled,    // control bytes inside the document
    Picture,    // a picture cut short or that does not decode
};

// True when the bytes start (after blanks) with "{\rtf".
bool looksLikeRtf(std::string_view bytes);

// Replaces the document's content. Bytes that are not RTF are shown as
// plain Windows-1252 text.
RtfDamage readRtf(std::string_view bytes, QTextDocument& doc);

// One sentence for the user: what is wrong and what is shown.
std::string rtfDamageText(RtfDamage damage);

} // namespace vb
