// Layout of the scan history index file "config": a u64 counter, then 1120-byte records.
// The bytes are the same on every platform: little-endian numbers, UTF-16LE paths, FILETIME times.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "results/scan_history.h"

namespace qm {

inline constexpr size_t kHistoryHeaderSize = 8;     // the counter
inline constexpr size_t kHistoryRecordSize = 1120;
inline constexpr size_t kHistoryPathUnits = 260;    // UTF-16 units per path field, NUL included when it fits

namespace history_offset {
inline constexpr size_t kDiskNumber = 0;  // u32, then 4 bytes of padding (written as zero)
inline constexpr size_t kFirstSector = 8;
inline constexpr size_t kSectorCount = 16;
inline constexpr size_t kExtentStart = 24;
inline constexpr size_t kExtentLength = 32;
inline constexpr size_t kExtentDone = 40;
inline constexpr size_t kSectorsDone = 48;
inline constexpr size_t kFilesFound = 56;
inline constexpr size_t kVolumeFreeBytes = 64;
inline constexpr size_t kImageWriteTime = 72;
inline constexpr size_t kImagePath = 80;
inline constexpr size_t kFolder = 600;
}  // namespace history_offset

// The number of UTF-16 units a path takes in a path field (surrogate pairs count two).
size_t historyPathUnits(const std::wstring& path);

// One record from the first kHistoryRecordSize bytes of `bytes`; false when there are fewer.
// A path without its NUL ends at the end of its field.
bool decodeHistoryRecord(ByteView bytes, ScanHistoryRecord& out);

// Exactly kHistoryRecordSize bytes at `out`. kErrorFilenameTooLong when a path needs more
// than its field.
int encodeHistoryRecord(const ScanHistoryRecord& record, uint8_t* out);

// The whole file. kErrorFilenameTooLong when a path does not fit its field.
int encodeScanHistory(uint64_t counter, const std::vector<ScanHistoryRecord>& records,
                      std::vector<uint8_t>& out);

}  // namespace qm
