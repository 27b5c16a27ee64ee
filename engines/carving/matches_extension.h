// Whether the bytes at a file's start hold what its extension claims: the fast and
// professional file-system engines judge a found file's content with it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "disk/byte_view.h"

namespace qm {

class CarveContext;
class ISectorSource;
struct SectorReader;

// 1 when a table row with this extension (ignoring ASCII case) has a detector that returns
// that row's code for the bytes, 0 when none does; 1 for an extension the table does not
// know. Points the context at `source`, `sectorSize` and `sector` first: some
// detectors read on from there.
int MatchesExtension(CarveContext& ctx, ByteView bytes, std::string_view extension, ISectorSource* source,
                     uint32_t sectorSize, uint64_t sector);

// The same with a context of its own, for callers outside a carving run.
int MatchesExtension(const uint8_t* bytes, size_t length, std::string_view extension, SectorReader& reader,
                     uint32_t sectorSize, uint64_t sector);

}  // namespace qm
