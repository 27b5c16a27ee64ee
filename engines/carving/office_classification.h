// Tells Word, Excel and PowerPoint 97-2003 files apart from other compound files.
#pragma once
#include "disk/byte_view.h"

namespace qm {

class CarveContext;

// The candidate's compound-file header is `header`; the file starts at the context's current
// sector. Returns kTypeDoc, kTypeXls, kTypePpt, or kTypeOle when it cannot tell.
int ClassifyCompoundFile(CarveContext& ctx, ByteView header);

// The file's own sector size from its header: 512 or 4096, or 0 for any other shift.
uint32_t CompoundSectorSize(ByteView header);

}  // namespace qm
