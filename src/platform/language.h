#pragma once
// A language as the program names it: '_' and three letters ("_ita",
// "_ing"). The language preference holds one, and the data names its files
// and folders with it (des_ita.cpt, psc/psc_ita).
#include <algorithm>
#include <string_view>

namespace vb {

// Whether text is a language in that form.
inline bool isLanguage(std::string_view text) {
    return text.size() == 4 && text[0] == '_' && std::all_of(text.begin() + 1, text.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           });
}

} // namespace vb
