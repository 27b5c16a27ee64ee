// The length of a compound file (the container of Word, Excel and PowerPoint 97-2003
// files) from its header and the last sector of its allocation table.
#pragma once
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

class CarveContext;

// The file starts at the context's start sector and `header` is its first sector. Returns
// the length capped at kPackageLimit, or 0 when the header is inconsistent or a read fails.
uint64_t CompoundFileExtent(CarveContext& ctx, ByteView header);

}  // namespace qm
