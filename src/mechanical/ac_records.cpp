#include "mechanical/ac_records.h"

#include "mechanical/tightening.h"
#include "platform/vbstring.h"

namespace mechanical {

std::vector<std::string> splitAcRecords(std::string_view chain) {
    std::vector<std::string> records;
    for (size_t i = 0; i < chain.size(); i += kAcRecordWidth)
        records.emplace_back(chain.substr(i, kAcRecordWidth));
    return records;
}

int acLabelOfLetter(unsigned char c) {
    static constexpr std::string_view letters = "ABCDEFGHILMNOPQRS";
    const size_t p = letters.find(char(c));
    if (p != std::string_view::npos) return int(p);
    if (c == 'V') return 19;
    if (c == 'Z') return 20;
    return -1;
}

std::string acRecordLine(std::string_view record, const std::function<std::string(int)>& label) {
    std::string line;
    const char refrigerant = record.empty() ? '\0' : record[0];
    if (refrigerant == 'A') line = "Freon R134a =";
    if (refrigerant == 'B') line = "Freon R12 =";
    line += " " + vb::Str(vb::Val(vb::Mid(record, 2, 4))) + " g.";
    const std::string tolerance = vb::Mid(record, 6, 2);
    if (vb::Val(tolerance) > 0) line += " +/- " + tolerance;
    if (record.size() >= 8) {
        const int k = acLabelOfLetter(static_cast<unsigned char>(record[7]));
        if (k >= 0) line += " ( " + label(k) + " )";
    }
    if (record.size() >= 9 && (record[8] == 'T' || record[8] == 'U'))
        line += " ( " + label(record[8] == 'T' ? 17 : 18) + " )";
    return line;
}

std::string acSheetText(std::string_view chain, const std::vector<std::string>& labels) {
    auto label = [&](int k) {
        return size_t(k) < labels.size() ? dictionaryText(labels[size_t(k)]) : std::string();
    };
    std::string text;
    for (const std::string& record : splitAcRecords(chain)) {
        if (!text.empty()) text += "\r\n";
        text += " " + acRecordLine(record, label);
    }
    return text;
}

} // namespace mechanical
