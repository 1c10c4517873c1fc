#include "mechanical/tightening.h"

#include <string>

namespace mechanical {
namespace {

constexpr std::string_view kLetters = "ABCDEFGHILMNOPQRSTUVZYJWKXabcdefghilmnopqrstuvzy";
constexpr std::string_view kKgm = " Kgm";
constexpr std::string_view kDegree = "\xB0";

struct LetterTable {
    std::array<signed char, 256> line{};
    LetterTable() {
        line.fill(-1);
        for (size_t i = 0; i < kLetters.size(); ++i)
            line[static_cast<unsigned char>(kLetters[i])] = static_cast<signed char>(i);
    }
};
const LetterTable kTable;

} // namespace

int stepLetterLine(unsigned char c) {
    return kTable.line[c];
}

std::string_view stepUnit(int line) {
    if (line == 1 || line == 39 || line == 40 || line == 43 || line == 44) return kDegree;
    if ((line >= 2 && line <= 7) || line == 45 || line < 0 || line > 47) return {};
    return kKgm;
}

std::string dictionaryText(std::string_view line) {
    return line.size() > 3 ? std::string(line.substr(3)) : std::string();
}

std::vector<std::string> torqueRows(std::string_view f, const StepDictionary& dictionary, StepCarry& carry) {
    std::vector<std::string> rows;
    std::string value;
    for (;;) {
        const size_t plus = f.find('+');
        if (plus == std::string_view::npos) break;
        for (size_t i = 0; i < plus; ++i) {
            const int line = stepLetterLine(static_cast<unsigned char>(f[i]));
            if (line >= 0) {
                carry.description = dictionaryText(dictionary[size_t(line)]) + " ";
                carry.unit = std::string(stepUnit(line));
            } else {
                value += f[i];
            }
        }
        rows.push_back(" " + std::to_string(rows.size() + 1) + ") " + carry.description + value + " " +
                       carry.unit);
        value.clear();
        f = f.substr(plus + 1);
    }
    return rows;
}

std::vector<std::string> sheetStepLines(std::string_view f, const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    std::string description, value, unit;
    while (!f.empty()) {
        const size_t plus = f.find('+');
        const std::string_view step = f.substr(0, plus);
        if (!step.empty()) {
            const int line = stepLetterLine(static_cast<unsigned char>(step[0]));
            if (line >= 0) {
                description = (size_t(line) < lines.size() ? dictionaryText(lines[size_t(line)]) : "") + " ";
                unit = std::string(stepUnit(line));
            }
            for (size_t i = 1; i < step.size(); ++i) {
                // The unit stands before a bracketed remark.
                if (step[i] == '(') {
                    value += unit + " ";
                    unit.clear();
                }
                value += step[i];
            }
        }
        // A step that starts with "+" is empty and ends the formula.
        f = plus == std::string_view::npos || plus == 0 ? std::string_view() : f.substr(plus + 1);
        out.push_back(" " + description + " " + value + " " + unit);
        value.clear();
        unit.clear();
    }
    return out;
}

} // namespace mechanical
