#include "disk/exfat_boot_sector.h"

#include "disk/decode_refusal.h"

namespace qm {
namespace {

ExFatBootFields readFields(ByteView b) {
    using namespace exfatboot;
    ExFatBootFields f;
    f.partitionOffset = b.u64(kPartitionOffset);
    f.volumeLength = b.u64(kVolumeLength);
    f.fatOffset = b.u32(kFatOffset);
    f.fatLength = b.u32(kFatLength);
    f.clusterHeapOffset = b.u32(kClusterHeapOffset);
    f.clusterCount = b.u32(kClusterCount);
    f.rootCluster = b.u32(kRootCluster);
    f.serial = b.u32(kSerial);
    f.revision = b.u16(kRevision);
    f.volumeFlags = b.u16(kVolumeFlags);
    f.bytesPerSectorShift = b.u8(kBytesPerSectorShift);
    f.sectorsPerClusterShift = b.u8(kSectorsPerClusterShift);
    f.numberOfFats = b.u8(kNumberOfFats);
    return f;
}

}  // namespace

bool HasExFatBootName(ByteView b) {
    return b.has(0, 512) && b.equals(exfatboot::kFileSystemName, "EXFAT   ", 8) &&
           b.u8(exfatboot::kSignature) == 0x55 && b.u8(exfatboot::kSignature + 1) == 0xAA;
}

int DecodeExFatBootSector(ByteView b, ExFatBootFields& out, const char** why) {
    const DecodeRefusal refuse(why);
    out = ExFatBootFields{};
    if (!HasExFatBootName(b)) return refuse("it is not an exFAT boot sector");
    // Where FAT keeps its parameter block exFAT keeps zeros, so FAT code cannot misread it.
    for (size_t offset = exfatboot::kMustBeZero; offset < exfatboot::kPartitionOffset; ++offset)
        if (b.u8(offset) != 0) return refuse("fields exFAT keeps at zero are not zero");
    const ExFatBootFields f = readFields(b);
    if (f.bytesPerSectorShift < 9 || f.bytesPerSectorShift > 12)
        return refuse("its bytes per sector are not 512 to 4096");
    if (f.bytesPerSectorShift + f.sectorsPerClusterShift > 25) return refuse("its clusters are larger than 32 MiB");
    if (f.numberOfFats != 1 && f.numberOfFats != 2) return refuse("its number of FATs is not 1 or 2");
    // 1 MiB is the smallest volume exFAT describes.
    if (f.volumeLength < (1ull << (20 - f.bytesPerSectorShift))) return refuse("its volume is smaller than 1 MiB");
    const uint64_t fatEnd = static_cast<uint64_t>(f.fatOffset) + static_cast<uint64_t>(f.fatLength) * f.numberOfFats;
    if (f.fatOffset < exfatboot::kFirstFatSector || f.fatLength == 0 || fatEnd > f.clusterHeapOffset)
        return refuse("its FAT lies outside the FAT region");
    if ((static_cast<uint64_t>(f.fatLength) << f.bytesPerSectorShift) < (static_cast<uint64_t>(f.clusterCount) + 2) * 4)
        return refuse("its FAT is too short for its clusters");
    const uint64_t heapEnd =
        static_cast<uint64_t>(f.clusterHeapOffset) + (static_cast<uint64_t>(f.clusterCount) << f.sectorsPerClusterShift);
    if (f.clusterCount == 0 || f.clusterCount > 0xFFFFFFF5u || heapEnd > f.volumeLength)
        return refuse("its cluster heap lies past the end of the volume");
    if (f.rootCluster < exfatboot::kFirstCluster || f.rootCluster - exfatboot::kFirstCluster >= f.clusterCount)
        return refuse("its root directory lies outside the cluster heap");
    out = f;
    return 0;
}

bool VerifyExFatBootChecksum(ByteView region, uint32_t bytesPerSector) {
    if (bytesPerSector < 512 || bytesPerSector > 4096 || (bytesPerSector & (bytesPerSector - 1)) != 0) return false;
    if (!region.has(0, static_cast<size_t>(bytesPerSector) * exfatboot::kBootRegionSectors)) return false;
    uint32_t sum = 0;
    const size_t summed = static_cast<size_t>(bytesPerSector) * exfatboot::kChecksumSector;
    for (size_t i = 0; i < summed; ++i) {
        // The volume flags and the percentage in use change while mounted: left out.
        if (i == exfatboot::kVolumeFlags || i == exfatboot::kVolumeFlags + 1 || i == exfatboot::kPercentInUse) continue;
        sum = ((sum & 1) ? 0x80000000u : 0u) + (sum >> 1) + region.u8(i);
    }
    for (size_t at = summed; at < summed + bytesPerSector; at += 4)
        if (region.u32(at) != sum) return false;
    return true;
}

namespace {

// A decoded region whose checksum sector lies in the area must match it.
bool regionHolds(ByteView region, const ExFatBootFields& f) {
    const size_t regionBytes = static_cast<size_t>(f.bytesPerSector()) * exfatboot::kBootRegionSectors;
    return !region.has(0, regionBytes) || VerifyExFatBootChecksum(region, f.bytesPerSector());
}

}  // namespace

int ChooseExFatBootSector(ByteView area, ExFatBootFields& out, bool* usedBackup, const char** why) {
    if (usedBackup) *usedBackup = false;
    const char* mainWhy = nullptr;
    ExFatBootFields f;
    const bool mainDecodes = DecodeExFatBootSector(area, f, &mainWhy) == 0;
    if (mainDecodes && regionHolds(area, f)) {
        out = f;
        return 0;
    }
    if (mainDecodes) mainWhy = "its boot region's checksum does not match";
    // The backup region follows the main one; its sector size is its own to say.
    for (uint32_t shift = 9; shift <= 12; ++shift) {
        const ByteView backup = area.sub(static_cast<size_t>(exfatboot::kBootRegionSectors) << shift);
        ExFatBootFields b;
        if (DecodeExFatBootSector(backup, b) != 0 || b.bytesPerSectorShift != shift || !regionHolds(backup, b)) continue;
        out = b;
        if (usedBackup) *usedBackup = true;
        if (why) *why = nullptr;
        return 0;
    }
    out = ExFatBootFields{};
    return DecodeRefusal(why)(mainWhy);
}

}  // namespace qm
