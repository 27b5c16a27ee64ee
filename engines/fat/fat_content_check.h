// Whether a found file's first cluster still holds data of the type its name claims.
#pragma once
#include <cstdint>
#include <string>

#include "disk/byte_view.h"
#include "engines/fat/fat_volume.h"

namespace qm {

// 1 when the first sector fits the extension (or the extension is not one the detectors
// know), 0 when a detector rejects it. The one place the engine asks the format detectors
// (MatchesExtension of the carving engine).
int ContentMatchesExtension(ByteView firstSector, const std::string& extension, FatVolume& volume,
                            uint64_t sector);

// The record's `condition`: 1 intact, 0 damaged. A name without "." and an unreadable first
// sector count as intact; a non-empty file whose first cluster lies outside the volume
// cannot be recovered and counts as damaged.
int CheckContent(FatVolume& volume, const std::string& name, uint32_t firstCluster, uint64_t size);

}  // namespace qm
