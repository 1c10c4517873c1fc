#include "documents/trouble_codes.h"

#include "core/scramble.h"
#include "core/texts.h"
#include "platform/vbstring.h"

namespace documents {

std::string obdBrandKey(const std::string& brand) {
    std::string key = vb::Trim(brand);
    if (int(key.size()) < kObdBrandKeyWidth) key.resize(size_t(kObdBrandKeyWidth), ' ');
    return key;
}

std::vector<std::string> readObdBrandList(const std::string& content) {
    std::vector<std::string> names;
    core::forEachCptLine(content,
                         [&](const std::string& line) { names.push_back(core::decodeLineLenient(line)); });
    return names;
}

std::string obdDescription(const std::string& stored) {
    std::string head = vb::Left(stored, 80);
    return core::DescrambleString(head) + vb::Mid(stored, 81);
}

std::string obdCode(const std::string& stored) {
    std::string s = stored;
    return core::DescrambleString(s);
}

std::string obdCodeListQuery(const std::string& lang, const std::string& brand) {
    std::string key = obdBrandKey(brand);
    return "SELECT * From xcod" + lang + ".dbf WHERE C1='" + core::ScrambleString(key) + "' ORDER BY C2";
}

std::string obdCodeCriteria(const std::string& brand, const std::string& storedCode) {
    std::string key = obdBrandKey(brand);
    return "C1='" + core::ScrambleString(key) + "' AND C2='" + storedCode + "'";
}

} // namespace documents
