#include "engines/carving/signature_dispatch.h"

#include <bit>

#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"

namespace qm {
namespace {

constexpr size_t kMaxAnchorOffsets = 8;

struct DispatchIndex {
    size_t offsetCount = 0;
    size_t offsets[kMaxAnchorOffsets] = {};
    RowMask byValue[kMaxAnchorOffsets][256];
    RowMask always;
    RowMask all;
    RowMask identification;
    RowMask readsMedium;

    DispatchIndex() {
        for (size_t row = 0; row < kSignatureRowCount; ++row) {
            const SignatureRow& r = kSignatureTable[row];
            all.set(row);
            if (!r.extensionCheckOnly) identification.set(row);
            if (r.detector->readsMedium) readsMedium.set(row);
            if (r.detector->anchorCount == 0) always.set(row);
            for (uint8_t a = 0; a < r.detector->anchorCount; ++a) {
                const SignatureAnchor& anchor = r.detector->anchors[a];
                const size_t slot = Slot(anchor.offset);
                if (slot < kMaxAnchorOffsets)
                    byValue[slot][anchor.value].set(row);
                else
                    always.set(row);  // no slot left: ask the row always rather than miss it
            }
        }
    }

    size_t Slot(size_t offset) {
        for (size_t i = 0; i < offsetCount; ++i)
            if (offsets[i] == offset) return i;
        if (offsetCount == kMaxAnchorOffsets) return kMaxAnchorOffsets;
        offsets[offsetCount] = offset;
        return offsetCount++;
    }

    RowMask Candidates(ByteView bytes) const {
        RowMask mask = always;
        const uint8_t* p = bytes.data();
        for (size_t i = 0; i < offsetCount; ++i)
            if (offsets[i] < bytes.size()) mask = mask | byValue[i][p[offsets[i]]];
        return mask;
    }
};

const DispatchIndex& Index() {
    static const DispatchIndex index;
    return index;
}

template <typename Visit>
void ForEachRow(const RowMask& mask, Visit&& visit) {
    for (size_t w = 0; w < 2; ++w) {
        uint64_t bits = mask.words[w];
        while (bits) {
            const size_t row = w * 64 + static_cast<size_t>(std::countr_zero(bits));
            bits &= bits - 1;
            if (!visit(row)) return;
        }
    }
}

}  // namespace

RowMask AllRows() { return Index().all; }
RowMask IdentificationRows() { return Index().identification; }

RowMask RowsWithout(const Detector& excluded) {
    RowMask mask;
    for (size_t row = 0; row < kSignatureRowCount; ++row)
        if (kSignatureTable[row].detector != &excluded) mask.set(row);
    return mask;
}

RowMask CandidateRows(ByteView bytes) { return Index().Candidates(bytes); }

ClaimResult FirstClaim(CarveContext& ctx, ByteView bytes, const RowMask& allowed) {
    ClaimResult result;
    if (bytes.size() == 0) return result;
    const Detector* refused = nullptr;  // neighbouring rows often share a detector
    ForEachRow(Index().Candidates(bytes) & allowed, [&](size_t row) {
        const Detector* detector = kSignatureTable[row].detector;
        if (detector == refused) return true;
        const int code = detector->detect(ctx, bytes);
        if (code == kTypeNoMatch) {
            refused = detector;
            return true;
        }
        result = {static_cast<int>(row), code};
        return false;
    });
    return result;
}

ClaimResult FirstClaimByTableWalk(CarveContext& ctx, ByteView bytes, const RowMask& allowed) {
    for (size_t row = 0; row < kSignatureRowCount; ++row) {
        if (!allowed.test(row)) continue;
        const int code = kSignatureTable[row].detector->detect(ctx, bytes);
        if (code != kTypeNoMatch) return {static_cast<int>(row), code};
    }
    return {};
}

bool AnyRowClaims(CarveContext& ctx, ByteView bytes, const RowMask& allowed) {
    if (bytes.size() == 0) return false;
    const DispatchIndex& index = Index();
    const RowMask candidates = index.Candidates(bytes) & allowed;
    if (candidates.empty()) return false;
    const RowMask reading = index.readsMedium;
    const RowMask cheap{{candidates.words[0] & ~reading.words[0], candidates.words[1] & ~reading.words[1]}};
    // Only the yes or no matters here, so the cheap signature tests go first.
    for (const RowMask& pass : {cheap, candidates & reading})
        if (FirstClaim(ctx, bytes, pass).row >= 0) return true;
    return false;
}

}  // namespace qm
