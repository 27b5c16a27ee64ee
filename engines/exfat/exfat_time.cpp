#include "engines/exfat/exfat_time.h"

#include "engines/fat/fat_time.h"

namespace qm {

uint64_t ExFatTimeToFileTime(uint32_t stamp, uint8_t tenMs, uint8_t utcOffset) {
    uint64_t local = 0;
    if (!FatTimeToFileTime(static_cast<uint16_t>(stamp >> 16), static_cast<uint16_t>(stamp), tenMs, local)) return 0;
    if (!(utcOffset & 0x80)) return local;
    // Sign-extend the 7-bit count of quarter hours.
    const int quarters = (utcOffset & 0x40) ? static_cast<int>(utcOffset & 0x7F) - 128 : (utcOffset & 0x3F);
    const int64_t shift = static_cast<int64_t>(quarters) * 15 * 60 * 10000000ll;
    const int64_t utc = static_cast<int64_t>(local) - shift;
    return utc > 0 ? static_cast<uint64_t>(utc) : 0;
}

}  // namespace qm
