// A source opened once for a scan: the one reader every engine of the scan reads through,
// where the scanned area lies, and what the probe made of its first sectors.
#pragma once
#include <cstdint>
#include <string>

#include "disk/file_system_probe.h"
#include "disk/sector_reader.h"

namespace qm {

// Where a source lies: a partition (or all) of a physical disk, or an image file.
struct SourceLocation {
    bool isImage = false;
    int diskNumber = 0;
    // Where the scanned area starts and how long it is, in the disk's sectors (512-byte
    // sectors of an image file); a count of 0 runs to the end.
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;
    // A partition's drive letter or number, or the tag the front end gave an image.
    uint16_t tag = 0;
    std::wstring imagePath;

    static SourceLocation Image(const std::wstring& path, uint16_t tag);
    // One partition of a whole-disk image.
    static SourceLocation ImagePartition(const std::wstring& path, uint16_t tag, uint64_t firstSector,
                                         uint64_t sectorCount);
    static SourceLocation Partition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t tag);
};

struct Source {
    SourceLocation where;
    SectorReader reader;  // copies share the one open file
    uint32_t sectorSize = kDefaultSectorSize;
    uint64_t areaStart = 0;  // the scanned area, in sectors of sectorSize
    uint64_t areaSectors = 0;
    // 0 when the first kProbeSize bytes were read, else why not (30: too short for a file system).
    int probeResult = 0;
    ProbeVerdict probe;

    bool IsOpen() const { return reader.IsOpen(); }
};

// Opens the source for reading only (a mounted partition's volume is flushed first), reads
// its first kProbeSize bytes and judges them. 0, or the Windows error number of the open;
// a probe that could not be read is kept in probeResult, not returned.
int OpenSource(const SourceLocation& where, Source& out);

}  // namespace qm
