#include "engines/carving/matches_extension.h"

#include "engines/carving/carve_context.h"
#include "engines/carving/signature_table.h"

namespace qm {

int MatchesExtension(CarveContext& ctx, ByteView bytes, std::string_view extension, ISectorSource* source,
                     uint32_t sectorSize, uint64_t sector) {
    const int row = FirstRowOfExtension(extension);
    if (row < 0) return 1;
    ctx.sectorSize = sectorSize;
    ctx.source = source;
    ctx.BeginCandidate(sector);
    const SignatureRow& r = kSignatureTable[row];
    if (r.detector == nullptr) return 0;
    return r.detector->detect(ctx, bytes) == r.code ? 1 : 0;
}

int MatchesExtension(const uint8_t* bytes, size_t length, std::string_view extension, SectorReader& reader,
                     uint32_t sectorSize, uint64_t sector) {
    CarveContext ctx;
    ReaderSectorSource source(reader);
    return MatchesExtension(ctx, ByteView(bytes, length), extension, &source, sectorSize, sector);
}

}  // namespace qm
