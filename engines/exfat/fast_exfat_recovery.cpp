#include "engines/exfat/fast_exfat_recovery.h"

#include "engines/exfat/exfat_stream_read.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "results/scan_log_name.h"

namespace qm {

CFastExFatRecovery::CFastExFatRecovery() : walk_(volume_, bitmap_) {}

CFastExFatRecovery::~CFastExFatRecovery() {
    CloseStore();
}

int CFastExFatRecovery::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    return opened_ ? 0 : CStoreBackedEngine::OpenImage(imagePath, sourceTag);
}

int CFastExFatRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                      uint16_t driveLetter) {
    return opened_ ? 0 : CStoreBackedEngine::OpenPartition(diskNumber, firstSector, sectorCount, driveLetter);
}

int CFastExFatRecovery::AttachSource(const Source& source) {
    if (opened_) return 0;
    const uint64_t sectorSize = source.sectorSize;
    if (sectorSize == 0 || source.areaStart > UINT64_MAX / sectorSize || source.areaSectors > UINT64_MAX / sectorSize)
        return kErrorInvalidParameter;
    if (int rc = volume_.Open(source.reader, source.areaStart * sectorSize, source.areaSectors * sectorSize,
                              &openProblem_);
        rc != 0)
        return rc;
    partitionStart_ = source.areaStart;
    sourceSectorSize_ = source.sectorSize;
    volumeTag_ = source.where.tag;
    // The bitmap and up-case entries live in the root directory; the walk reads it again.
    const ExFatStreamBytes root =
        ReadExFatStream(volume_, volume_.boot.rootCluster, 0, false, ExFatTreeWalk::kMaxDirectoryBytes);
    system_ = FindExFatSystemEntries(ByteView(root.bytes.data(), root.bytes.size()));
    // Without a usable bitmap deleted files are judged by the heap alone and no free map is drawn.
    bitmap_.Load(volume_, system_.bitmap);
    opened_ = true;
    return 0;
}

int CFastExFatRecovery::SetListCallback(ListProgressFn listProgress, void* userData) {
    CStoreBackedEngine::SetListCallback(listProgress, userData);
    return 0;  // kept for the store this engine opens when it scans
}

int CFastExFatRecovery::Scan(const wchar_t* logName) {
    CloseStore();
    if (logName) {
        const int rc = OpenStore(logName);
        if (rc != 0) CloseStore();
        return rc;
    }
    if (!opened_) return kErrorInvalidHandle;
    if (int rc = OpenFreshStore(scanLogNameNow(kFastLogPrefix, partitionStart_)); rc != 0) {
        CloseStore();
        return rc;
    }

    walk_.Begin(*store_, ExFatRecordTags{kSourceFastExFat, volumeTag_, partitionStart_});
    return RunDirectoryWalk([this] { return walk_.HasPending(); }, [this] { walk_.Step(); },
                            [this] { walk_.EmitFolders(); });
}

int CFastExFatRecovery::RootKey(const ScanRecord* folder, int level, ParentKey& key) const {
    if (!folder && level == 0) {
        key = ParentKey::make(static_cast<int32_t>(walk_.RootCluster()), 0);
        return 0;
    }
    return KeyFor(folder, level, key);
}

int CFastExFatRecovery::ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) {
    out.clear();
    ParentKey key;
    if (int rc = RootKey(folder, level, key); rc != 0) return rc;
    if (!store_) return 0;
    store_->flush();
    return store_->listChildren(key, out);
}

int CFastExFatRecovery::CountFiles(const ScanRecord* folder, int level, uint32_t& count) {
    count = 0;
    ParentKey key;
    if (int rc = RootKey(folder, level, key); rc != 0) return rc;
    if (!store_) return 0;
    store_->flush();
    return store_->countFiles(key, count);
}

int CFastExFatRecovery::BuildFreeMap() {
    freeMapBuilt_ = false;
    if (!opened_) return kErrorInvalidHandle;
    if (!bitmap_.IsLoaded()) return kErrorFileCorrupt;
    // Extents are counted in the source's sectors: they must fall on cluster boundaries.
    const uint64_t heapBytes = volume_.HeapSector() * volume_.SectorBytes();
    if (volume_.ClusterBytes() % sourceSectorSize_ != 0 || heapBytes % sourceSectorSize_ != 0)
        return kErrorInvalidParameter;
    freeMapBuilt_ = true;
    return 0;
}

int CFastExFatRecovery::NextFreeExtent(uint64_t& position, uint64_t& length) {
    if (!opened_ || !freeMapBuilt_) return 0;
    return bitmap_.NextFreeExtent(volume_, sourceSectorSize_, volume_.readableBytes / sourceSectorSize_, position,
                                  length);
}

}  // namespace qm
