#include "engines/exfat/exfat_upcase.h"

namespace qm {

std::vector<uint16_t> ExpandExFatUpcaseTable(ByteView stored) {
    constexpr size_t kUnits = 0x10000;
    std::vector<uint16_t> table;
    for (size_t at = 0; at + 2 <= stored.size() && table.size() < kUnits; at += 2) {
        const uint16_t unit = stored.u16(at);
        if (unit == 0xFFFF && at + 4 <= stored.size()) {
            at += 2;
            for (size_t n = stored.u16(at); n > 0 && table.size() < kUnits; --n)
                table.push_back(static_cast<uint16_t>(table.size()));
        } else {
            table.push_back(unit);
        }
    }
    return table;
}

uint16_t ExFatUpcase(uint16_t unit, const std::vector<uint16_t>* upcase) {
    if (upcase) return unit < upcase->size() ? (*upcase)[unit] : unit;
    return unit >= u'a' && unit <= u'z' ? static_cast<uint16_t>(unit - (u'a' - u'A')) : unit;
}

uint16_t ExFatNameHash(const std::u16string& name, const std::vector<uint16_t>* upcase) {
    uint16_t hash = 0;
    for (char16_t c : name) {
        const uint16_t unit = ExFatUpcase(static_cast<uint16_t>(c), upcase);
        for (uint8_t byte : {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)})
            hash = static_cast<uint16_t>(((hash & 1) ? 0x8000 : 0) + (hash >> 1) + byte);
    }
    return hash;
}

}  // namespace qm
