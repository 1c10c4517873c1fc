// Any packed technical-data string: every reader of the string ends and
// answers, and the data sheet builds its rows from it.
#include "core/technical_data.h"
#include "mechanical/data_sheet.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)core::Has_DatiSerraggio(text);
    (void)core::Has_DatiClima(text);
    (void)core::tighteningFormulas(text);
    (void)core::acRecordChain(text);
    static const mechanical::SheetDictionaries d{
        {"ADati generali", "RSerraggi motore", "UClimatizzatore", "", "S"},
        {"A01Codice motore", "R02SEQUENZA", "R01Serraggio testata", "U01Ricarica", "ab"},
        {"01[mm]Millimetri", "02bar", "0]", ""},
        {"S00Serraggio preliminare", "S01Rotazione angolare", "x"},
        {"A00Controllare", "", "A0"}};
    (void)mechanical::buildDataSheet(text, text.substr(0, 12), d);
    return 0;
}
