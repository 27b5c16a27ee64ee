#include "engines/ntfs/fast_ntfs_recovery.h"

#include <algorithm>

#include "engines/ntfs/ntfs_record.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "results/scan_log_name.h"

namespace qm {
namespace {

constexpr uint32_t kChunkRecords = 1024;
constexpr uint64_t kEstimateEveryMs = 5000;

}  // namespace

CFastNtfsRecovery::~CFastNtfsRecovery() {
    CloseStore();
}

int CFastNtfsRecovery::AttachSource(const Source& source) {
    tag_ = source.where.tag;
    opened_ = false;
    SectorReader reader = source.reader;
    // The area counts in the device's sectors until the boot sector says more.
    if (int rc = volume_.open(std::move(reader), source.areaStart, source.areaSectors, source.sectorSize); rc != 0)
        return rc;
    opened_ = true;
    volume_.loadMftRuns();  // an unreadable MFT leaves the list empty: a scan then finds nothing
    return 0;
}

int CFastNtfsRecovery::OpenStoreNamed(const std::wstring& logName) {
    return OpenStore(logName);
}

int CFastNtfsRecovery::Scan(const wchar_t* logName) {
    ancestors_.clear();
    ancestorSet_.clear();
    folders_.clear();
    loopCuts_.clear();
    folderReads_ = 0;
    if (logName) return OpenStoreNamed(logName);
    const std::wstring name = scanLogNameNow(kFastLogPrefix, volume_.geometry().volumeStartSector);
    if (int rc = OpenFreshStore(name); rc != 0) return rc;
    const int rc = RunScan();
    store_->flush();
    return rc;
}

int CFastNtfsRecovery::RunScan() {
    const NtfsVolumeGeometry& g = volume_.geometry();
    const RunList& runs = volume_.mftRuns();
    const uint64_t spc = g.usable() ? static_cast<uint64_t>(g.sectorsPerCluster) : 0;
    const uint64_t rs = static_cast<uint64_t>(g.recordSectors);
    uint64_t total = 0;
    for (const DataRun& run : runs) total += run.lengthClusters * spc;

    const uint64_t chunkSectors = kChunkRecords * rs;
    std::vector<uint8_t> chunk, split;
    const uint64_t start = platform::tickCount();
    uint64_t lastEstimate = start;
    int secondsLeft = -1;
    uint64_t done = 0;
    uint64_t virtualSector = 0;  // position inside the MFT
    int64_t lcn = 0;
    int readError = 0;

    for (const DataRun& run : runs) {
        lcn += run.lcnDelta;
        const uint64_t runSectors = run.lengthClusters * spc;
        if (run.sparse) {  // no records on the medium there
            virtualSector += runSectors;
            done += runSectors;
            continue;
        }
        for (uint64_t inRun = 0; inRun < runSectors && readError == 0;) {
            const uint64_t count = std::min(chunkSectors, runSectors - inRun);
            chunk.resize(static_cast<size_t>(count * static_cast<uint64_t>(g.bytesPerSector)));
            const uint64_t sector = clusterToSector(lcn, g) + inRun;
            if (int rc = volume_.readSectors(sector, static_cast<uint32_t>(count), chunk.data()); rc != 0) {
                readError = rc;
                break;
            }
            const uint64_t a = virtualSector + inRun, b = a + count;
            for (uint64_t n = (a + rs - 1) / rs; n * rs < b; ++n) {
                if ((n + 1) * rs <= b) {
                    const uint64_t at = (n * rs - a) * static_cast<uint64_t>(g.bytesPerSector);
                    ParseFileRecord(chunk.data() + at, n, sector + (n * rs - a));
                } else if (volume_.readRecord(n, split) == 0) {
                    // A record split between two runs: read through the run list.
                    ParseFileRecord(split.data(), n, recordToSector(n, runs, g));
                }
            }
            inRun += count;
            done += count;
            const uint64_t now = platform::tickCount();
            if (!coordinated_ && now - lastEstimate >= kEstimateEveryMs) {
                lastEstimate = now;
                const uint64_t seconds = (now - start) / 1000;
                uint64_t rate = seconds ? done * static_cast<uint64_t>(g.bytesPerSector) / seconds : 0;
                if (rate == 0) rate = 1;
                secondsLeft = static_cast<int>((total - done) * static_cast<uint64_t>(g.bytesPerSector) / rate);
            }
            if (int rc = ReportScan(static_cast<int>(total ? done * 100 / total : 100), secondsLeft); rc != 0)
                return rc;
        }
        if (readError != 0) break;
        virtualSector += runSectors;
    }

    // Folders on the found files' paths, including those this loop adds.
    for (size_t i = 0; i < ancestors_.size(); ++i) AddFolderRecord(ancestors_[i]);

    // A broken MFT read still leaves every file found so far listed under its folders.
    if (readError != 0) return readError;
    return ReportScan(100, secondsLeft);
}

}  // namespace qm
