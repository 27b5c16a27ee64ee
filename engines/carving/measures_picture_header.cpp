// Picture formats whose header gives the file's length: WebP's RIFF size and the parts
// that the Fujifilm raw header points to.
#include "engines/carving/formats_pictures.h"
#include "engines/carving/measures.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kWebpLimit = 256 * kMiB;
constexpr uint64_t kRafLimit = kGiB / 2;

// Offset and length pairs of the Fujifilm raw header: the JPEG preview, the sensor header
// and the sensor data, then those of a second frame, which only some sensors write.
constexpr size_t kRafParts[] = {84, 92, 100};
constexpr size_t kRafSecondFrameParts[] = {120, 128};

}  // namespace

uint64_t MeasureWebpLength(CarveContext& ctx, ByteView first) {
    const uint64_t size = first.u32(4);
    if (first.size() < 16 || size < 12) return MeasureNextHeader256M(ctx, first);
    const uint64_t length = size + 8 + (size & 1);  // a RIFF chunk of odd size is padded
    return length <= kWebpLimit ? length : MeasureNextHeader256M(ctx, first);
}

uint64_t MeasureFujifilmRawLength(CarveContext& ctx, ByteView first) {
    if (first.size() < 136) return MeasureNextHeader256M(ctx, first);
    uint64_t end = 0;
    for (size_t at : kRafParts) {
        const uint64_t part = static_cast<uint64_t>(BigEndian32(first, at)) + BigEndian32(first, at + 4);
        if (part > kRafLimit) return MeasureNextHeader256M(ctx, first);
        end = part > end ? part : end;
    }
    for (size_t at : kRafSecondFrameParts) {
        const uint64_t offset = BigEndian32(first, at);
        const uint64_t part = offset + BigEndian32(first, at + 4);
        if (offset != 0 && part <= kRafLimit && part > end) end = part;
    }
    return end != 0 ? end : MeasureNextHeader256M(ctx, first);
}

}  // namespace qm
