// Tells Word, Excel and PowerPoint 2007 packages from other ZIP archives by the names of
// their first stored files.
#pragma once
#include "disk/byte_view.h"

namespace qm {

class CarveContext;

// The candidate starts at the context's current sector; `firstSector` is its first sector,
// used when the medium cannot be read. Returns kTypeDocx, kTypeXlsx, kTypePptx or kTypeNoMatch.
int ClassifyPackage(CarveContext& ctx, ByteView firstSector);

// The same decision over bytes in hand: 1, 4, 6, 49, or -1 when the bytes end before any
// entry decided and before the end-of-central-directory record.
int ClassifyPackageBytes(ByteView bytes);

}  // namespace qm
