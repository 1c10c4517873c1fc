#include "mechanical/data_sheet.h"

#include "core/technical_data.h"
#include "mechanical/ac_records.h"
#include "mechanical/tightening.h"
#include "platform/vbstring.h"

namespace mechanical {
namespace {

using namespace sheet;

// Dictionary lines whose key (the first width characters) is exactly code.
const std::string* findKey(const std::vector<std::string>& lines, std::string_view code, size_t width) {
    if (code.size() != width) return nullptr;
    for (const std::string& line : lines)
        if (line.size() >= width && std::string_view(line).substr(0, width) == code) return &line;
    return nullptr;
}

class Builder {
  public:
    Builder(const SheetDictionaries& d) : d_(d) {}

    std::vector<SheetRow> rows;

    void build(std::string_view dati, std::string_view cylinders) {
        openingRow();
        const size_t slash = cylinders.find('/');
        vehicleRow("n\xB0 Cilindri", cylinders.substr(0, slash));
        if (slash != std::string_view::npos) vehicleRow("Distribuzione", cylinders.substr(slash + 1));
        text_ = kBlue;
        core::walkTechnicalData(dati, [&](int k, std::string_view item) {
            switch (k) {
            case 1:
                code(item);
                break;
            case 2:
                value(item);
                break;
            case 3:
                unit(item);
                break;
            case 4:
                further(item);
                break;
            default:
                note(item);
                break;
            }
            return true;
        });
    }

  private:
    SheetRow& addRow() {
        rows.emplace_back();
        return rows.back();
    }
    SheetRow& row() { return rows.back(); }
    SheetCell& cell(int c) { return rows.back().cells[size_t(c)]; }
    void toggleBand() { band_ = band_ == kBandA ? kBandB : kBandA; }
    void toggleText() { text_ = text_ == kBlack ? kBlue : kBlack; }
    void titleAcross(const std::string& title) {
        for (auto& c : row().cells)
            c.text = title;
        row().merge = true;
    }

    void openingRow() {
        addRow();
        cell(0).alignment = kLeftCentre;
        cell(0).fore = kTitleRed;
        cell(0).bold = true;
        const std::string first = d_.categories.empty() ? std::string() : d_.categories.front();
        category_ = vb::Left(first, 1);
        toggleBand();
        cell(0).back = band_;
        titleAcross(vb::Mid(first, 2));
    }

    void vehicleRow(const char* label, std::string_view value) {
        addRow();
        toggleText();
        toggleBand();
        cell(0).alignment = kRightCentre;
        cell(0).fore = text_;
        cell(0).bold = true;
        cell(0).text = label;
        cell(8).text = "CHECK";
        for (auto& c : row().cells)
            c.back = band_;
        cell(1).alignment = kCentreCentre;
        cell(1).fore = text_;
        cell(1).text = std::string(value);
    }

    void code(std::string_view item) {
        addRow();
        cell(0).back = band_;
        cell(0).alignment = kLeftCentre;
        sub_ = item.empty() ? std::string() : vb::Mid(item, 2, 2);
        const std::string letter = vb::Left(item, 1);
        if (letter != category_) {
            category_ = letter;
            for (const std::string& line : d_.categories) {
                if (vb::Left(line, 1) != category_) continue;
                cell(0).fore = kTitleRed;
                cell(0).bold = true;
                toggleBand();
                cell(0).back = band_;
                titleAcross(vb::Mid(line, 2));
                break;
            }
            addRow();
        }
        cell(0).alignment = kRightCentre;
        toggleText();
        toggleBand();
        if (const std::string* line = findKey(d_.descriptions, item, 3)) {
            cell(0).fore = text_;
            cell(0).back = band_;
            cell(0).alignment = kRightCentre;
            cell(0).bold = true;
            cell(0).text = vb::Mid(*line, 4);
            cell(8).text = std::string(item);
        }
    }

    void operationText(const std::string& text) {
        for (int c = 1; c <= 3; ++c) {
            cell(c).alignment = kLeftCentre;
            cell(c).fore = text_;
            cell(c).back = band_;
            cell(c).text = text;
        }
        row().merge = true;
    }

    void value(std::string_view item) {
        cell(1).alignment = kCentreCentre;
        cell(1).fore = text_;
        cell(1).back = band_;
        if (category_ == "S" || category_ == "R" || category_ == "T") {
            cell(1).alignment = kLeftCentre;
            cell(5).text = std::string(item);
            if (category_ == "R" && vb::UCase(vb::Left(cell(0).text, 8)) == "SEQUENZA") {
                cell(1).icon = true;
                return;
            }
            const std::vector<std::string> lines = sheetStepLines(item, d_.stepLines);
            std::string joined;
            for (size_t i = 0; i < lines.size(); ++i)
                joined += (i ? "\r" : "") + lines[i];
            operationText(joined);
            if (lines.size() > 1) row().fitText = true;
        } else if (category_ == "U" && sub_ == "01") {
            operationText(acSheetText(item, d_.acLabels));
            row().fitText = true;
        } else {
            cell(1).text = std::string(item);
        }
    }

    void unit(std::string_view item) {
        cell(2).back = band_;
        cell(2).alignment = kLeftCentre;
        if (item.empty()) return;
        if (const std::string* line = findKey(d_.units, item, 2)) {
            cell(2).fore = text_;
            cell(2).text = unitShownText(*line);
        }
    }

    void further(std::string_view item) {
        cell(3).back = band_;
        if (item.empty()) return;
        cell(3).alignment = kLeftCentre;
        cell(3).fore = text_;
        cell(6).text = std::string(item);
    }

    void note(std::string_view item) {
        cell(4).back = band_;
        if (item.empty()) return;
        cell(4).fore = text_;
        cell(7).text = std::string(item);
        cell(4).icon = true;
    }

    const SheetDictionaries& d_;
    // Both start as 0, which is black: the first toggles give band A and blue.
    std::int32_t band_ = 0, text_ = 0;
    std::string category_, sub_;
};

} // namespace

std::vector<SheetRow> buildDataSheet(std::string_view datiTecnici, std::string_view cylinders,
                                     const SheetDictionaries& dictionaries) {
    Builder b(dictionaries);
    b.build(datiTecnici, cylinders);
    return std::move(b.rows);
}

std::string unitShownText(std::string_view line) {
    const size_t close = line.find(']');
    if (line.size() <= 2 || close < 2) return {};
    return std::string(line.substr(2, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

std::string unitToolTip(std::string_view cellText, const std::vector<std::string>& units) {
    for (const std::string& line : units) {
        if (unitShownText(line) != cellText) continue;
        const size_t close = line.find(']');
        return close == std::string::npos ? std::string()
                                          : vb::UCase(std::string_view(line).substr(close + 1));
    }
    return {};
}

std::vector<PrintLine> dataSheetPrintLines(const std::vector<std::array<std::string, 4>>& rows) {
    std::vector<PrintLine> out;
    for (const auto& r : rows) {
        if (r[0] == r[1]) {
            out.push_back({vb::Trim(r[0]), true, 10});
        } else if (r[1].empty()) {
        } else if (r[1] == r[2] && r[2] == r[3]) {
            std::string_view t = r[1];
            const size_t cr = t.find('\r');
            if (cr == std::string_view::npos) {
                out.push_back({vb::Trim(t), false, 15});
                continue;
            }
            // Each line after a carriage return loses the character that
            // follows it: the LF of a CR LF or a step line's leading blank.
            for (int n = 0; !t.empty(); ++n) {
                const size_t p = t.find('\r');
                const std::string head = r[0] + " (" + std::to_string(n) + ") ";
                if (p == std::string_view::npos) {
                    out.push_back({vb::Trim(head + std::string(t)), false, 15});
                    t = {};
                } else {
                    out.push_back({vb::Trim(head + std::string(t.substr(0, p))), false, 15});
                    t = p + 2 <= t.size() ? t.substr(p + 2) : std::string_view();
                }
            }
        } else {
            out.push_back({vb::Trim(r[0] + " " + r[1] + " " + r[2]), false, 15});
        }
    }
    return out;
}

} // namespace mechanical
