// Reads a found file's data as consecutive clusters from its first one: after a format the
// allocation table no longer knows the chain, so the next cluster is always the following.
#pragma once
#include <cstdint>

#include "disk/sector_reader.h"
#include "engines/fat/fat_copy_pass.h"
#include "results/scan_record.h"

namespace qm::profat {

// Copies the record's `size` bytes from the sector its fields name (partitionStart + dataStart
// + (fsId - 2) x sectors per cluster). Data that would lie past `mediumEnd` (an absolute
// sector) is not there: the copy stops at the medium's end with 30. A cluster above 100 MiB
// gives 29. Errors and success are reported once through `progress` with percent 100.
ChainCopyResult CopyConsecutiveClusters(SectorReader& reader, uint32_t sectorSize, uint64_t mediumEnd,
                                        const ScanRecord& record, const ChainSink& sink,
                                        const ChainProgress& progress);

}  // namespace qm::profat
