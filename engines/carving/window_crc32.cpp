#include "engines/carving/window_crc32.h"

#include <zlib.h>

namespace qm {

bool WindowCrc32(FileWindow& window, uint64_t offset, uint64_t length, uint32_t& crc) {
    uLong value = crc32(0L, Z_NULL, 0);
    while (length > 0) {
        const size_t run = length < FileWindow::kMaxRun ? static_cast<size_t>(length) : FileWindow::kMaxRun;
        const ByteView b = window.Bytes(offset, run);
        if (b.size() != run) return false;
        value = crc32(value, b.data(), static_cast<uInt>(run));
        offset += run;
        length -= run;
    }
    crc = static_cast<uint32_t>(value);
    return true;
}

}  // namespace qm
