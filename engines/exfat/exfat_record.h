// How a found exFAT file or folder is kept in a scan record, and how its data is found again
// from the record: the fast and the deep engines share both.
#pragma once
#include <cstdint>

#include "engines/exfat/exfat_copy.h"
#include "engines/exfat/exfat_entry_set.h"
#include "engines/exfat/exfat_volume.h"
#include "results/scan_record.h"

namespace qm {

namespace exfatrecord {
// reserved[] bytes of an exFAT record
inline constexpr int kInDeletedFolder = 0;  // 1: deleted, or inside a deleted folder
inline constexpr int kFlags = 1;            // the flags below
inline constexpr int kEntryIndex = 2;       // u16: the File entry's index in its sector
inline constexpr uint8_t kFlagContiguous = 0x01;
inline constexpr uint8_t kFlagChecksumBad = 0x02;
inline constexpr uint8_t kFlagDeleted = 0x04;  // the set itself is deleted
}  // namespace exfatrecord

// What every record of a volume carries besides its entry set.
struct ExFatRecordTags {
    int32_t sourceKind = kSourceFastExFat;
    uint16_t volumeTag = 0;
    uint64_t partitionStart = 0;  // the scanned area's start, in the medium's sectors
};

// Fills a record from a decoded set whose File entry lies at entryOffset (bytes from the
// volume's start): name, folder or file, times, size, first cluster (fsId), cluster size,
// the heap's byte offset (dataStart), the entry's place (location in the volume's sectors,
// counted from the medium's start, and its index in that sector) and the flags. recordNo and
// condition are the caller's.
void FillExFatRecord(ScanRecord& r, const ExFatEntrySet& set, const ExFatVolume& volume, uint64_t entryOffset,
                     const ExFatRecordTags& tags);

// The volume offset of a record's File entry.
uint64_t ExFatEntryOffset(const ExFatVolume& volume, const ScanRecord& r);

// Where a recorded file's data lies: its entry set is read again for the valid length (the
// record keeps only the size); a deleted file, whose chain the FAT no longer holds, is read as
// one run from its first cluster. A set that no longer reads as recorded leaves the whole size
// to be read. 0, or 1392 for a record without a first cluster.
int ExFatPlaceOf(ExFatVolume& volume, const ScanRecord& r, ExFatDataPlace& place);

}  // namespace qm
