#pragma once
// The wiring-diagram catalogue: a position index of its codes, the new-format
// flag, the parameter codes of a record, the parameter descriptions and the
// list of diagram type names. The main window and the diagram viewer each
// keep their own copies of the data in their own hidden controls.
#include "db/query.h"

#include <string>
#include <vector>

namespace vb {
class ListBox;
}

namespace core {

// Opens "xpsc.dbf" on data and returns the index: every decoded code
// followed by ":".
std::string loadCatalogueIndex(db::DataControl& data);
// Record number of the entry found at 1-based character position P.
int recordOfPosition(int P);
// Positions data on the record of code. A code that is not in the index
// leaves the record set on the first record and answers false.
bool positionOnCode(db::DataControl& data, const std::string& index, const std::string& code);
// True when the record of code has NUOVO = "S".
bool isNewFormatDiagram(db::DataControl& data, const std::string& index, const std::string& code);
// Par1..Par20 of the current record, decoded and untrimmed.
std::vector<std::string> parameterFields(db::Recordset& rs);
// The parameter description file: index text and descriptions. False (and
// the standard message) when the file cannot be opened.
bool loadParameterDescriptions(std::string& index, vb::ListBox& descriptions);
// The description of a parameter code ("" when there is none), found through
// the description index as "0" & code.
bool findParameterDescription(const std::string& code, const std::string& index,
                              const vb::ListBox& descriptions, std::string& description);
// The diagram type names.
void loadPscTypeList(vb::ListBox& list);
// The number at the start of a text (leading blanks skipped), 0 when none.
double leadingNumber(const std::string& text);

} // namespace core

namespace core {
// The tooltip text of a diagram's parameter button: "0" & code & " = " &
// description, or "0" & code alone when it has none.
std::string parameterTooltip(const std::string& code, const std::string& index,
                             const vb::ListBox& descriptions);
} // namespace core
