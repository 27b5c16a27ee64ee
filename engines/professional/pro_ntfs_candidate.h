// The cheap per-sector test of the deep scan: does this sector start an MFT file record?
#pragma once
#include <cstdint>

#include "disk/byte_view.h"
#include "engines/ntfs/ntfs_record.h"

namespace qm {

// Record size the deep scan assumes for a sector size: two sectors up to 512 bytes, one above.
uint32_t proNtfsRecordBytes(uint32_t bytesPerSector);

// "FILE", bytes in use not above the record size, bytes allocated equal to it, and the update
// sequence number repeated in the last word of the first 512 bytes. The record size is the one
// the sector size implies, or `volumeRecordBytes` (when not 0): that of a volume met on the
// medium whose sectors are larger than the medium's.
bool isNtfsRecordCandidate(ByteView sector, uint32_t bytesPerSector, uint32_t volumeRecordBytes = 0);

// Directories are not parsed when found: they are read later as the folders of their files.
inline bool candidateIsDirectory(ByteView record) {
    return (recordFlags(record) & kRecordIsDirectory) != 0;
}

}  // namespace qm
