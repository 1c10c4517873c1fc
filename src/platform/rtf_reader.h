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

// True when the bytes start (after blanks) with "{\rtf".
bool looksLikeRtf(std::string_view bytes);

// Replaces the document's content. Bytes that are not RTF are shown as
// plain Windows-1252 text.
void readRtf(std::string_view bytes, QTextDocument& doc);

} // namespace vb
