#include "engines/fat/fast_fat_recovery.h"

#include <vector>

#include "disk/file_system_probe.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "results/scan_log_name.h"

namespace qm {

CFastFatRecovery::CFastFatRecovery() : walk_(volume_, table_) {}

CFastFatRecovery::~CFastFatRecovery() {
    CloseStore();
}

int CFastFatRecovery::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    return opened_ ? 0 : CStoreBackedEngine::OpenImage(imagePath, sourceTag);
}

int CFastFatRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) {
    return opened_ ? 0 : CStoreBackedEngine::OpenPartition(diskNumber, firstSector, sectorCount, driveLetter);
}

int CFastFatRecovery::AttachSource(const Source& source) {
    if (opened_) return 0;
    volume_.reader = source.reader;
    const uint64_t sectorSize = source.sectorSize;
    if (source.areaStart > UINT64_MAX / sectorSize || source.areaSectors > UINT64_MAX / sectorSize)
        return kErrorInvalidParameter;
    partitionStart_ = source.areaStart;
    volumeTag_ = source.where.tag;
    return OpenVolume(source.areaStart * sectorSize, source.areaSectors * sectorSize);
}

int CFastFatRecovery::OpenVolume(uint64_t startBytes, uint64_t mediumBytes) {
    std::vector<uint8_t> boot(kBootAreaBytes, 0);
    size_t got = 0;
    if (int rc = volume_.reader.ReadBytes(startBytes, boot.data(), boot.size(), got); rc != 0) return rc;
    if (got < 512) return kErrorReadFault;

    const ByteView area(boot.data(), got);
    FatGeometry geometry;
    if (int rc = DecodeFatBootSector(area, geometry); rc != 0) {
        // A damaged first sector: a FAT32 volume keeps a copy of it.
        const size_t copy = IsEncryptedBootSector(area.sub(0, 512)) ? 0 : FatBackupBootOffset(area);
        if (copy == 0 || DecodeFatBootSector(area.sub(copy), geometry) != 0) return rc;
    }
    const uint32_t sectorSize = geometry.bytesPerSector;
    if (startBytes % sectorSize != 0) return kErrorInvalidParameter;
    volume_.Describe(geometry, startBytes / sectorSize, mediumBytes / sectorSize);
    if (int rc = table_.Load(volume_); rc != 0) return rc;
    opened_ = true;
    return 0;
}

int CFastFatRecovery::SetListCallback(ListProgressFn listProgress, void* userData) {
    CStoreBackedEngine::SetListCallback(listProgress, userData);
    return 0;  // kept for the store this engine opens when it scans
}

int CFastFatRecovery::OpenLog(const std::wstring& logName, bool fresh) {
    const int rc = fresh ? OpenFreshStore(logName) : OpenStore(logName);
    if (rc != 0) {
        CloseStore();
        return rc;
    }
    return 0;
}

int CFastFatRecovery::Scan(const wchar_t* logName) {
    CloseStore();
    if (logName) return OpenLog(logName);
    if (!opened_) return kErrorInvalidHandle;
    if (int rc = OpenLog(scanLogNameNow(kFastLogPrefix, partitionStart_), true); rc != 0) return rc;

    walk_.Begin(*store_, FatDirectoryWalk::Tags{volumeTag_, partitionStart_});
    return RunDirectoryWalk([this] { return walk_.HasPending(); }, [this] { walk_.Step(); },
                            [this] { walk_.EmitFolders(); });
}

int CFastFatRecovery::RootKey(const ScanRecord* folder, int level, ParentKey& key) const {
    if (!folder && level == 0) {
        key = ParentKey::make(static_cast<int32_t>(walk_.RootCluster()), 0);
        return 0;
    }
    return KeyFor(folder, level, key);
}

int CFastFatRecovery::ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) {
    out.clear();
    ParentKey key;
    if (int rc = RootKey(folder, level, key); rc != 0) return rc;
    if (!store_) return 0;
    store_->flush();
    // Key 0 would mean "the smallest key" to the store: the FAT12/16 root is only that key.
    if (key.value == 0 && !store_->relations().count(key)) return 0;
    return store_->listChildren(key, out);
}

int CFastFatRecovery::CountFiles(const ScanRecord* folder, int level, uint32_t& count) {
    count = 0;
    ParentKey key;
    if (int rc = RootKey(folder, level, key); rc != 0) return rc;
    if (!store_) return 0;
    store_->flush();
    if (key.value == 0 && !store_->relations().count(key)) return 0;
    return store_->countFiles(key, count);
}

int CFastFatRecovery::BuildFreeMap() {
    if (!opened_) return kErrorInvalidHandle;
    return freeMap_.Build(volume_, table_);
}

int CFastFatRecovery::NextFreeExtent(uint64_t& position, uint64_t& length) {
    if (!opened_ || !freeMap_.IsBuilt()) return 0;
    return freeMap_.NextFreeExtent(volume_, position, length);
}

}  // namespace qm
