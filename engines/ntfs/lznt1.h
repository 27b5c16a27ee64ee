// LZNT1, the compression of NTFS compressed files: a compression unit is stored as chunks of
// at most 4096 output bytes each.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

inline constexpr size_t kLznt1ChunkBytes = 4096;

// Decompresses one compression unit into out (outSize bytes, the unit's size). Bytes the
// chunks do not produce are zeros. False for a malformed stream (what was decoded stays).
bool decompressLznt1(ByteView in, uint8_t* out, size_t outSize);

}  // namespace qm
