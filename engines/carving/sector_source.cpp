#include "engines/carving/sector_source.h"

#include <cstring>

#include "platform/errors.h"

namespace qm {

int MemorySectorSource::ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                                    uint32_t& sectorsRead) {
    sectorsRead = 0;
    if (sectorSize == 0 || (count > 0 && buffer == nullptr)) return kErrorInvalidParameter;
    const uint64_t total = TotalSectors(sectorSize);
    if (count > total || firstSector > total - count) return kErrorInvalidParameter;
    uint32_t good = count;
    if (failFrom_ < firstSector + count) good = failFrom_ > firstSector ? static_cast<uint32_t>(failFrom_ - firstSector) : 0;
    if (good > 0)
        std::memcpy(buffer, medium_.data() + firstSector * sectorSize, static_cast<size_t>(good) * sectorSize);
    sectorsRead = good;
    return good == count ? 0 : kErrorReadFault;
}

}  // namespace qm
