// The machine's disks with their partitions, unpartitioned gaps and bare disks, in the order
// the disk list shows them.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "disk/volume_entry.h"
#include "disk/volume_query.h"

namespace qm {

// Disks 0..127 are looked at for bare disks; higher numbers are never probed.
inline constexpr int kMaxProbedDisks = 128;

class VolumeList {
public:
    VolumeList();  // asks the real system
    explicit VolumeList(std::unique_ptr<IVolumeQuery> query);

    // 1 on success, 0 when the system's volume catalogue cannot be opened.
    int Refresh();
    // Copies the next entry (disks ascending, each disk's entries in order); 0 at the end.
    int NextEntry(VolumeEntry& entry);
    void CopyAll(std::vector<VolumeEntry>& entries) const;
    // Refreshes, then lists the previous entries with no new entry of the same disk and start.
    // True when something vanished; for an empty previous list, whether the refresh worked.
    bool RefreshAndFindVanished(const std::vector<VolumeEntry>& previous, std::vector<VolumeEntry>& vanished);
    int IsRemovableDisk(int diskNumber);

    uint32_t sectorSize() const { return sectorSize_; }

private:
    void AddGapsAndBareDisks();

    std::unique_ptr<IVolumeQuery> query_;
    uint32_t sectorSize_ = 512;
    std::map<int, std::vector<VolumeEntry>> disks_;
    std::map<int, std::vector<VolumeEntry>>::const_iterator cursorDisk_;
    size_t cursorIndex_ = 0;
};

// The drive letter text ("C:") of a volume's device name, or empty (always empty on Linux).
std::string QueryDriveLetter(const std::string& deviceName);
// 1 for removable media or a disk on a USB or SD bus, else 0 (also when it does not open).
int IsRemovableDisk(int diskNumber);

}  // namespace qm
