#include "core/psc_catalogue.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/file_io.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>

namespace core {

std::string loadCatalogueIndex(db::DataControl& data) {
    data.Connect = "dBase IV;";
    useTableFolder(data, "\\ark");
    data.RecordSource = "xpsc.dbf";
    data.Refresh();
    db::Recordset& rs = data.Recordset();
    std::string index;
    if (rs.RecordCount() <= 0) return index;
    rs.MoveFirst();
    rs.MoveLast();
    const int n = rs.RecordCount();
    rs.MoveFirst();
    index.reserve(size_t(n) * 5);
    for (int i = 0; i < n; ++i) {
        index += DescrambleLineConv(rs.Fields("Psc_Codice").value_or("")) + ":";
        rs.MoveNext();
    }
    return index;
}

int recordOfPosition(int P) {
    // Halves go to the even integer (banker's rounding), which the stored
    // positions were computed with.
    return int(std::nearbyint((P + 4) / 5.0)) - 1;
}

bool positionOnCode(db::DataControl& data, const std::string& index, const std::string& code) {
    db::Recordset& rs = data.Recordset();
    const int P = vb::InStr(index, code, true);
    if (rs.RecordCount() <= 0) return false;
    rs.MoveFirst();
    if (P == 0 || code.empty()) return false;
    rs.setAbsolutePosition(recordOfPosition(P));
    return true;
}

bool isNewFormatDiagram(db::DataControl& data, const std::string& index, const std::string& code) {
    if (!positionOnCode(data, index, code)) return false;
    return DescrambleLineConv(data.Recordset().Fields("NUOVO").value_or("")) == "S";
}

std::vector<std::string> parameterFields(db::Recordset& rs) {
    std::vector<std::string> out;
    for (int i = 1; i <= 20; ++i)
        out.push_back(DescrambleLineConv(rs.Fields("Par" + std::to_string(i)).value_or("")));
    return out;
}

bool loadParameterDescriptions(std::string& index, vb::ListBox& descriptions) {
    const std::string path = AppPath + "\\ark\\par" + Lang + ".cpt";
    std::string text;
    try {
        text = vb::readAll(path);
    } catch (const vb::VbError& e) {
        if (!reportedAsShortage(e.number()))
            MsgBoxStd("Error: file " + AppPath + "\\ark\\par" + Lang + ".cpt" + " not available",
                      vb::vbCritical);
        return false;
    }
    descriptions.Clear();
    index.clear();
    forEachCptLine(text, [&](const std::string& stored) {
        std::string line = decodeLineLenient(stored);
        index += vb::Left(line, 4) + ":";
        descriptions.AddItem(vb::Mid(line, 5));
    });
    return true;
}

bool findParameterDescription(const std::string& code, const std::string& index,
                              const vb::ListBox& descriptions, std::string& description) {
    const int P = vb::InStr(index, "0" + code, true);
    if (P == 0) return false;
    description = descriptions.List(recordOfPosition(P));
    return true;
}

void loadPscTypeList(vb::ListBox& list) {
    list.Clear();
    const std::string path = AppPath + "\\ark\\psc" + Lang + ".cpt";
    std::string text;
    try {
        if (!vb::fileExists(path)) throw vb::VbError(vb::errFileNotFound, {}, path);
        text = vb::readAll(path);
    } catch (const vb::VbError& e) {
        // Not found only where it is not there: any other failure is told
        // as itself, its number and the file.
        if (e.number() == vb::errFileNotFound)
            vb::MsgBox("File  psc" + Lang + ".cpt not found.", vb::vbCritical, std::string("Warning!"));
        else if (!reportedAsShortage(e.number()))
            vb::reportError(vb::describeError(std::current_exception()));
        return;
    }
    forEachCptLine(text, [&](const std::string& stored) { list.AddItem(decodeLineLenient(stored)); });
}

double leadingNumber(const std::string& text) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return 0;
    const char* start = text.c_str() + i;
    char* end = nullptr;
    double v = std::strtod(start, &end);
    return end == start ? 0 : v;
}

} // namespace core

namespace core {

std::string parameterTooltip(const std::string& code, const std::string& index,
                             const vb::ListBox& descriptions) {
    std::string description;
    if (findParameterDescription(code, index, descriptions, description))
        return "0" + code + " = " + description;
    return "0" + code;
}

} // namespace core
