#include "engines/professional/professional_recovery.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "engines/engine_choice.h"
#include "engines/fat/fast_fat_recovery.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/professional/pro_ntfs_candidate.h"
#include "engines/professional/source_fingerprint.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text.h"
#include "results/scan_log_name.h"
#include "results/type_classification.h"

namespace qm {
namespace {

constexpr uint32_t kChunkBytes = 65536;
constexpr uint32_t kFreshRecordBytes = 8192;
// Free extents are counted up front; a map cannot hold more runs than this, and a broken
// one must not keep the count going for ever.
constexpr uint64_t kMaxFreeExtents = 1ULL << 32;

// Carved files stop at directory sectors of either family.
bool isDirectorySector(const uint8_t* bytes, size_t length) {
    return CProfessionalFatRecovery::IsDirectorySector(bytes, length) ||
           CProfessionalExFatRecovery::IsEntrySetSector(bytes, length);
}

bool isExFat(int32_t sourceKind) {
    return sourceKind == kSourceFastExFat || sourceKind == kSourceProExFat;
}

void stableSort(std::vector<ScanRecord>& records) {
    std::stable_sort(records.begin(), records.end(), recordOrderLess);
}

std::string lowerExtension(const ScanRecord& record) {
    return platform::toUtf8(LowerAscii(ExtensionOf(platform::fromAnsi(recordName(record)))));
}

}  // namespace

CProfessionalRecovery::~CProfessionalRecovery() {
    // The fast engine goes first, then the embedded engines with the object.
    fast_.reset();
    reader_.Close();
}

int CProfessionalRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                         uint16_t driveLetter) {
    return OpenAndAttach(*this, SourceLocation::Partition(diskNumber, firstSector, sectorCount, driveLetter));
}

int CProfessionalRecovery::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    return OpenAndAttach(*this, SourceLocation::Image(imagePath, sourceTag));
}

int CProfessionalRecovery::AttachSource(const Source& source) {
    int openResult = 0;
    std::string problem;
    auto fast = MakeFastEngine(source, openResult, problem);
    return Attach(source, std::move(fast), problem);
}

int CProfessionalRecovery::Attach(const Source& source, std::unique_ptr<IFileRecoveryParse> fast,
                                  const std::string& fastProblem) {
    source_ = source;
    reader_ = source.reader;
    const SourceLocation& where = source.where;
    imagePath_ = where.isImage ? where.imagePath : std::wstring();
    diskNumber_ = where.isImage ? static_cast<int>(kImageDiskNumber) : where.diskNumber;
    // The history knows a partition by what the front end named, an image by its path.
    areaStart_ = source.areaStart;
    areaSectors_ = source.areaSectors;
    driveLetter_ = where.tag;
    bytesPerSector_ = source.sectorSize;
    resumeRecord_ = ScanHistoryRecord{};
    resumeAvailable_ = where.isImage
                           ? history_.FindImage(imagePath_, &resumeRecord_, areaStart_) == 1
                           : history_.FindVolume(static_cast<wchar_t>(driveLetter_), static_cast<uint32_t>(diskNumber_),
                                                 areaStart_, areaSectors_, &resumeRecord_) == 1;
    // A scan that ran to its end leaves no extent to read: it is finished, not interrupted.
    finishedAvailable_ = resumeAvailable_ && resumeRecord_.resume.extentLength == 0;
    resumeAvailable_ = resumeAvailable_ && resumeRecord_.resume.extentLength != 0;
    reused_ = false;
    fat_.AttachSource(source);
    exfat_.AttachSource(source);
    const int rc = ntfs_.AttachSource(source);
    fast_ = std::move(fast);
    fastControl_ = dynamic_cast<ISourceEngine*>(fast_.get());
    if (fastControl_) fastControl_->SetCoordinated(true);
    fileSystemProblem_ = fastProblem;
    opened_ = true;
    return rc;
}

int CProfessionalRecovery::SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData, int) {
    scanProgress_ = scanProgress;
    itemProgress_ = itemProgress;
    userData_ = userData;
    scale_ = 90;
    if (fast_) fast_->SetCallbacks(scanProgress, itemProgress, userData, 9);
    fat_.SetCallbacks(scanProgress, itemProgress, userData, 90);
    exfat_.SetCallbacks(scanProgress, itemProgress, userData, 90);
    ntfs_.SetCallbacks(scanProgress, itemProgress, userData, 90);
    carver_.SetCallbacks(scanProgress, itemProgress, userData, 90);
    return 0;
}

void CProfessionalRecovery::PointLogsAt(const std::wstring& folder) {
    fat_.SetLogFolder(folder);
    exfat_.SetLogFolder(folder);
    ntfs_.SetLogFolder(folder);
    carver_.SetLogFolder(folder);
    if (fastControl_) fastControl_->SetLogFolder(folder);
}

int CProfessionalRecovery::OpenLogs(bool continuing) {
    if (continuing) {
        const std::wstring& folder = resumeRecord_.folder;
        std::wstring carved, proFat, proExFat, proNtfs;
        history_.FindLogFile(kFileTypeLogPrefix, carved, folder);
        history_.FindLogFile(kProFatLogPrefix, proFat, folder);
        history_.FindLogFile(kProExFatLogPrefix, proExFat, folder);
        history_.FindLogFile(kProNtfsLogPrefix, proNtfs, folder);
        const std::wstring carvedName = carved.empty() ? scanLogNameNow(kFileTypeLogPrefix, areaStart_) : carved;
        carver_.AttachForCoordinator(source_, carvedName);
        fat_.OpenFatLog(proFat.empty() ? nullptr : proFat.c_str());
        exfat_.OpenExFatLog(proExFat.empty() ? nullptr : proExFat.c_str());
        const int rc = ntfs_.OpenLog(proNtfs.empty() ? nullptr : proNtfs.c_str());
        // A process that died after its last checkpoint left records of sectors that this
        // continuation reads again; they go, so nothing is listed twice. The exFAT engine files
        // its records only at the end: an interrupted exFAT log starts again from nothing.
        for (CStoreBackedEngine* engine :
             {static_cast<CStoreBackedEngine*>(&fat_), static_cast<CStoreBackedEngine*>(&exfat_),
              static_cast<CStoreBackedEngine*>(&ntfs_),
              static_cast<CStoreBackedEngine*>(&carver_)})
            if (engine->store()) engine->store()->dropRecordsAfterLastFlush();
        return rc;
    }
    carver_.AttachSource(source_);
    fat_.OpenFatLog(nullptr);
    exfat_.OpenExFatLog(nullptr);
    return ntfs_.OpenLog(nullptr);
}

bool CProfessionalRecovery::FreeSpaceMode() {
    // Only an engine that really maps free space answers 1; the ext stub answers 0 and
    // would keep the extent loop from ever ending.
    uint64_t position = 0, length = 0;
    return fast_ && fast_->NextFreeExtent(position, length) == 1;
}

uint64_t CProfessionalRecovery::SumFreeExtents() {
    uint64_t position = 0, total = 0;
    for (uint64_t n = 0; n < kMaxFreeExtents; ++n) {
        uint64_t at = position, length = 0;
        if (fast_->NextFreeExtent(at, length) != 1 || length == 0) break;
        if (at < position) break;  // a map that goes backwards is broken
        total += length;
        position = at + length;
    }
    return total;
}

int64_t CProfessionalRecovery::Dispatch(uint8_t* chunk, uint32_t sectorsRead, uint64_t firstSector,
                                        uint64_t& filesFound, const CarveProgress& progress, bool& cancelled) {
    const uint32_t bps = bytesPerSector_;
    uint64_t i = 0;
    while (i < sectorsRead) {
        uint8_t* sector = chunk + i * bps;
        const size_t left = static_cast<size_t>(sectorsRead - i) * bps;
        const uint64_t absolute = firstSector + i;
        const ByteView view(sector, left);
        uint64_t step = 1;
        if (bps >= 512 && sector[510] == 0x55 && sector[511] == 0xAA) {
            fat_.OnBootSector(view, absolute);
            exfat_.OnBootSector(view, absolute);
            ntfs_.OnBootSector(view, absolute);
        }
        if (isNtfsRecordCandidate(view, bps, ntfs_.VolumeRecordBytes())) {
            if (!candidateIsDirectory(view)) {
                const uint32_t recordBytes = view.u32(0x1C);  // a size the candidate test admits
                if (left >= recordBytes) {
                    ntfs_.ParseRecord(sector, recordBytes, absolute, 0, 0);
                } else {
                    // The record runs past the chunk: read it whole from the medium.
                    const uint32_t count = std::max<uint32_t>(1, std::max(kFreshRecordBytes, recordBytes) / bps);
                    recordBuffer_.assign(static_cast<size_t>(count) * bps, 0);
                    uint32_t got = 0;
                    reader_.ReadSectors(count, recordBuffer_.data(), absolute, bps, got);
                    if (static_cast<uint64_t>(got) * bps >= recordBytes)
                        ntfs_.ParseRecord(recordBuffer_.data(), recordBytes, absolute, 0, 0);
                }
            }
        } else if (CProfessionalExFatRecovery::IsEntrySetSector(sector, bps)) {
            // exFAT directories never reach the FAT parsers or the carver.
            exfat_.OnDirectorySector(sector, absolute);
        } else if (bps >= 64 && IsDotPair(ByteView(sector, 32), ByteView(sector + 32, 32))) {
            fat_.OnSubdirectoryHead(sector, absolute);
        } else if (CProfessionalFatRecovery::IsDirectorySector(sector, bps)) {
            fat_.OnDirectorySector(sector, absolute);
        } else {
            uint64_t skip = 1;
            const int rc = carver_.CarveAt(bps, sector, bps, absolute, progress, filesFound, skip);
            if (rc == CancelCode) {
                cancelled = true;
                return -static_cast<int64_t>(sectorsRead - i);
            }
            if (rc == 0) step = std::max<uint64_t>(skip, 1);
        }
        i += step;
    }
    return static_cast<int64_t>(i - sectorsRead);
}

void CProfessionalRecovery::FlushStores() {
    for (CStoreBackedEngine* engine :
         {static_cast<CStoreBackedEngine*>(&fat_), static_cast<CStoreBackedEngine*>(&exfat_),
          static_cast<CStoreBackedEngine*>(&ntfs_), static_cast<CStoreBackedEngine*>(&carver_)})
        if (engine->store()) engine->store()->flush();
    if (fastControl_) fastControl_->FlushStore();
}

void CProfessionalRecovery::SaveState(const Position& p) {
    ResumeState resume;
    resume.extentStart = p.extentStart;
    resume.extentLength = p.extentLength;
    resume.extentDone = p.doneInExtent;
    resume.sectorsDone = p.sectorsDone;
    resume.filesFound = p.filesBase;
    std::wstring folder;
    history_.CurrentFolder(folder);
    history_.Upsert(static_cast<wchar_t>(driveLetter_), static_cast<uint32_t>(diskNumber_), areaStart_, areaSectors_,
                    resume, folder, imagePath_);
}

bool CProfessionalRecovery::MayReuse() {
    if (!allowReuse_ || !finishedAvailable_ || resumeRecord_.folder.empty()) return false;
    const std::string saved = LoadFingerprint(resumeRecord_.folder);
    return !saved.empty() && saved == SourceFingerprint(reader_, areaStart_, areaSectors_, bytesPerSector_);
}

int CProfessionalRecovery::Scan(const wchar_t*) {
    if (!opened_) return kErrorInvalidParameter;
    reused_ = MayReuse();
    // Reusing a finished scan is continuing one with nothing left to read.
    const bool continuing = resumeAvailable_ || reused_;
    if (!continuing) history_.NewFolder();
    std::wstring folder;
    if (continuing) {
        folder = resumeRecord_.folder;
    } else {
        history_.CurrentFolder(folder);
    }
    PointLogsAt(folder);

    int result = 0;
    bool reachedDeepPass = false;
    bool freeMode = false;
    Position p;
    if (fast_) {
        fast_->SetCallbacks(scanProgress_, nullptr, userData_, 9);
        if (!reused_ && fast_->BuildFreeMap() == 0) freeMode = FreeSpaceMode();
        std::wstring fastLog;
        if (continuing) history_.FindLogFile(kFastLogPrefix, fastLog, folder);
        result = fast_->Scan(continuing && !fastLog.empty() ? fastLog.c_str() : nullptr);
        if (result != 0 && result != CancelCode) {
            // The file system is recognised but its records cannot be read: what the fast
            // pass found stays, and the deep pass reads the whole area, not a free map drawn
            // from structures that just failed.
            const std::string why = platform::toUtf8(platform::errorMessage(result));
            fileSystemProblem_ = why;
            freeMode = false;
            result = 0;
        }
    }
    if (result == 0) {
        OpenLogs(continuing);
        fat_.PrepareFatScan();
        exfat_.PrepareScan();
        carver_.context().transportStreamExtents.clear();
        carver_.context().fatDirectorySectorTest = &isDirectorySector;

        const uint32_t bps = bytesPerSector_ ? bytesPerSector_ : kDefaultSectorSize;
        const uint32_t chunkSectors = std::max<uint32_t>(1, kChunkBytes / bps);
        std::vector<uint8_t> chunk(static_cast<size_t>(chunkSectors) * bps);
        const uint64_t total = freeMode ? SumFreeExtents() : areaSectors_;
        if (freeMode) {
            uint64_t at = 0, length = 0;
            fast_->NextFreeExtent(at, length);
            p.extentStart = at;
            p.extentLength = length;
        } else {
            p.extentLength = areaSectors_;
        }
        if (continuing) {
            p.extentStart = resumeRecord_.resume.extentStart;
            p.extentLength = resumeRecord_.resume.extentLength;
            p.doneInExtent = resumeRecord_.resume.extentDone;
            p.sectorsDone = resumeRecord_.resume.sectorsDone;
            p.filesBase = resumeRecord_.resume.filesFound;
            resumeAvailable_ = false;
        }
        reachedDeepPass = true;
        const uint64_t start = platform::tickCount();
        uint64_t lastEstimate = start, lastCheckpoint = start;
        int secondsLeft = -1;
        uint64_t carvedFiles = 0;
        bool stop = false;
        uint64_t extents = 0;
        while (p.extentLength != 0 && !stop && extents++ < kMaxFreeExtents) {
            uint64_t remaining = p.extentLength > p.doneInExtent ? p.extentLength - p.doneInExtent : 0;
            while (remaining > 0 && !stop) {
                const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(chunkSectors, remaining));
                const uint64_t first = areaStart_ + p.extentStart + p.doneInExtent;
                uint32_t got = 0;
                reader_.ReadSectors(n, chunk.data(), first, bps, got);
                uint64_t step = n;  // an unreadable chunk is skipped
                if (got > 0) {
                    CarveProgress progress;
                    progress.callback = scanProgress_;
                    progress.userData = userData_;
                    progress.scale = scale_;
                    progress.secondsLeft = secondsLeft;
                    progress.sectorsDone = p.sectorsDone;
                    progress.totalSectors = total;
                    progress.filesFound = GetFoundCount() + p.filesBase;
                    bool cancelled = false;
                    int64_t overshoot = 0;
                    try {
                        // Only the sectors that arrived are examined.
                        overshoot = Dispatch(chunk.data(), got, first, carvedFiles, progress, cancelled);
                    } catch (...) {
                        overshoot = 0;  // a fault abandons the rest of this chunk only
                    }
                    if (cancelled) {
                        // The sector being carved stays for a continuation.
                        step = static_cast<uint64_t>(static_cast<int64_t>(got) + overshoot);
                        result = CancelCode;
                        stop = true;
                    } else {
                        step = std::max<uint64_t>(n, static_cast<uint64_t>(static_cast<int64_t>(got) + overshoot));
                    }
                }
                p.doneInExtent += step;
                p.sectorsDone += std::min(step, remaining);
                remaining -= std::min(step, remaining);
                if (stop) break;

                const uint64_t now = platform::tickCount();
                if (now - lastEstimate >= 5000) {
                    const uint64_t seconds = std::max<uint64_t>(1, (now - start) / 1000);
                    const uint64_t rate = std::max<uint64_t>(1, static_cast<uint64_t>(bps) * p.sectorsDone / seconds);
                    const uint64_t left = total > p.sectorsDone ? total - p.sectorsDone : 0;
                    secondsLeft = static_cast<int>(std::min<uint64_t>(left * bps / rate, INT32_MAX));
                    lastEstimate = now;
                }
                if (scanProgress_) {
                    const uint64_t found = GetFoundCount() + p.filesBase;
                    const int percent =
                        total ? static_cast<int>(std::min<uint64_t>(p.sectorsDone * 100 / total, 100)) : 100;
                    const int rc =
                        scanProgress_(userData_, 10 + percent, scale_, secondsLeft, p.sectorsDone, total, found, 0);
                    if (rc != 0) {
                        result = rc;
                        stop = true;
                    }
                }
                if (now - lastCheckpoint >= checkpointMs_) {
                    FlushStores();
                    SaveState(p);
                    lastCheckpoint = now;
                }
            }
            if (stop) break;
            if (freeMode) {
                const uint64_t next = p.extentStart + p.extentLength;
                uint64_t at = next, length = 0;
                if (fast_->NextFreeExtent(at, length) != 1 || length == 0 || at < next) {
                    p.extentLength = 0;
                } else {
                    p.extentStart = at;
                    p.extentLength = length;
                }
            } else {
                p.extentLength = 0;
            }
            p.doneInExtent = 0;
        }
        fat_.FinishFatScan();
        exfat_.FinishScan();
        ntfs_.ResolveFolders();
        if (scanProgress_ && result == 0) scanProgress_(userData_, 100, 100, 0, 0, 0, 0, 0);
    }

    FlushStores();
    // A deep pass that read its whole area leaves the source's fingerprint for later reuse.
    if (reachedDeepPass && result == 0 && p.extentLength == 0 && !reused_)
        SaveFingerprint(folder, SourceFingerprint(reader_, areaStart_, areaSectors_, bytesPerSector_));
    if (reachedDeepPass || continuing) {
        if (!reachedDeepPass) {
            p.extentStart = resumeRecord_.resume.extentStart;
            p.extentLength = resumeRecord_.resume.extentLength;
            p.doneInExtent = resumeRecord_.resume.extentDone;
            p.sectorsDone = resumeRecord_.resume.sectorsDone;
            p.filesBase = resumeRecord_.resume.filesFound;
        }
        SaveState(p);
    } else {
        history_.ReleaseNewestFolder();
    }
    return result;
}

IFileRecoveryParse* CProfessionalRecovery::EngineFor(int32_t sourceKind) {
    switch (sourceKind) {
        case kSourceFastNtfs:
        case kSourceFastFat:
        case kSourceFastExFat: return fast_.get();
        case kSourceProExFat: return &exfat_;
        case kSourceProNtfs: return &ntfs_;
        case kSourceProFat: return &fat_;
        case kSourceCarving: return &carver_;
        default: return nullptr;
    }
}

int CProfessionalRecovery::ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) {
    out.clear();
    if (!folder) {
        if (level != 0) return kErrorInvalidParameter;
        for (IFileRecoveryParse* engine :
             {fast_.get(), static_cast<IFileRecoveryParse*>(&fat_), static_cast<IFileRecoveryParse*>(&exfat_),
              static_cast<IFileRecoveryParse*>(&ntfs_), static_cast<IFileRecoveryParse*>(&carver_)}) {
            if (!engine) continue;
            std::vector<ScanRecord> roots;
            engine->ListFolder(nullptr, 0, roots);
            out.insert(out.end(), roots.begin(), roots.end());
        }
    } else if (folder->sourceKind != kSourceCarving) {
        if (IFileRecoveryParse* engine = EngineFor(folder->sourceKind)) engine->ListFolder(folder, level, out);
    }
    if (out.size() > 1) stableSort(out);
    return 0;
}

int CProfessionalRecovery::CountFiles(const ScanRecord* folder, int level, uint32_t& count) {
    if (!folder) {
        if (level != 0) return kErrorInvalidParameter;
        for (IFileRecoveryParse* engine :
             {fast_.get(), static_cast<IFileRecoveryParse*>(&fat_), static_cast<IFileRecoveryParse*>(&exfat_),
              static_cast<IFileRecoveryParse*>(&ntfs_), static_cast<IFileRecoveryParse*>(&carver_)}) {
            if (!engine) continue;
            uint32_t n = 0;
            engine->CountFiles(nullptr, 0, n);
            count += n;
        }
        return 0;
    }
    if (folder->sourceKind == kSourceCarving) return 0;
    IFileRecoveryParse* engine = EngineFor(folder->sourceKind);
    return engine ? engine->CountFiles(folder, level, count) : 0;
}

uint64_t CProfessionalRecovery::GetFoundCount() {
    uint64_t total = fat_.GetFoundCount() + exfat_.GetFoundCount() + ntfs_.GetFoundCount() + carver_.GetFoundCount();
    if (fast_) total += fast_->GetFoundCount();
    return total;
}

int CProfessionalRecovery::GetItemPath(const ScanRecord& record, std::wstring& path) {
    if (record.sourceKind == kSourceCarving) return 0;
    IFileRecoveryParse* engine = EngineFor(record.sourceKind);
    return engine ? engine->GetItemPath(record, path) : 0;
}

int CProfessionalRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    if (!record) return kErrorInvalidParameter;
    IFileRecoveryParse* engine = EngineFor(record->sourceKind);
    return engine ? engine->RecoverItem(record, destination, baseDepth) : 0;
}

int CProfessionalRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    auto* engine = dynamic_cast<IItemRuns*>(EngineFor(record.sourceKind));
    return engine ? engine->ItemRuns(record, runs) : kErrorNotSupported;
}

int CProfessionalRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                       uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    if (!record) return kErrorInvalidParameter;
    IFileRecoveryParse* engine = EngineFor(record->sourceKind);
    return engine ? engine->ExtractItem(record, tempPath, memory, byteCount, progress, userData) : 0;
}

int CProfessionalRecovery::SetListCallback(ListProgressFn listProgress, void* userData) {
    listProgress_ = listProgress;
    listUser_ = userData;
    if (fast_) fast_->SetListCallback(listProgress, userData);
    fat_.SetListCallback(listProgress, userData);
    exfat_.SetListCallback(listProgress, userData);
    ntfs_.SetListCallback(listProgress, userData);
    carver_.SetListCallback(listProgress, userData);
    return 0;
}

bool CProfessionalRecovery::FirstDataSector(const ScanRecord& r, uint64_t& sector) {
    const uint32_t bps = bytesPerSector_ ? bytesPerSector_ : kDefaultSectorSize;
    if (r.sourceKind == kSourceFastNtfs || r.sourceKind == kSourceProNtfs) {
        RunList runs;
        // Resident data has no clusters: such files never shadow another.
        if (ntfs_.findRunsInRecord(r.location, runs) != 0 || runs.empty() || runs[0].sparse || r.clusterBytes <= 0 ||
            runs[0].lcnDelta < 0)
            return false;
        sector =
            r.partitionStart + static_cast<uint64_t>(runs[0].lcnDelta) * static_cast<uint64_t>(r.clusterBytes) / bps;
        return true;
    }
    if (r.sourceKind == kSourceFastFat || r.sourceKind == kSourceProFat) {
        if (r.clusterBytes <= 0) return false;
        const uint64_t clusterSectors = static_cast<uint64_t>(r.clusterBytes) / bps;
        if (r.fsId != 0 && static_cast<uint32_t>(r.fsId) >= 2)
            sector = r.partitionStart + clusterSectors * (static_cast<uint32_t>(r.fsId) - 2) + r.dataStart;
        else if (r.fsId == 0 && r.dataStart >= 32)
            sector = r.partitionStart + r.dataStart - 32;
        else
            return false;
        return true;
    }
    if (isExFat(r.sourceKind)) {
        // dataStart is the heap's byte offset in the volume, partitionStart the volume's start.
        if (r.clusterBytes <= 0 || static_cast<uint32_t>(r.fsId) < 2) return false;
        const uint64_t byte = r.partitionStart * bps + r.dataStart +
                              uint64_t{static_cast<uint32_t>(r.fsId) - 2} * static_cast<uint64_t>(r.clusterBytes);
        sector = byte / bps;
        return true;
    }
    return false;
}

int CProfessionalRecovery::ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) {
    out.clear();
    // First data sector -> extension of every file a file system names.
    std::map<uint64_t, std::string> dataSectors;
    // The fast pass's deleted files, by first data sector, size and name: the deep pass meets
    // the same entries again in the free directory clusters (without their full path).
    std::set<std::tuple<uint64_t, uint64_t, std::string>> fastFiles;
    for (IFileRecoveryParse* engine :
         {fast_.get(), static_cast<IFileRecoveryParse*>(&fat_), static_cast<IFileRecoveryParse*>(&exfat_),
          static_cast<IFileRecoveryParse*>(&ntfs_)}) {
        if (!engine) continue;
        const bool fastEngine = engine == fast_.get();
        std::vector<ScanRecord> found;
        engine->ListByType(pattern, found);
        for (const ScanRecord& r : found) {
            uint64_t sector = 0;
            const bool placed = FirstDataSector(r, sector);
            const uint64_t size = r.size;
            if (placed && !fastEngine && fastFiles.count({sector, size, recordName(r)})) continue;
            if (placed && fastEngine) fastFiles.insert({sector, size, recordName(r)});
            if (placed) dataSectors[sector] = lowerExtension(r);
            out.push_back(r);
        }
    }
    std::vector<ScanRecord> carved;
    carver_.ListByType(pattern, carved);
    for (const ScanRecord& c : carved) {
        const uint64_t location = c.location;  // a copy: the record is packed
        const auto it = dataSectors.find(location);
        if (it != dataSectors.end()) {
            const std::string ext = lowerExtension(c);
            if (ext == it->second || (it->second == "thm" && ext == "jpg")) continue;
        }
        out.push_back(c);
    }
    if (out.size() > 1) stableSort(out);
    return 0;
}

}  // namespace qm
