// Reading a stream's content back from the medium, for an engine that knows the volume
// through a boot sector as much as for one that knows it only through a found record.
#pragma once
#include <cstdint>
#include <functional>

#include "disk/sector_reader.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_volume.h"

namespace qm {

// The stream's first `size` bytes: resident bytes as they are, plain runs as stored, sparse
// runs and bytes past the initialised size as zeros, LZNT1 compression units decompressed.
// Handed on in pieces of at most 64 KiB; a non-zero result of sink stops the read and is
// returned. kErrorInvalidParameter for runs on a geometry without a usable cluster size.
int readNtfsStream(SectorReader& reader, const NtfsVolumeGeometry& geometry, const NtfsStream& stream, uint64_t size,
                   const std::function<int(const uint8_t*, size_t)>& sink);

}  // namespace qm
