#include "engines/exfat/exfat_record.h"

#include <algorithm>
#include <vector>

#include "platform/errors.h"
#include "platform/text.h"

namespace qm {

void FillExFatRecord(ScanRecord& r, const ExFatEntrySet& set, const ExFatVolume& volume, uint64_t entryOffset,
                     const ExFatRecordTags& tags) {
    using namespace exfatrecord;
    const uint32_t sectorBytes = volume.SectorBytes();
    r.driveLetter = tags.volumeTag;
    r.sourceKind = tags.sourceKind;
    r.isFolder = set.directory ? 1 : 0;
    r.fsId = static_cast<int32_t>(set.firstCluster);
    r.clusterBytes = static_cast<int32_t>(volume.ClusterBytes());
    r.created = set.created;
    r.accessed = set.accessed;
    r.modified = set.modified;
    r.size = set.directory ? 0 : set.dataLength;
    r.dataStart = volume.HeapSector() * sectorBytes;
    const uint64_t absolute = volume.startBytes + entryOffset;
    r.location = absolute / sectorBytes;
    const uint16_t index = static_cast<uint16_t>((absolute % sectorBytes) / exfatentry::kSize);
    r.reserved[kEntryIndex] = static_cast<uint8_t>(index & 0xFF);
    r.reserved[kEntryIndex + 1] = static_cast<uint8_t>(index >> 8);
    r.reserved[kFlags] = static_cast<uint8_t>((set.contiguous ? kFlagContiguous : 0) |
                                              (set.checksumOk ? 0 : kFlagChecksumBad) |
                                              (set.deleted ? kFlagDeleted : 0));
    r.reserved[kInDeletedFolder] = set.deleted ? 1 : 0;
    r.partitionStart = tags.partitionStart;
    setRecordName(r, platform::toUtf8(set.name));
}

uint64_t ExFatEntryOffset(const ExFatVolume& volume, const ScanRecord& r) {
    using namespace exfatrecord;
    const uint64_t index = r.reserved[kEntryIndex] | (uint64_t{r.reserved[kEntryIndex + 1]} << 8);
    const uint64_t absolute = r.location * volume.SectorBytes() + index * exfatentry::kSize;
    return absolute >= volume.startBytes ? absolute - volume.startBytes : UINT64_MAX;
}

int ExFatPlaceOf(ExFatVolume& volume, const ScanRecord& r, ExFatDataPlace& place) {
    using namespace exfatrecord;
    place = ExFatDataPlace{};
    place.firstCluster = static_cast<uint32_t>(r.fsId);
    place.dataLength = r.size;
    place.validLength = r.size;
    place.contiguous = (r.reserved[kFlags] & (kFlagContiguous | kFlagDeleted)) != 0;
    const uint64_t offset = ExFatEntryOffset(volume, r);
    // A whole set: a File entry and at most 18 secondaries.
    std::vector<uint8_t> bytes((exfatentry::kMaxSecondaries + 1) * exfatentry::kSize, 0);
    size_t got = 0;
    volume.Read(offset, bytes.data(), bytes.size(), got);
    ExFatEntrySet set;
    // A set that no longer reads as it did leaves the whole size to be read.
    if (got >= exfatentry::kSize && ParseExFatEntrySet(ByteView(bytes.data(), got), 0, set) == ExFatSetStatus::Ok &&
        set.firstCluster == place.firstCluster && set.dataLength == r.size)
        place.validLength = std::min(set.validDataLength, set.dataLength);
    return place.firstCluster >= exfatboot::kFirstCluster ? 0 : kErrorFileCorrupt;
}

}  // namespace qm
