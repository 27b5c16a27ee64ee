// Whether a found file's first data still looks like the type its name claims.
#pragma once
#include <cstdint>
#include <string>

#include "disk/byte_view.h"
#include "disk/sector_reader.h"

namespace qm {

// 1 when the bytes (or the sector they came from, which a detector may read on from) fit the
// extension, 0 when a detector rejects them. Extensions without a detector pass.
int ntfsContentMatches(ByteView bytes, const std::string& extension, SectorReader& reader, uint32_t sectorSize,
                       uint64_t sector);

}  // namespace qm
