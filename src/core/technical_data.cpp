#include "core/technical_data.h"

#include "platform/vbstring.h"

namespace core {

int tighteningJoint(std::string_view code) {
    if (code.size() < 3 || code[0] != 'R' || code[1] != '0') return -1;
    switch (code[2]) {
    case '1':
        return 0;
    case '3':
        return 1;
    case '5':
        return 2;
    case '7':
        return 3;
    default:
        return -1;
    }
}

std::array<std::string, 4> tighteningFormulas(std::string_view datiTecnici) {
    std::array<std::string, 4> formulas;
    std::string_view code;
    walkTechnicalData(datiTecnici, [&](int k, std::string_view item) {
        if (k == 1) code = item;
        if (k == 2) {
            const int joint = tighteningJoint(code);
            if (joint >= 0) formulas[size_t(joint)] = std::string(item);
        }
        return true;
    });
    return formulas;
}

std::optional<std::string> acRecordChain(std::string_view datiTecnici) {
    std::optional<std::string> chain;
    std::string_view code;
    walkTechnicalData(datiTecnici, [&](int k, std::string_view item) {
        if (k == 1) code = item;
        if (k == 2 && code == "U01") {
            chain = std::string(item);
            return false;
        }
        return true;
    });
    return chain;
}

bool Has_DatiSerraggio(const std::string& datiTecnici) {
    bool found = false;
    std::string_view code;
    walkTechnicalData(datiTecnici, [&](int k, std::string_view item) {
        if (k == 1) code = item;
        if (k == 2 && tighteningJoint(code) >= 0) found = true;
        return !found;
    });
    return found;
}

bool Has_DatiClima(const std::string& datiTecnici) {
    return vb::InStr(datiTecnici, "U01", true) > 0;
}

} // namespace core
