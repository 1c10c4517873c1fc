// Any tightening formula, on the torque page and on the data sheet.
#include "mechanical/tightening.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string formula(reinterpret_cast<const char*>(data), size);
    static const mechanical::StepDictionary dictionary = [] {
        mechanical::StepDictionary d;
        for (size_t i = 0; i < d.size(); i += 2)
            d[i] = "S" + std::to_string(i) + "text";
        return d;
    }();
    mechanical::StepCarry carry;
    (void)mechanical::torqueRows(formula, dictionary, carry);
    (void)mechanical::sheetStepLines(formula, {dictionary.begin(), dictionary.begin() + 20});
    return 0;
}
