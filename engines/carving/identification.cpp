#include "engines/carving/identification.h"

#include "engines/carving/carve_context.h"
#include "engines/carving/signature_dispatch.h"
#include "engines/carving/signature_table.h"
#include "platform/errors.h"

namespace qm {

int Identify(CarveContext& ctx, ByteView sector, Identification& out) {
    out = {};
    static const RowMask kRows = IdentificationRows();
    const ClaimResult claim = FirstClaim(ctx, sector, kRows);
    if (claim.row < 0) return kErrorInvalidParameter;
    const int row = FirstRowOfCode(claim.code);
    if (row < 0 || kSignatureTable[row].measure == nullptr) return kErrorInvalidParameter;
    out.row = row;
    out.code = claim.code;
    out.extension = kSignatureTable[row].extension;
    out.measure = kSignatureTable[row].measure;
    ctx.previousWasTransportStream = claim.code == kTypeTs;
    ctx.previousWasAvchd = claim.code == kTypeMts;
    return 0;
}

uint64_t Measure(CarveContext& ctx, const Identification& id, ByteView sector) {
    ctx.callbackResult = 0;
    return id.measure ? id.measure(ctx, sector) : 0;
}

uint64_t SectorsToSkip(int code, uint64_t length, uint32_t sectorSize) {
    switch (code) {
        case kTypeDoc: case kTypeOle: case kTypeXls: case kTypePpt: case kTypeWav: case kTypeAvi:
        case kTypeWmv: case kTypeSwf: case kTypeBmp: case kTypeCab: case kTypeTtf: case kTypeIco: case kTypeOtf:
            return 1;
        // Lengths these walks take from offsets and sizes they jump over unread (media data,
        // strips, pages): a file cut short or overwritten still claims them, so the scan goes
        // on inside rather than pass by whatever took its place.
        case kTypeMp4: case kTypeMov: case kType3gp: case kTypeHeic: case kTypeAvif: case kTypeCr3:
        case kTypeM4a: case kTypeM4v: case kTypeTif: case kTypeCr2: case kTypeNef: case kTypeNrw:
        case kTypeArw: case kTypeSr2: case kTypeDng: case kTypeOrf: case kTypeRw2: case kTypePef:
        case kTypeRaf: case kTypeWebp: case kTypePsd: case kTypeDb:
            return 1;
        default:
            break;
    }
    if (sectorSize == 0) return 1;
    const uint64_t sectors = length / sectorSize + (length % sectorSize ? 1 : 0);
    return sectors ? sectors : 1;  // the scan must always move on
}

std::string CarvedFileName(uint64_t sector, const char* extension) {
    return std::to_string(sector) + "." + (extension ? extension : "");
}

int IdentifyAndMeasure(CarveContext& ctx, ByteView sector, uint64_t sectorNumber, CarvedFile& out) {
    out = {};
    ctx.BeginCandidate(sectorNumber);
    if (int rc = Identify(ctx, sector, out.id); rc != 0) return rc;
    out.name = CarvedFileName(sectorNumber, out.id.extension);
    out.length = Measure(ctx, out.id, sector);
    if (ctx.callbackResult == CancelCode) return CancelCode;
    out.sectorsToSkip = SectorsToSkip(out.id.code, out.length, ctx.sectorSize);
    return 0;
}

}  // namespace qm
