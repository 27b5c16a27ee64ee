// Measures that take the length from the format's own header fields.
#include <algorithm>

#include "engines/carving/carve_context.h"
#include "engines/carving/measures.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

// The 64 KiB from the file's start, for directories that do not fit in the first sector.
ByteView ReadFileStart(CarveContext& ctx) {
    if (!ctx.CanRead()) return {};
    uint8_t* buffer = ctx.ReadAheadBuffer();
    bool failed = false;
    const uint32_t got = ReadSectorsClamped(ctx, ctx.startSector, kReadAheadBytes / ctx.sectorSize, buffer, failed);
    return ByteView(buffer, static_cast<size_t>(got) * ctx.sectorSize);
}

// The file-properties object of an ASF header, {8CABDCA1-A947-11CF-8EE4-00C00C205365} as stored.
constexpr char kAsfFileProperties[] = "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65";

// A RIFF size of 0 was left by a writer that could not go back to fill it in; the next
// header ends such a file.
uint64_t RiffLength(CarveContext& ctx, ByteView first) {
    const uint32_t size = first.u32(4);
    return size != 0 ? size + 8ull : MeasureNextHeader4G(ctx, first);
}

}  // namespace

uint64_t MeasureRiffAvi(CarveContext& ctx, ByteView first) {
    if (first.size() < 16) return ctx.sectorSize;
    return RiffLength(ctx, first);
}

uint64_t MeasureRiffWave(CarveContext& ctx, ByteView first) {
    if (first.size() < 8) return ctx.sectorSize;
    return RiffLength(ctx, first);
}

uint64_t MeasureBmpLength(CarveContext&, ByteView first) {
    if (first.size() < 6) return 0;
    return std::min<uint64_t>(first.u32(2), 128 * kMiB);
}

uint64_t MeasureFlashHeaderLength(CarveContext& ctx, ByteView first) {
    if (first.u8(0) != 'F' || first.size() < 8) return ctx.sectorSize;  // compressed: no length before inflating
    return std::min<uint64_t>(first.u32(4), 256 * kMiB);
}

uint64_t MeasureAsfFileSize(CarveContext& ctx, ByteView first) {
    for (size_t at = 30; first.has(at, 92); ++at) {
        if (!first.equals(at, kAsfFileProperties, 16)) continue;
        // A broadcast stream does not know its size; an unset size says nothing either.
        const uint64_t size = first.u64(at + 40);
        if ((first.u32(at + 88) & 1) == 0 && size != 0) return std::min(size, 256 * kMiB);
        break;
    }
    return ctx.sectorSize;
}

uint64_t MeasureCabinetLength(CarveContext& ctx, ByteView first) {
    if (first.size() < 36) return ctx.sectorSize;
    return std::min<uint64_t>(first.u32(8), 1 * kGiB);
}

uint64_t MeasureIconExtent(CarveContext& ctx, ByteView first) {
    const size_t count = first.u16(4);
    if (count == 0) return ctx.sectorSize;
    const size_t directoryEnd = 6 + 16 * count;
    ByteView bytes = first;
    if (!bytes.has(0, directoryEnd)) bytes = ReadFileStart(ctx);
    if (!bytes.has(0, directoryEnd)) return ctx.sectorSize;
    const size_t last = 6 + 16 * (count - 1);
    return static_cast<uint64_t>(bytes.u32(last + 12)) + bytes.u32(last + 8);
}

uint64_t MeasureFontExtent(CarveContext& ctx, ByteView first) {
    const size_t count = BigEndian16(first, 4);
    if (count == 0) return ctx.sectorSize;
    const size_t recordsEnd = 12 + 16 * count;
    ByteView bytes = first;
    if (!bytes.has(0, recordsEnd)) bytes = ReadFileStart(ctx);
    if (!bytes.has(0, recordsEnd)) return ctx.sectorSize;
    uint64_t extent = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t record = 12 + 16 * i;
        extent = std::max(extent, static_cast<uint64_t>(BigEndian32(bytes, record + 8)) + BigEndian32(bytes, record + 12));
    }
    return (extent + 3) & ~uint64_t{3};  // tables start on 4-byte boundaries, so the last one is padded too
}

}  // namespace qm
