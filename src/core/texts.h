#pragma once
// The label table, the two description tables and the standard message box.
#include <string>

namespace vb {
class ListBox;
}

namespace core {

// Whether the label table of the language in use was read.
bool LoadDescrTable();
void LoadListAllDescr();
void LoadListAllDescrSecond();
// Fills list from a description file (E-STR lines); the two loaders above
// are this on their own file and list.
void loadDescriptionList(const std::string& path, vb::ListBox& list);

int MsgBoxStd(const std::string& prompt, int buttons);

// Splits a ".cpt" text at CR LF. A final piece without CR LF counts as a
// line; the empty rest after a final CR LF does not.
template <class F> void forEachCptLine(const std::string& text, F&& f) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t p = text.find("\r\n", pos);
        if (p == std::string::npos) {
            f(text.substr(pos));
            return;
        }
        f(text.substr(pos, p - pos));
        pos = p + 2;
    }
}

// DescrambleLine that never stops the caller: a line past 80 characters is
// decoded up to its 80th, a character that cannot be decoded gives "".
std::string decodeLineLenient(const std::string& stored);

} // namespace core
