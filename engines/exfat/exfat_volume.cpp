#include "engines/exfat/exfat_volume.h"

#include <algorithm>

#include "platform/errors.h"

namespace qm {

int ExFatVolume::Open(const SectorReader& medium, uint64_t start, uint64_t mediumBytes, const char** why) {
    if (why) *why = nullptr;
    std::vector<uint8_t> area(static_cast<size_t>(std::min<uint64_t>(kBootAreaBytes, mediumBytes)), 0);
    SectorReader r = medium;
    size_t got = 0;
    if (int rc = r.ReadBytes(start, area.data(), area.size(), got); rc != 0 && got < 512) return rc;
    if (got < 512) return kErrorReadFault;
    ExFatBootFields fields;
    if (int rc = ChooseExFatBootSector(ByteView(area.data(), got), fields, &usedBackupBoot, why); rc != 0) return rc;
    Describe(medium, fields, start, mediumBytes);
    return 0;
}

void ExFatVolume::Describe(const SectorReader& medium, const ExFatBootFields& fields, uint64_t start,
                           uint64_t mediumBytes) {
    reader = medium;
    boot = fields;
    startBytes = start;
    const uint64_t volumeBytes = fields.volumeLength << fields.bytesPerSectorShift;
    readableBytes = std::min(volumeBytes, mediumBytes);
    fatWindow_.clear();
    fatWindowStart_ = 0;
}

uint64_t ExFatVolume::HeapBytesFrom(uint32_t cluster) const {
    if (!IsHeapCluster(cluster)) return 0;
    return static_cast<uint64_t>(boot.clusterCount - (cluster - exfatboot::kFirstCluster)) * ClusterBytes();
}

int ExFatVolume::Read(uint64_t volumeOffset, void* buffer, size_t length, size_t& got) {
    got = 0;
    if (volumeOffset >= readableBytes) return volumeOffset < (boot.volumeLength << boot.bytesPerSectorShift)
                                                  ? kErrorHandleEof
                                                  : kErrorInvalidParameter;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(length, readableBytes - volumeOffset));
    const int rc = reader.ReadBytes(startBytes + volumeOffset, buffer, wanted, got);
    if (got == length) return 0;
    if (wanted < length) return kErrorHandleEof;
    return rc != 0 ? rc : kErrorReadFault;
}

uint32_t ExFatVolume::FatEntry(uint32_t cluster) {
    if (cluster < exfatboot::kFirstCluster || !IsHeapCluster(cluster)) return 0;
    const uint64_t fatBytes = static_cast<uint64_t>(boot.fatLength) << boot.bytesPerSectorShift;
    const uint64_t at = static_cast<uint64_t>(cluster) * 4;
    if (at + 4 > fatBytes) return 0;
    if (fatWindow_.empty() || at < fatWindowStart_ || at + 4 > fatWindowStart_ + fatWindow_.size()) {
        const uint64_t start = at - at % kFatWindowBytes;
        std::vector<uint8_t> window(static_cast<size_t>(std::min<uint64_t>(kFatWindowBytes, fatBytes - start)));
        size_t got = 0;
        Read((static_cast<uint64_t>(boot.fatOffset) << boot.bytesPerSectorShift) + start, window.data(), window.size(),
             got);
        window.resize(got - got % 4);
        fatWindow_ = std::move(window);
        fatWindowStart_ = start;
        if (at + 4 > fatWindowStart_ + fatWindow_.size()) return 0;
    }
    return ByteView(fatWindow_.data(), fatWindow_.size()).u32(static_cast<size_t>(at - fatWindowStart_));
}

}  // namespace qm
