// exFAT timestamps (a FAT date and time in one 32-bit field, a 10 ms count and a UTC offset)
// as FILETIME values in UTC.
#pragma once
#include <cstdint>

namespace qm {

// stamp: date in the high 16 bits, time in the low 16 (as FAT keeps them); tenMs: 0..199;
// utcOffset: bit 7 set when bits 0..6 hold the zone as a signed count of 15 minutes. A time
// without a valid offset is taken as it stands. 0 when the fields name no real moment.
uint64_t ExFatTimeToFileTime(uint32_t stamp, uint8_t tenMs, uint8_t utcOffset);

}  // namespace qm
