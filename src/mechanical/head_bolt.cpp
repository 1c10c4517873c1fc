#include "mechanical/head_bolt.h"

#include "platform/vbstring.h"

#include <algorithm>

namespace mechanical {

HeadBoltSequence parseHeadBoltSequence(std::string_view text) {
    HeadBoltSequence s;
    if (!text.empty() && (text[0] == 'T' || text[0] == 'L')) s.engine = text[0];
    std::string_view rest = text.empty() ? text : text.substr(1);
    while (!rest.empty()) {
        const std::string_view record = rest.substr(0, 5);
        rest = rest.size() >= 6 ? rest.substr(5) : std::string_view();
        if (record.size() < 5) continue;
        const double number = vb::Val(record.substr(0, 2));
        const double column = vb::Val(record.substr(3, 2)) - 1;
        if (number < 1 || column < 0 || column >= kBoltColumns) continue;
        Bolt b;
        b.number = int(number);
        b.column = int(column);
        if (record[2] >= 'A' && record[2] <= 'G') b.row = record[2] - 'A';
        if (std::any_of(s.bolts.begin(), s.bolts.end(), [&](const Bolt& o) { return o.number == b.number; }))
            continue;
        s.bolts.push_back(b);
    }
    return s;
}

} // namespace mechanical
