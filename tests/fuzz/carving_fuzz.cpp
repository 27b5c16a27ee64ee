// Runs identification, every measure and the extension check over arbitrary bytes held
// as a medium in memory. The first byte picks the sector size.
#include <cstddef>
#include <cstdint>

#include "engines/carving/carve_context.h"
#include "engines/carving/identification.h"
#include "engines/carving/matches_extension.h"
#include "engines/carving/sector_source.h"
#include "engines/carving/signature_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    if (size < 2) return 0;
    static constexpr uint32_t kSizes[] = {512, 1024, 2048, 4096};
    const uint32_t sectorSize = kSizes[data[0] & 3];
    const bool failLate = (data[0] & 4) != 0;
    const ByteView medium(data + 1, size - 1);
    MemorySectorSource source(medium);
    if (failLate) source.FailFrom(3);

    CarveContext ctx;
    ctx.sectorSize = sectorSize;
    ctx.source = &source;
    const uint64_t sectors = medium.size() / sectorSize;
    // The last, partial sector is offered as well: callers may hand over short buffers.
    for (uint64_t i = 0; i <= sectors && i < 64; ++i) {
        const ByteView sector = medium.sub(static_cast<size_t>(i * sectorSize), sectorSize);
        CarvedFile carved;
        IdentifyAndMeasure(ctx, sector, i, carved);
    }

    const ByteView first = medium.sub(0, sectorSize);
    for (size_t row = 0; row < kSignatureRowCount; ++row) {
        const SignatureRow& r = kSignatureTable[row];
        if (r.measure) {
            ctx.BeginCandidate(0);
            r.measure(ctx, first);
        }
        MatchesExtension(ctx, first, r.extension, &source, sectorSize, 0);
        MatchesExtension(ctx, medium.sub(0, 17), r.extension, &source, sectorSize, sectors);
    }
    return 0;
}
