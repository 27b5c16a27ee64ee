// The test that picks FAT directory sectors out of everything else a medium holds. It runs
// on every sector that is not an NTFS record or a subdirectory's first sector, so it must
// refuse file data, zeros and noise cheaply.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"

namespace qm::profat {

// The long-name checksum of a short entry's 11 name bytes.
uint8_t ShortNameChecksum(ByteView entry);

// Whether every entry of the sector (up to a zero entry, after which only zeros may follow)
// is a plausible directory entry. Fits the carving read-ahead's FatDirectorySectorTest.
bool IsDirectorySector(const uint8_t* bytes, size_t length);

}  // namespace qm::profat
