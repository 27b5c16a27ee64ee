// Sectors that belong to a file system rather than to a file: they end a carved file
// that is being read ahead just as another file's header does.
#pragma once
#include "disk/byte_view.h"

namespace qm {

class CarveContext;

// NTFS file records, log restart pages, index blocks and the attribute definition table,
// FAT, NTFS and exFAT boot sectors, and (through the context's test) FAT directory sectors.
bool IsFileSystemStructure(const CarveContext& ctx, ByteView sector);

}  // namespace qm
