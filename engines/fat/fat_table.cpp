#include "engines/fat/fat_table.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/errors.h"

namespace qm {

int FatTable::Load(FatVolume& volume) {
    volume_ = &volume;
    const FatGeometry& g = volume.geometry;
    tableBytes_ = static_cast<uint64_t>(g.sectorsPerFat) * g.bytesPerSector;
    const uint64_t size = std::min<uint64_t>(kWindowBytes, tableBytes_);
    try {
        window_.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        volume_ = nullptr;
        return kErrorNotEnoughMemory;
    }
    windowBytes_ = 0;
    MoveWindow(0);
    return 0;
}

int FatTable::MoveWindow(uint64_t byteOffset) {
    const uint32_t sectorSize = volume_->sectorSize();
    const uint64_t first = byteOffset / sectorSize;
    const uint64_t tableSectors = tableBytes_ / sectorSize;
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(window_.size() / sectorSize, tableSectors - first));
    std::fill(window_.begin(), window_.end(), 0);
    uint32_t got = 0;
    const int rc = volume_->Read(volume_->start + volume_->geometry.tableStart() + first, count, window_.data(), got);
    // What did not arrive stays zero: those entries read as free.
    windowFirstSector_ = first;
    windowBytes_ = static_cast<uint64_t>(count) * sectorSize;
    if (got == 0) {
        windowBytes_ = 0;  // try again on the next access rather than trust nothing
        return rc != 0 ? rc : kErrorReadFault;
    }
    return 0;
}

int FatTable::ReadFatEntry(uint32_t cluster, uint32_t& value) {
    if (!volume_) return kErrorInvalidHandle;
    const int bits = volume_->geometry.fatBits;
    const uint64_t offset = bits == 32 ? uint64_t{cluster} * 4 : bits == 16 ? uint64_t{cluster} * 2
                                                                            : uint64_t{cluster} + cluster / 2;
    const uint64_t width = bits == 32 ? 4 : 2;
    if (offset + width > tableBytes_) return kErrorInvalidParameter;

    const uint64_t windowStart = windowFirstSector_ * volume_->sectorSize();
    if (windowBytes_ == 0 || offset < windowStart || offset + width > windowStart + windowBytes_) {
        if (int rc = MoveWindow(offset); rc != 0) return rc;
    }
    const ByteView window(window_.data(), static_cast<size_t>(windowBytes_));
    const size_t at = static_cast<size_t>(offset - windowFirstSector_ * volume_->sectorSize());
    if (bits == 32) {
        value = window.u32(at) & 0x0FFFFFFF;
    } else if (bits == 16) {
        value = window.u16(at);
    } else {
        // Two entries share three bytes: the even one takes the low 12 bits.
        const uint16_t pair = window.u16(at);
        value = (cluster & 1) ? pair >> 4 : pair & 0x0FFF;
    }
    return 0;
}

bool FatTable::IsEndMark(uint32_t value) const {
    switch (volume_ ? volume_->geometry.fatBits : 16) {
        case 12: return value >= 0xFF8;
        case 32: return (value & 0x0FFFFFFF) >= 0x0FFFFFF8;
        default: return value >= 0xFFF8;
    }
}

bool FatTable::IsBadMark(uint32_t value) const {
    switch (volume_ ? volume_->geometry.fatBits : 16) {
        case 12: return value == 0xFF7;
        case 32: return (value & 0x0FFFFFFF) == 0x0FFFFFF7;
        default: return value == 0xFFF7;
    }
}

uint32_t FatTable::NextCluster(uint32_t cluster) {
    if (!volume_ || !volume_->IsDataCluster(cluster)) return 0;
    uint32_t value = 0;
    if (ReadFatEntry(cluster, value) != 0) return 0;
    if (value == 0) {
        if (cluster + 1 > volume_->maxCluster) return 0;
        uint32_t following = 0;
        if (ReadFatEntry(cluster + 1, following) != 0) return 0;
        return following == 0 ? cluster + 1 : 0;
    }
    if (IsEndMark(value) || IsBadMark(value) || !volume_->IsDataCluster(value)) return 0;
    return value;
}

}  // namespace qm
