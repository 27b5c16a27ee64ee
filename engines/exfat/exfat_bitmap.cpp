#include "engines/exfat/exfat_bitmap.h"

#include <algorithm>
#include <bit>
#include <new>

#include "engines/exfat/exfat_stream_read.h"
#include "platform/errors.h"

namespace qm {

void ExFatBitmap::Clear() {
    bits_.clear();
    bitCount_ = 0;
    loaded_ = false;
}

int ExFatBitmap::Load(ExFatVolume& volume, const ExFatStreamPlace& place) {
    Clear();
    const uint64_t clusterBytes = volume.ClusterBytes();
    if (!place.found || place.length == 0 || clusterBytes == 0 || !volume.IsHeapCluster(place.firstCluster))
        return kErrorFileCorrupt;
    if (place.length > volume.HeapBytesFrom(place.firstCluster)) return kErrorFileCorrupt;
    // Bytes past one bit per heap cluster say nothing: they are not read.
    const uint64_t needed = (uint64_t{volume.boot.clusterCount} + 7) / 8;
    const uint64_t wanted = std::min(place.length, needed);
    try {
        ExFatStreamBytes read = ReadExFatStream(volume, place.firstCluster, wanted, false, wanted);
        // Formatters write the bitmap in one run; a chain the FAT no longer holds is read so.
        if (read.bytes.size() < wanted) read = ReadExFatStream(volume, place.firstCluster, wanted, true, wanted);
        if (read.bytes.size() < wanted) return kErrorFileCorrupt;
        bits_ = std::move(read.bytes);
    } catch (const std::bad_alloc&) {
        Clear();
        return kErrorNotEnoughMemory;
    }
    bitCount_ = std::min<uint64_t>(volume.boot.clusterCount, uint64_t{bits_.size()} * 8);
    loaded_ = true;
    return 0;
}

bool ExFatBitmap::IsFree(uint32_t cluster) const {
    return cluster >= exfatboot::kFirstCluster && FreeAt(cluster - exfatboot::kFirstCluster);
}

bool ExFatBitmap::RunIsFree(uint32_t first, uint64_t count) const {
    if (first < exfatboot::kFirstCluster) return false;
    const uint64_t start = first - exfatboot::kFirstCluster;
    if (count > bitCount_ || start > bitCount_ - count) return false;
    for (uint64_t i = start; i < start + count; ++i)
        if (!FreeAt(i)) return false;
    return true;
}

uint64_t ExFatBitmap::FreeCount() const {
    uint64_t used = 0;
    for (uint64_t i = 0; i < bitCount_ / 8; ++i) used += std::popcount(bits_[i]);
    for (uint64_t i = bitCount_ / 8 * 8; i < bitCount_; ++i) used += FreeAt(i) ? 0 : 1;
    return bitCount_ - used;
}

int ExFatBitmap::NextFreeExtent(const ExFatVolume& volume, uint32_t sectorSize, uint64_t volumeSectors,
                                uint64_t& position, uint64_t& length) const {
    length = 0;
    const uint64_t perCluster = volume.ClusterBytes() / sectorSize;
    const uint64_t heapStart = volume.HeapSector() * volume.SectorBytes() / sectorSize;
    uint64_t k = position <= heapStart ? 0 : (position - heapStart) / perCluster;
    // Whole bytes of used or of free clusters are passed a byte at a time.
    while (k < bitCount_ && !FreeAt(k)) {
        ++k;
        while (k % 8 == 0 && k + 8 <= bitCount_ && bits_[k / 8] == 0xFF) k += 8;
    }
    uint64_t end = k;
    while (end < bitCount_ && FreeAt(end)) {
        ++end;
        while (end % 8 == 0 && end + 8 <= bitCount_ && bits_[end / 8] == 0) end += 8;
    }
    const uint64_t first = std::max(position, heapStart + k * perCluster);
    position = std::min(first, volumeSectors);
    if (end > k && first < volumeSectors)
        length = std::min(heapStart + end * perCluster, volumeSectors) - first;
    return 1;
}

}  // namespace qm
