#include "core/technical_data.h"

#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/vbstring.h"

namespace core {

bool Has_DatiSerraggio(const std::string& datiTecnici) {
    std::string rest = datiTecnici;
    std::string code;
    int k = 1;
    while (!rest.empty()) {
        std::int32_t L = 0;
        try {
            L = HexToLong(vb::Left(rest, 2));
        } catch (const vb::VbError&) {
            return false;
        }
        if (k == 1) code = vb::Mid(rest, 3, L);
        if (k == 2 && vb::Left(code, 1) == "R") {
            const std::string sub = vb::Mid(code, 2, 2);
            if (sub == "01" || sub == "03" || sub == "05" || sub == "07") return true;
        }
        if (k == 5) k = 0;
        ++k;
        rest = vb::Mid(rest, L + 3);
    }
    return false;
}

bool Has_DatiClima(const std::string& datiTecnici) {
    return vb::InStr(datiTecnici, "U01", true) > 0;
}

} // namespace core
