// The update-sequence fix-up: puts back the words a record's writer moved into the header.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qm {

struct NtfsVolumeGeometry;

// For each protected word i (fixupCount of them, fixupStride apart) copies the saved word at
// 0x32 + 2i over the last two bytes of that stride. Words past `size` are left alone. The
// words found there are not compared with the sequence number: a torn record is still read.
void applyFixup(uint8_t* record, size_t size, const NtfsVolumeGeometry& geometry);

}  // namespace qm
