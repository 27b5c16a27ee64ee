#include "engines/ntfs/ntfs_fixup.h"

#include "engines/ntfs/ntfs_geometry.h"

namespace qm {

void applyFixup(uint8_t* record, size_t size, const NtfsVolumeGeometry& geometry) {
    if (!record || geometry.fixupStride < 2) return;
    const size_t stride = static_cast<size_t>(geometry.fixupStride);
    for (int32_t i = 0; i < geometry.fixupCount; ++i) {
        const size_t from = 0x32 + 2 * static_cast<size_t>(i);
        const size_t to = stride * static_cast<size_t>(i + 1) - 2;
        if (to + 2 > size || from + 2 > size) break;
        record[to] = record[from];
        record[to + 1] = record[from + 1];
    }
}

}  // namespace qm
