#include "disk/volume_list.h"

#include <algorithm>

namespace qm {
namespace {

void sortByStart(std::vector<VolumeEntry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const VolumeEntry& a, const VolumeEntry& b) {
        return static_cast<int64_t>(a.start) < static_cast<int64_t>(b.start);
    });
}

VolumeEntry freeArea(int diskNumber, uint64_t start, uint64_t length, uint32_t sectorSize) {
    VolumeEntry e;
    e.tag = kTagUnnumbered;
    e.fsType = 0;
    e.diskNumber = diskNumber;
    e.partitionNumber = 0;
    e.start = start;
    e.length = length;
    e.totalBytes = e.freeBytes = length * sectorSize;
    e.usedBytes = 0;
    return e;
}

}  // namespace

VolumeList::VolumeList() : VolumeList(CreateSystemVolumeQuery()) {}

VolumeList::VolumeList(std::unique_ptr<IVolumeQuery> query) : query_(std::move(query)) {
    cursorDisk_ = disks_.cbegin();
}

int VolumeList::Refresh() {
    disks_.clear();
    cursorDisk_ = disks_.cbegin();
    cursorIndex_ = 0;

    std::vector<VolumeEntry> volumes;
    if (!query_ || !query_->CollectVolumes(volumes)) return 0;
    for (VolumeEntry& v : volumes) {
        if (v.fsType == 0 || v.diskNumber < 0) continue;
        disks_[v.diskNumber].push_back(std::move(v));
    }
    for (auto& [disk, entries] : disks_) sortByStart(entries);
    AddGapsAndBareDisks();
    for (auto& [disk, entries] : disks_) sortByStart(entries);

    // A letterless entry is known by its 1-based position in the whole list.
    uint16_t counter = 1;
    for (auto& [disk, entries] : disks_) {
        for (VolumeEntry& e : entries) {
            if (e.tag == kTagUnnumbered) e.tag = counter;
            ++counter;
        }
    }
    cursorDisk_ = disks_.cbegin();
    cursorIndex_ = 0;
    return 1;
}

void VolumeList::AddGapsAndBareDisks() {
    for (auto& [disk, entries] : disks_) {
        DiskShape shape;
        if (!query_->QueryDiskShape(disk, shape) || shape.bytesPerSector == 0) {
            // Without geometry the entries still need sector values; gaps cannot be told.
            for (VolumeEntry& e : entries) {
                e.start /= 512;
                e.length /= 512;
            }
            continue;
        }
        sectorSize_ = shape.bytesPerSector;
        const uint64_t cylinder = shape.SectorsPerCylinder();
        uint64_t previousEnd = shape.sectorsPerTrack;  // the first track is never a gap
        std::vector<VolumeEntry> gaps;
        for (VolumeEntry& e : entries) {
            e.start /= sectorSize_;
            e.length /= sectorSize_;
            if (e.start > previousEnd && e.start - previousEnd > cylinder)
                gaps.push_back(freeArea(disk, previousEnd, e.start - previousEnd, sectorSize_));
            // An entry lying inside an earlier one must not pull the end back.
            previousEnd = std::max(previousEnd, e.start + e.length);
        }
        if (shape.totalSectors > previousEnd && shape.totalSectors - previousEnd > cylinder)
            gaps.push_back(freeArea(disk, previousEnd, shape.totalSectors - previousEnd, sectorSize_));
        entries.insert(entries.end(), gaps.begin(), gaps.end());
    }
    for (int disk = 0; disk < kMaxProbedDisks; ++disk) {
        if (disks_.count(disk)) continue;
        DiskShape shape;
        if (!query_->QueryDiskShape(disk, shape) || shape.bytesPerSector == 0 || shape.totalSectors == 0) continue;
        sectorSize_ = shape.bytesPerSector;
        disks_[disk].push_back(freeArea(disk, 0, shape.totalSectors, shape.bytesPerSector));
    }
}

int VolumeList::NextEntry(VolumeEntry& entry) {
    while (cursorDisk_ != disks_.cend()) {
        if (cursorIndex_ < cursorDisk_->second.size()) {
            entry = cursorDisk_->second[cursorIndex_++];
            return 1;
        }
        ++cursorDisk_;
        cursorIndex_ = 0;
    }
    return 0;
}

void VolumeList::CopyAll(std::vector<VolumeEntry>& entries) const {
    entries.clear();
    for (const auto& [disk, list] : disks_) entries.insert(entries.end(), list.begin(), list.end());
}

bool VolumeList::RefreshAndFindVanished(const std::vector<VolumeEntry>& previous,
                                        std::vector<VolumeEntry>& vanished) {
    const int refreshed = Refresh();
    if (previous.empty()) return refreshed != 0;
    std::vector<VolumeEntry> now;
    CopyAll(now);
    bool any = false;
    for (const VolumeEntry& old : previous) {
        const bool present = std::any_of(now.begin(), now.end(), [&](const VolumeEntry& e) {
            return e.diskNumber == old.diskNumber && e.start == old.start;
        });
        if (!present) {
            vanished.push_back(old);
            any = true;
        }
    }
    return any;
}

int VolumeList::IsRemovableDisk(int diskNumber) { return query_ && query_->IsRemovable(diskNumber) ? 1 : 0; }

}  // namespace qm
