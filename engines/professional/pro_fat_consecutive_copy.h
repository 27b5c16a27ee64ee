// Reads a found file's data as consecutive clusters from its first one: after a format the
// allocation table no longer knows the chain, so the next cluster is always the following.
#pragma once
#include <cstdint>
#include <functional>

#include "disk/sector_reader.h"
#include "results/scan_record.h"

namespace qm::profat {

struct CopyResult {
    int error = 0;  // 0, a Windows error, or what the progress callback returned
    bool stoppedByProgress = false;
    uint64_t bytesDone = 0;
};

// Receives the next piece; returns 0, a write error, or -1 to end early with success.
using CopySink = std::function<int(const uint8_t* bytes, size_t length)>;
// Percent done and the error so far; non-zero stops the copy. Called once with 100 at the end.
using CopyProgress = std::function<int(int percent, int error)>;

// Copies the record's `size` bytes from the sector its fields name (partitionStart + dataStart
// + (fsId - 2) x sectors per cluster). Data that would lie past `mediumEnd` (an absolute
// sector) is not there: the copy stops at the medium's end with 30. A cluster above 100 MiB
// gives 29.
CopyResult CopyConsecutiveClusters(SectorReader& reader, uint32_t sectorSize, uint64_t mediumEnd,
                                   const ScanRecord& record, const CopySink& sink, const CopyProgress& progress);

}  // namespace qm::profat
