// An image file read as a disk: the partition table at its start, and the entries the disk
// list would show for it (partitions with the file system their boot sectors name, and the
// unpartitioned gaps between them). A bare volume image has no table and no entries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "disk/partition_table.h"
#include "disk/sector_reader.h"
#include "disk/volume_entry.h"

namespace qm {

struct ImageLayout {
    PartitionTable table;
    uint64_t bytes = 0;                 // the medium's length
    uint32_t unitBytes = 512;           // the reader's sectors: 512 for an image, the device's for a disk
    std::vector<VolumeEntry> entries;   // in sectors of table.sectorSize, by start; empty without a table

    bool IsDisk() const { return table.scheme != PartitionScheme::None; }
    // Where entry `number` (1-based, as `IMAGE:N` names it) lies, in the reader's sectors
    // (512 bytes for an image file); false for a number that names no partition (gaps are not
    // scanned) or one that starts past the medium's end.
    bool PartitionArea(size_t number, uint64_t& firstSector, uint64_t& sectorCount) const;
};

// Reads the table through an open reader of an image or a whole disk. Gaps of at least 1 MiB
// are listed; the alignment space before the first partition is not.
ImageLayout ReadImageLayout(SectorReader& reader);
// The same for an image by path: 0, or the Windows error number of the open.
int ReadImageLayout(const std::wstring& imagePath, ImageLayout& out);

// "card.img:2" -> "card.img" and 2 when the text ends in ':' and digits and what comes before
// names an existing file (a file really named "x:2" is taken as it is).
bool SplitImagePartitionName(const std::wstring& text, std::wstring& imagePath, size_t& number);

}  // namespace qm
