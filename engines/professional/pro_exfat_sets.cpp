// Directory sectors turned into records: every set whose checksum matches, in use or deleted,
// since after a format nothing else names them. Files go to the log at once; folders wait for
// the tree. A set that runs past the sector's end is read whole from the medium.
#include <algorithm>
#include <bit>

#include "engines/exfat/exfat_record.h"
#include "engines/professional/professional_exfat_recovery.h"

namespace qm {
namespace {

using namespace exfatentry;

constexpr size_t kLongestSet = (size_t{kMaxSecondaries} + 1) * kSize;

}  // namespace

void CProfessionalExFatRecovery::OnDirectorySector(const uint8_t* sector, uint64_t absoluteSector) {
    if (!sector || !store_) return;
    const uint64_t sectorOffset = absoluteSector * sectorSize_;
    setBuffer_.assign(sector, sector + sectorSize_);
    bool extended = false;
    ExFatEntrySet set;
    for (size_t at = 0; at + kSize <= sectorSize_;) {
        if ((setBuffer_[at] & ~kInUse) != (kTypeFile & ~kInUse)) {
            at += kSize;
            continue;
        }
        ExFatSetStatus status = ParseExFatEntrySet(ByteView(setBuffer_.data(), setBuffer_.size()), at, set);
        if (status == ExFatSetStatus::Cut && !extended) {
            // The rest of the set lies in the next sectors: at most a whole set's worth more.
            extended = true;
            setBuffer_.resize(sectorSize_ + kLongestSet, 0);
            size_t got = 0;
            reader_.ReadBytes(sectorOffset + sectorSize_, setBuffer_.data() + sectorSize_, kLongestSet, got);
            setBuffer_.resize(sectorSize_ + got);
            status = ParseExFatEntrySet(ByteView(setBuffer_.data(), setBuffer_.size()), at, set);
        }
        if (status != ExFatSetStatus::Ok || !set.checksumOk) {
            at += kSize;
            continue;
        }
        OnSet(set, sectorOffset + at);
        at += set.entryCount * kSize;
    }
}

void CProfessionalExFatRecovery::OnSet(const ExFatEntrySet& set, uint64_t entryOffset) {
    const int v = VolumeAt(entryOffset);
    uint32_t directory = 0;
    ScanRecord r;
    if (v >= 0) {
        const ExFatVolume& volume = volumes_[static_cast<size_t>(v)];
        const uint64_t inVolume = entryOffset - volume.startBytes;
        const uint64_t heap = volume.HeapSector() * volume.SectorBytes();
        // Only the heap holds directories.
        if (inVolume < heap) return;
        const uint64_t index = (inVolume - heap) / volume.ClusterBytes();
        if (index >= volume.boot.clusterCount) return;
        directory = static_cast<uint32_t>(index) + exfatboot::kFirstCluster;
        FillExFatRecord(r, set, volume, inVolume, {kSourceProExFat, volumeTag_, volume.startBytes / sectorSize_});
    } else {
        // No volume: the names are kept, the data cannot be placed.
        const uint64_t absolute = entryOffset / sectorSize_;
        if (lastLooseSector_ == UINT64_MAX || (absolute != lastLooseSector_ && absolute != lastLooseSector_ + 1)) {
            if (loose_.size() >= proexfat::kMaxLooseFolders) return;
            loose_.push_back({-static_cast<int32_t>(loose_.size() + 1), absolute});
        }
        lastLooseSector_ = absolute;
        directory = static_cast<uint32_t>(loose_.back().id);
        ExFatVolume bare;
        bare.boot.bytesPerSectorShift = static_cast<uint8_t>(std::countr_zero(sectorSize_));
        FillExFatRecord(r, set, bare, entryOffset, {kSourceProExFat, volumeTag_, 0});
        r.clusterBytes = -1;
    }
    if (set.directory) {
        if (folders_.size() >= proexfat::kMaxFolders) return;
        proexfat::PendingFolder folder;
        folder.record = r;
        folder.record.condition = 1;
        folder.volume = v;
        folder.directory = directory;
        folder.firstCluster = set.firstCluster;
        folder.dataLength = set.dataLength;
        folder.chained = !set.deleted && !set.contiguous;
        folders_.push_back(folder);
        return;
    }
    if (pending_.size() >= proexfat::kMaxPendingEntries) return;
    r.condition = v >= 0 ? Condition(v, r) : 0;
    ScanRecord* slot = store_->appendRecord();
    const int32_t recordNo = slot->recordNo;
    *slot = r;
    slot->recordNo = recordNo;
    pending_.push_back({recordNo, v, directory});
}

int CProfessionalExFatRecovery::Condition(int v, const ScanRecord& r) const {
    // Judged as the fast engine judges it, minus the bitmap a format rewrote: data that lies
    // in the heap can be read back.
    const ExFatVolume& volume = volumes_[static_cast<size_t>(v)];
    const uint32_t first = static_cast<uint32_t>(r.fsId);
    if (r.size == 0) return 1;
    return volume.IsHeapCluster(first) && r.size <= volume.HeapBytesFrom(first) ? 1 : 0;
}

}  // namespace qm
