// An image file read as a disk: the partition table at its start, and the entries the disk
// list would show for it (partitions with the file system their boot sectors name, and the
// unpartitioned gaps between them). A bare volume image has no table and no entries.
#pragma once
#include <cstdint>
#include <functional>
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

// Reads the table through an open reader of an image or a whole disk. Gaps of more than 1 MiB
// are listed; alignment space (before the first partition, before a logical volume) is not.
ImageLayout ReadImageLayout(SectorReader& reader);
// The same for an image by path: 0, or the Windows error number of the open.
int ReadImageLayout(const std::wstring& imagePath, ImageLayout& out);

// Opens disk N for reading (tests open an image file in its place).
using DiskOpener = std::function<int(int diskNumber, SectorReader& reader)>;

// Disks the system lists without partitions (one bare whole-disk entry, as a card whose table
// the system does not read) are read through their own partition table: the bare entry gives
// way to the table's partitions and gaps, on that disk. Letterless entries are then numbered by
// their position in the whole list again, as the disk list numbers them.
void ReadTablesOfBareDisks(std::vector<VolumeEntry>& entries, const DiskOpener& open = {});

// "card.img:2" -> "card.img" and 2 when the text ends in ':' and digits and what comes before
// names an existing file (a file really named "x:2" is taken as it is).
bool SplitImagePartitionName(const std::wstring& text, std::wstring& imagePath, size_t& number);

}  // namespace qm
