// Volumes: the area's own, and those whose boot sectors the scan meets. A backup boot sector
// lies twelve sectors into its volume; met alone, with the main one damaged, it places the
// volume where the volume begins.
#include <algorithm>

#include "engines/professional/professional_exfat_recovery.h"

namespace qm {

int CProfessionalExFatRecovery::VolumeAt(uint64_t mediumOffset) const {
    // The latest start wins: a volume kept inside another (an image on a card) is its own.
    int best = proexfat::kNoVolume;
    for (size_t i = 0; i < volumes_.size(); ++i) {
        const ExFatVolume& v = volumes_[i];
        if (mediumOffset < v.startBytes || mediumOffset - v.startBytes >= v.readableBytes) continue;
        if (best < 0 || v.startBytes > volumes_[static_cast<size_t>(best)].startBytes) best = static_cast<int>(i);
    }
    return best;
}

bool CProfessionalExFatRecovery::RootFitsAt(const ExFatBootFields& fields, uint64_t startBytes) {
    const uint64_t root = startBytes + fields.clusterOffset(fields.rootCluster);
    scratch_.assign(static_cast<size_t>(std::min<uint32_t>(fields.bytesPerCluster(), 512)), 0);
    size_t got = 0;
    reader_.ReadBytes(root, scratch_.data(), scratch_.size(), got);
    const ByteView view(scratch_.data(), got);
    for (size_t at = 0; view.has(at, exfatentry::kSize); at += exfatentry::kSize) {
        const uint8_t type = view.u8(at);
        if (type == 0x81 || type == 0x82 || type == 0x83) return true;
    }
    return false;
}

bool CProfessionalExFatRecovery::AddVolume(const ExFatBootFields& fields, uint64_t startBytes) {
    for (const ExFatVolume& v : volumes_)
        if (v.startBytes == startBytes) return false;
    const uint64_t medium = MediumBytes();
    if (volumes_.size() >= proexfat::kMaxVolumes || startBytes >= medium) return false;
    ExFatVolume volume;
    volume.Describe(reader_, fields, startBytes, medium - startBytes);
    volumes_.push_back(std::move(volume));
    return true;
}

void CProfessionalExFatRecovery::OnBootSector(ByteView sector, uint64_t absoluteSector) {
    if (!opened_ || !HasExFatBootName(sector)) return;
    ExFatBootFields fields;
    if (DecodeExFatBootSector(sector, fields) != 0) return;
    const uint64_t here = absoluteSector * sectorSize_;
    const uint64_t backupDistance = uint64_t{exfatboot::kBootRegionSectors} * fields.bytesPerSector();
    // The backup of a volume already known.
    if (here >= backupDistance)
        for (const ExFatVolume& v : volumes_)
            if (v.startBytes == here - backupDistance) return;
    if (here >= backupDistance && !RootFitsAt(fields, here) && RootFitsAt(fields, here - backupDistance)) {
        AddVolume(fields, here - backupDistance);
        return;
    }
    AddVolume(fields, here);
}

ExFatVolume* CProfessionalExFatRecovery::VolumeOf(const ScanRecord& record) {
    const uint64_t start = record.partitionStart * sectorSize_;
    for (ExFatVolume& v : volumes_)
        if (v.startBytes == start && v.HeapSector() * v.SectorBytes() == record.dataStart) return &v;
    if (areaVolumeKnown_ && areaVolume_.startBytes == start) return &areaVolume_;
    // A log read back in another session: the volume is read again from its boot region.
    const uint64_t medium = MediumBytes();
    if (start >= medium || volumes_.size() >= proexfat::kMaxVolumes) return nullptr;
    ExFatVolume volume;
    if (volume.Open(reader_, start, medium - start) != 0) return nullptr;
    volumes_.push_back(std::move(volume));
    return &volumes_.back();
}

}  // namespace qm
