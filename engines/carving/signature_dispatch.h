// Finds the first signature row that claims a sector without asking every detector: an
// index on a few fixed byte positions, built from the detectors' anchors at first use,
// offers each sector only the rows that can possibly match, in table order.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_table.h"

namespace qm {

class CarveContext;

// A set of table rows.
struct RowMask {
    uint64_t words[2] = {0, 0};
    void set(size_t row) { words[row / 64] |= uint64_t{1} << (row % 64); }
    bool test(size_t row) const { return (words[row / 64] >> (row % 64)) & 1; }
    RowMask operator&(const RowMask& o) const { return {{words[0] & o.words[0], words[1] & o.words[1]}}; }
    RowMask operator|(const RowMask& o) const { return {{words[0] | o.words[0], words[1] | o.words[1]}}; }
    bool empty() const { return (words[0] | words[1]) == 0; }
};

struct ClaimResult {
    int row = -1;   // the claiming row, -1 for none
    int code = kTypeNoMatch;  // what its detector returned
};

RowMask AllRows();
RowMask IdentificationRows();  // every row but those kept for the extension check
// Rows minus those whose detector is `excluded`.
RowMask RowsWithout(const Detector& excluded);

// The rows whose anchors the bytes carry (plus rows without anchors), as the index says.
RowMask CandidateRows(ByteView bytes);

// The first row of `allowed`, in table order, whose detector claims the bytes.
ClaimResult FirstClaim(CarveContext& ctx, ByteView bytes, const RowMask& allowed);
// The same answer found by asking every allowed row in order; the reference for the index.
ClaimResult FirstClaimByTableWalk(CarveContext& ctx, ByteView bytes, const RowMask& allowed);
// Whether any allowed row claims the bytes; detectors that read the medium are asked last.
bool AnyRowClaims(CarveContext& ctx, ByteView bytes, const RowMask& allowed);

}  // namespace qm
