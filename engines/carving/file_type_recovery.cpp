#include "engines/carving/file_type_recovery.h"

#include <algorithm>
#include <vector>

#include "engines/carving/identification.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/preview_target.h"
#include "results/scan_history.h"
#include "results/scan_log_name.h"
#include "results/type_classification.h"

namespace qm {
namespace {

constexpr uint32_t kCopyChunk = 65536;

std::wstring parentOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace

int CFileTypeRecovery::OpenLog(const std::wstring& logName) {
    return OpenStore(logName);
}

void CFileTypeRecovery::UseSource(const Source& source) {
    reader_ = source.reader;
    tag_ = source.where.tag;
    sectorSize_ = source.sectorSize ? source.sectorSize : kDefaultSectorSize;
    ctx_.sectorSize = sectorSize_;
    diskNumber_ = source.where.isImage ? -1 : source.where.diskNumber;
    firstSector_ = source.where.isImage ? 0 : source.where.firstSector;
    sectorCount_ = source.where.isImage ? 0 : source.where.sectorCount;
}

int CFileTypeRecovery::AttachSource(const Source& source) {
    UseSource(source);
    return OpenLog(scanLogNameNow(kFileTypeLogPrefix, source.areaStart));
}

int CFileTypeRecovery::AttachForCoordinator(const Source& source, const std::wstring& logName) {
    UseSource(source);
    return OpenLog(logName);
}

int CFileTypeRecovery::SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData,
                                    int scale) {
    CStoreBackedEngine::SetCallbacks(scanProgress, itemProgress, userData, scale);
    ctx_.progress.callback = scanProgress;
    ctx_.progress.userData = userData;
    ctx_.progress.scale = scale;
    return 0;
}

int CFileTypeRecovery::ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) {
    out.clear();
    if (folder || level != 0) return 0;  // everything lies in the flat root
    return CStoreBackedEngine::ListFolder(nullptr, 0, out);
}

int CFileTypeRecovery::CountFiles(const ScanRecord* folder, int level, uint32_t& count) {
    count = 0;
    if (folder || level != 0) return 0;
    return CStoreBackedEngine::CountFiles(nullptr, 0, count);
}

int CFileTypeRecovery::CarveAt(uint32_t sectorSize, const uint8_t* bytes, size_t length, uint64_t sector,
                               const CarveProgress& progress, uint64_t& filesFound, uint64_t& sectorsToSkip) {
    sectorsToSkip = 1;
    if (!store_ || !bytes || sectorSize == 0) return kErrorInvalidParameter;
    ctx_.sectorSize = sectorSize;
    ctx_.progress = progress;
    CarvedFile carved;
    const int rc = IdentifyAndMeasure(ctx_, ByteView(bytes, length), sector, carved);
    if (rc != 0) return rc;

    ScanRecord* record = store_->appendRecord();
    *record = ScanRecord{};
    record->driveLetter = tag_;
    record->sourceKind = kSourceCarving;
    record->isFolder = 0;
    record->condition = 1;
    record->recordNo = store_->count();
    record->fsId = 0;
    record->clusterBytes = -1;
    record->size = carved.length;
    record->location = sector;
    setRecordName(*record, carved.name);
    store_->addChild(ParentKey(0), record->recordNo, 0);

    sectorsToSkip = carved.sectorsToSkip;
    ++filesFound;
    return 0;
}

int CFileTypeRecovery::CopyOut(const ScanRecord& record, platform::File* file, uint8_t* memory, uint64_t capacity,
                               uint64_t& delivered, const std::function<int(uint64_t)>& report) {
    delivered = 0;
    const uint32_t sectorSize = sectorSize_;
    if (sectorSize == 0 || sectorSize > kCopyChunk) return kErrorInvalidParameter;
    const uint64_t recordSize = record.size;  // a copy: the record is packed
    const uint64_t size = file ? recordSize : std::min(recordSize, capacity);
    const uint32_t chunkSectors = kCopyChunk / sectorSize;
    std::vector<uint8_t> buffer(static_cast<size_t>(chunkSectors) * sectorSize);
    const uint64_t medium = source_.TotalSectors(sectorSize);
    uint64_t done = 0;
    uint64_t next = record.location;
    while (done < size) {
        const uint64_t leftBytes = size - done;
        uint64_t want = std::min<uint64_t>(chunkSectors, leftBytes / sectorSize + (leftBytes % sectorSize ? 1 : 0));
        // A file that runs past the medium's end is copied as far as the medium goes.
        if (next >= medium) return kErrorHandleEof;
        want = std::min<uint64_t>(want, medium - next);
        uint32_t got = 0;
        const int rc = reader_.ReadSectors(static_cast<uint32_t>(want), buffer.data(), next, sectorSize, got);
        const uint64_t bytes = std::min<uint64_t>(static_cast<uint64_t>(got) * sectorSize, leftBytes);
        if (bytes > 0) {
            if (file) {
                if (platform::writeFully(*file, buffer.data(), static_cast<size_t>(bytes)) != 0)
                    return kErrorWriteFault;
            } else {
                std::copy_n(buffer.data(), static_cast<size_t>(bytes), memory + done);
                delivered += bytes;
            }
            done += bytes;
            next += got;
        }
        if (rc != 0) return rc;
        if (got == 0) return kErrorReadFault;
        if (int stop = report(done); stop != 0) return stop;
    }
    return 0;
}

int CFileTypeRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int) {
    if (!record) return kErrorInvalidParameter;
    auto finish = [&](int error) {
        if (error > 0 && callbacks_.itemProgress)
            callbacks_.itemProgress(callbacks_.userData, 100, 100, error, destination.c_str());
        return error;
    };
    // The folder must be a real one: a link there would lead the file out of the destination.
    const std::wstring folder = parentOf(destination);
    if (!folder.empty()) {
        if (int rc = platform::createOwnFolder(folder); rc != 0) return finish(rc);
    }
    // Recovery never overwrites: the caller picks a free name, and a taken one is an error.
    if (platform::pathExists(destination)) return finish(kErrorFileExists);
    platform::File out;
    if (int rc = out.open(destination, platform::OpenMode::CreateNew); rc != 0) return finish(rc);
    uint64_t delivered = 0;
    bool stoppedByCallback = false;
    const uint64_t size = record->size;
    const int rc = CopyOut(*record, &out, nullptr, 0, delivered, [&](uint64_t done) {
        if (!callbacks_.itemProgress) return 0;
        const int percent = size ? static_cast<int>(done * 100 / size) : 100;
        const int stop = callbacks_.itemProgress(callbacks_.userData, percent, 100, 0, destination.c_str());
        stoppedByCallback = stop != 0;
        return stop;
    });
    out.close();
    if (stoppedByCallback) return rc;
    if (rc == 0 && size == 0 && callbacks_.itemProgress) {
        // An empty file has no chunk to report; it is finished all the same.
        return callbacks_.itemProgress(callbacks_.userData, 100, 100, 0, destination.c_str());
    }
    return finish(rc);
}

int CFileTypeRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                   uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    const uint64_t capacity = byteCount;
    byteCount = 0;
    tempPath.clear();
    if (!record) return kErrorInvalidParameter;
    const std::wstring target = PreviewTargetPath(*record);

    platform::File file;
    if (!target.empty()) {
        platform::createFolderTree(PreviewTargetFolder());
        platform::deleteFile(target);
        if (int rc = file.open(target, platform::OpenMode::OpenAlways); rc != 0) return rc;
        platform::setHidden(target);
        tempPath = target;
    } else if (!memory) {
        return kErrorInvalidParameter;
    }

    bool stoppedByCallback = false;
    int lastResult = 0;
    const uint64_t recordSize = record->size;  // a copy: the record is packed
    const uint64_t size = target.empty() ? std::min(recordSize, capacity) : recordSize;
    uint64_t delivered = 0;
    int rc = CopyOut(*record, target.empty() ? nullptr : &file, memory, capacity, delivered, [&](uint64_t done) {
        if (!progress) return 0;
        const int stop = progress(userData, size ? static_cast<int>(done * 100 / size) : 100, lastResult);
        stoppedByCallback = stop != 0;
        return stop;
    });
    if (rc > 0 && !stoppedByCallback && progress) progress(userData, 100, rc);
    byteCount = delivered;
    if (!target.empty()) {
        file.close();
        if (rc != 0) {
            platform::deleteFile(target);
            tempPath.clear();
        }
    }
    return rc;
}

int CFileTypeRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    const uint64_t medium = source_.TotalSectors(sectorSize_);
    const uint64_t first = record.location;
    if (sectorSize_ == 0 || first >= medium || medium > UINT64_MAX / sectorSize_) return 0;
    const uint64_t size = record.size;  // a copy: the record is packed
    AppendSourceRun(runs, first * sectorSize_, std::min<uint64_t>(size, (medium - first) * sectorSize_), 0);
    return 0;
}

}  // namespace qm
