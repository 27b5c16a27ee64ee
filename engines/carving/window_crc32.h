// The CRC-32 that archive headers carry, over a run of a candidate file's bytes.
#pragma once
#include <cstdint>

#include "engines/carving/file_window.h"

namespace qm {

// CRC-32 of the file's bytes [offset, offset + length); false when any of them cannot be read.
bool WindowCrc32(FileWindow& window, uint64_t offset, uint64_t length, uint32_t& crc);

}  // namespace qm
