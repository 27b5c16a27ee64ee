#include "engines/carving/matches_extension.h"

#include "engines/carving/carve_context.h"
#include "engines/carving/signature_table.h"

namespace qm {

int MatchesExtension(CarveContext& ctx, ByteView bytes, std::string_view extension, ISectorSource* source,
                     uint32_t sectorSize, uint64_t sector) {
    const int first = FirstRowOfExtension(extension);
    if (first < 0) return 1;
    ctx.sectorSize = sectorSize;
    ctx.source = source;
    // An extension may have several rows (an MP3 with or without its tag): any of them will do.
    const std::string_view name = kSignatureTable[first].extension;
    for (size_t row = static_cast<size_t>(first); row < kSignatureRowCount; ++row) {
        const SignatureRow& r = kSignatureTable[row];
        if (r.detector == nullptr || name != r.extension) continue;
        ctx.BeginCandidate(sector);
        if (r.detector->detect(ctx, bytes) == r.code) return 1;
    }
    return 0;
}

int MatchesExtension(const uint8_t* bytes, size_t length, std::string_view extension, SectorReader& reader,
                     uint32_t sectorSize, uint64_t sector) {
    CarveContext ctx;
    ReaderSectorSource source(reader);
    return MatchesExtension(ctx, ByteView(bytes, length), extension, &source, sectorSize, sector);
}

}  // namespace qm
