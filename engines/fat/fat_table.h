// The allocation table, read through a window of at most 16 MiB so that a scan touches the
// table in a few large reads. Entries are 12, 16 or 32 bits wide as the volume's type says.
#pragma once
#include <cstdint>
#include <vector>

#include "engines/fat/fat_volume.h"

namespace qm {

class FatTable {
public:
    static constexpr uint32_t kWindowBytes = 0x1000000;

    // Sizes the window to the table (at most 16 MiB) and reads its first part. 0 or 8; a
    // failed read is not fatal here, the entries of an unreadable window read as free.
    int Load(FatVolume& volume);
    bool IsLoaded() const { return volume_ != nullptr; }

    // The table's value for a cluster (32-bit entries without their reserved top bits).
    // 87 for a cluster the table has no entry for; 30 when the window cannot be moved there.
    int ReadFatEntry(uint32_t cluster, uint32_t& value);
    bool IsEndMark(uint32_t value) const;
    bool IsBadMark(uint32_t value) const;
    // The cluster after `cluster` in its chain, or 0 at the end. An erased (free) entry is
    // taken to continue into the next cluster while that one is free too, which is how a
    // deleted file most likely lay. Never yields a cluster outside the volume.
    uint32_t NextCluster(uint32_t cluster);

private:
    int MoveWindow(uint64_t byteOffset);

    FatVolume* volume_ = nullptr;
    std::vector<uint8_t> window_;
    uint64_t windowFirstSector_ = 0;  // relative to the table start
    uint64_t windowBytes_ = 0;        // bytes of the window in use (0: nothing loaded)
    uint64_t tableBytes_ = 0;
};

}  // namespace qm
