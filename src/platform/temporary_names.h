#pragma once
// The names this program gives the files it makes for a short while, and the
// folders it makes each in: the one rule by which the code that makes such a
// file names it, and by which a later start tells what an ended run left
// behind from a file of the user's (leftovers.cpp). A name counts only where
// its maker puts it; the same name anywhere else is someone else's.
//
// - The decoded copy of a data file, DcFile.<unique>.<kind>, in the program
//   folder itself (LoadScrambledFile). <kind> is what of the data file's
//   last three characters are letters or digits.
// - The print bitmap, toroscat.<unique>.bmp, in a diagram folder (the diagram
//   viewer): psc in the program folder, or psc<language> in psc.
// - The part file of a restore, <data file>.part<unique>.catalogue (FileCopy),
//   beside the damaged data file that it replaces. A restore is made only
//   where the data file's recovery copy stands beside it, so a part file
//   with no such pair beside it is not this program's. Earlier runs named it
//   <data file>.part<unique>, which the same rule still tells.
//
// <unique> is six letters or digits that make each name new (TemporaryFile).
// Letters are ASCII ones, and a name is told apart in any letter case where
// the program finds its files so (a folder, a recovery copy), and as written
// where it makes the name itself.
#include "platform/language.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <strings.h>

namespace vb {

inline bool isAsciiLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The letters or digits that make each temporary name new.
constexpr std::size_t kUniqueLength = 6;

inline const std::string kDecodedCopyPrefix = "DcFile.";
// The end of the decoded copy's name for the data file at dataPath.
inline std::string decodedCopySuffix(std::string_view dataPath) {
    std::string suffix = ".";
    for (char c : dataPath.substr(dataPath.size() - std::min<std::size_t>(3, dataPath.size())))
        if (isAsciiLetterOrDigit(c)) suffix += c;
    return suffix;
}

inline const std::string kPrintBitmapPrefix = "toroscat.";
inline const std::string kPrintBitmapSuffix = ".bmp";

// What a part file's name adds to its data file's name, before and after
// <unique>.
inline const std::string kPartFileInfix = ".part";
inline const std::string kPartFileSuffix = ".catalogue";

// How a recovery copy's name ends, in place of its data file's last three
// characters.
inline const std::string kRecoveryEnd = "REC";
// The recovery copy of the data file at dataPath (a path or a name): its
// last three characters made "REC".
inline std::string recoveryName(std::string_view dataPath) {
    const std::size_t kept =
        dataPath.size() >= kRecoveryEnd.size() ? dataPath.size() - kRecoveryEnd.size() : 0;
    return std::string(dataPath.substr(0, kept)) + kRecoveryEnd;
}

namespace temporary_names_detail {
inline bool uniqueAt(std::string_view name, std::size_t at) {
    return name.size() >= at + kUniqueLength &&
           std::all_of(name.begin() + long(at), name.begin() + long(at + kUniqueLength),
                       isAsciiLetterOrDigit);
}
inline bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}
} // namespace temporary_names_detail

// Whether name is that of a decoded copy, which only the program folder
// itself holds.
inline bool isDecodedCopyName(std::string_view name) {
    const std::size_t kind = kDecodedCopyPrefix.size() + kUniqueLength; // where ".<kind>" starts
    return name.substr(0, kDecodedCopyPrefix.size()) == kDecodedCopyPrefix &&
           temporary_names_detail::uniqueAt(name, kDecodedCopyPrefix.size()) && name.size() > kind &&
           name.size() <= kind + 4 && name[kind] == '.' &&
           std::all_of(name.begin() + long(kind) + 1, name.end(), isAsciiLetterOrDigit);
}

// Whether name is that of a print bitmap, which only a diagram folder holds.
inline bool isPrintBitmapName(std::string_view name) {
    const std::size_t end = kPrintBitmapPrefix.size() + kUniqueLength;
    return name.size() == end + kPrintBitmapSuffix.size() &&
           name.substr(0, kPrintBitmapPrefix.size()) == kPrintBitmapPrefix &&
           temporary_names_detail::uniqueAt(name, kPrintBitmapPrefix.size()) &&
           name.substr(end) == kPrintBitmapSuffix;
}

// Whether the folder at relative beneath the program folder (its names
// joined by '/') is a diagram folder: psc, or psc/psc<language>.
inline bool isDiagramFolder(std::string_view relative) {
    using temporary_names_detail::sameLetters;
    if (relative.size() < 3 || !sameLetters(relative.substr(0, 3), "psc")) return false;
    return relative.size() == 3 || (relative.size() == 11 && sameLetters(relative.substr(3, 4), "/psc") &&
                                    isLanguage(relative.substr(7)));
}

// The name of the data file that a part file named name was to replace, of
// either form; empty when name is no part file's.
inline std::string_view partFileTarget(std::string_view name) {
    for (const std::string_view suffix : {std::string_view(kPartFileSuffix), std::string_view()}) {
        const std::size_t tail = kPartFileInfix.size() + kUniqueLength + suffix.size();
        if (name.size() <= tail || name.substr(name.size() - suffix.size()) != suffix) continue;
        const std::size_t at = name.size() - tail;
        if (name.substr(at, kPartFileInfix.size()) == kPartFileInfix &&
            temporary_names_detail::uniqueAt(name, at + kPartFileInfix.size()))
            return name.substr(0, at);
    }
    return {};
}

// Whether name ends as a recovery copy's does, in any letter case: a file
// that may be the recovery copy of a data file beside it (isRecoveryCopyOf).
inline bool endsAsRecoveryCopy(std::string_view name) {
    return name.size() >= kRecoveryEnd.size() &&
           temporary_names_detail::sameLetters(name.substr(name.size() - kRecoveryEnd.size()), kRecoveryEnd);
}

// Whether a file named recovery is the recovery copy of the data file named
// data beside it, as the program finds it: in any letter case, and another
// file than the data file itself.
inline bool isRecoveryCopyOf(std::string_view recovery, std::string_view data) {
    using temporary_names_detail::sameLetters;
    return sameLetters(recovery, recoveryName(data)) && !sameLetters(recovery, data);
}

} // namespace vb
