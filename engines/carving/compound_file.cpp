#include "engines/carving/compound_file.h"

#include <algorithm>

#include "engines/carving/carve_context.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"
#include "engines/carving/office_classification.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint32_t kLastRegularSector = 0xFFFFFFF9;  // above: free, end of chain and other markers

// Reads compound-file sector `number`, which lies right after the header's own sector.
bool ReadCompoundSector(CarveContext& ctx, uint32_t number, uint32_t size, uint8_t* out) {
    if (number > kLastRegularSector) return false;
    return ReadFileBytes(ctx, ctx.startSector, (static_cast<uint64_t>(number) + 1) * size, size, out, false);
}

}  // namespace

uint64_t CompoundFileExtent(CarveContext& ctx, ByteView header) {
    const uint32_t size = CompoundSectorSize(header);
    if (size == 0) return 0;
    const uint32_t entries = size / 4;           // allocation entries per sector
    const uint32_t difatEntries = entries - 1;   // a DIFAT sector's last entry links the next
    const uint64_t addressable = (uint64_t{1} << 32) / size;
    const uint32_t fatSectors = header.u32(44);
    const uint32_t miniFatSectors = header.u32(64);
    const uint32_t difatSectors = header.u32(72);
    if (fatSectors == 0 || fatSectors > addressable || miniFatSectors > addressable) return 0;
    const uint32_t needed =
        fatSectors <= kHeaderDifatEntries ? 0 : (fatSectors - kHeaderDifatEntries + difatEntries - 1) / difatEntries;
    if (difatSectors != needed) return 0;

    // Beyond the cap the trailing free entries of the last table sector cannot matter.
    const uint64_t shortest = ((static_cast<uint64_t>(fatSectors) - 1) * entries + 1) * size;
    if (shortest >= kPackageLimit) return kPackageLimit;

    uint8_t sector[4096];
    const ByteView view(sector, size);
    uint32_t lastFatSector = 0;
    if (difatSectors == 0) {
        lastFatSector = header.u32(76 + 4 * (static_cast<size_t>(fatSectors) - 1));
    } else {
        uint32_t difat = header.u32(68);
        for (uint32_t i = 0; i < difatSectors; ++i) {
            if (!ReadCompoundSector(ctx, difat, size, sector)) return 0;
            if (i + 1 < difatSectors) difat = view.u32(4 * static_cast<size_t>(difatEntries));
        }
        const uint32_t remainder = (fatSectors - kHeaderDifatEntries) % difatEntries;
        const uint32_t index = remainder == 0 ? difatEntries - 1 : remainder - 1;
        lastFatSector = view.u32(4 * static_cast<size_t>(index));
    }
    if (!ReadCompoundSector(ctx, lastFatSector, size, sector)) return 0;
    uint32_t freeTail = 0;
    while (freeTail < entries && view.u32(size - 4 * (static_cast<size_t>(freeTail) + 1)) == 0xFFFFFFFF) ++freeTail;
    const uint64_t length = (static_cast<uint64_t>(fatSectors) * entries + 1 - freeTail) * size;
    return std::min(length, kPackageLimit);
}

uint64_t MeasureCompoundFile(CarveContext& ctx, ByteView first) {
    const uint64_t extent = CompoundFileExtent(ctx, first);
    return extent ? extent : RunNextHeaderRule(ctx, kPackageLimit);
}

}  // namespace qm
