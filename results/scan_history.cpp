#include "results/scan_history.h"

#include <cwctype>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "results/scan_history_file.h"

namespace qm {
namespace {

// One record per scanned source; a file holding more than this is damaged, and reading it
// all could exhaust memory.
constexpr size_t kMaxHistoryRecords = 16384;

bool isSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

wchar_t foldCase(wchar_t c) {
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool equalsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    while (!path.empty() && isSeparator(path.back())) path.pop_back();
    return path;
}

// Dots and spaces alone could name the parent or, on Windows, the folder itself.
bool isPlainComponent(const std::wstring& part) {
    return part.find_first_not_of(L". ") != std::wstring::npos;
}

// True when `path` names something strictly below `base`. Folder paths come from the index
// file, which may be damaged; only our own scan-log folders may be deleted.
bool liesInside(const std::wstring& base, const std::wstring& path) {
    if (base.empty() || path.size() <= base.size() + 1) return false;
    if (!equalsIgnoringCase(path.substr(0, base.size()), base) || !isSeparator(path[base.size()])) return false;
    std::wstring part;
    for (size_t i = base.size() + 1; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (!part.empty() && !isPlainComponent(part)) return false;
            part.clear();
        } else {
            part += path[i];
        }
    }
    return true;
}

// Deletes a scan-log folder with everything in it; 0 when it does not exist.
int deleteLogFolder(const std::wstring& base, const std::wstring& folder) {
    const std::wstring path = withoutTrailingSeparators(folder);
    if (path.empty() || !platform::pathExists(path)) return 0;
    if (!liesInside(base, path)) return kErrorAccessDenied;
    return platform::deleteTree(path);
}

// A path the index can store and read back unchanged.
int checkStorablePath(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) return kErrorInvalidName;
    // The field holds 260 units with the NUL; a longer path would come back cut.
    if (historyPathUnits(path) >= kHistoryPathUnits) return kErrorFilenameTooLong;
    return 0;
}

}  // namespace

CScanHistory& CScanHistory::Instance() {
    static CScanHistory history = [] {
        CScanHistory loaded(platform::appDataFolder());
        loaded.Load();
        return loaded;
    }();
    return history;
}

CScanHistory::CScanHistory(const std::wstring& appDataFolder)
    : baseFolder_(platform::joinPath(platform::joinPath(appDataFolder, L"OrlynDataRecovery"), L"ScanLog")) {}

std::wstring CScanHistory::IndexPath() const {
    return platform::joinPath(baseFolder_, L"config");
}

std::wstring CScanHistory::TempPath() const {
    return IndexPath() + L".tmp";
}

int CScanHistory::Load() {
    records_.clear();
    counter_ = 0;
    found_ = false;
    foundFolder_.clear();

    const std::wstring index = IndexPath();
    const std::wstring temp = TempPath();
    if (platform::pathExists(temp) && !platform::isFolder(temp)) {
        if (!platform::pathExists(index)) {
            platform::moveFile(temp, index, false);  // a save stopped just before its rename
        } else {
            platform::deleteFile(temp);  // a save stopped before replacing the index: the index holds
        }
    }

    platform::File file;
    if (file.open(index, platform::OpenMode::ReadExisting) != 0) return kErrorInvalidParameter;

    uint8_t header[kHistoryHeaderSize] = {};
    size_t got = 0;
    int rc = platform::readFully(file, header, sizeof header, got);
    if (rc != 0 && rc != kErrorHandleEof) return kErrorReadFault;
    if (got == 0) return kErrorInvalidParameter;
    if (got < sizeof header) return 0;  // too short for a counter: an empty index
    counter_ = ByteView(header, sizeof header).u64(0);

    std::vector<uint8_t> buffer(kHistoryRecordSize);
    while (records_.size() < kMaxHistoryRecords) {
        rc = platform::readFully(file, buffer.data(), buffer.size(), got);
        if (rc == kErrorHandleEof) break;  // the end, or a cut record that is dropped
        if (rc != 0) return kErrorReadFault;
        ScanHistoryRecord record;
        if (decodeHistoryRecord(ByteView(buffer.data(), got), record)) records_.push_back(std::move(record));
    }
    return 0;
}

int CScanHistory::Save() {
    std::vector<uint8_t> bytes;
    if (int rc = encodeScanHistory(counter_, records_, bytes); rc != 0) return rc;
    platform::createFolderTree(baseFolder_);

    // The index is replaced only by a complete, flushed file, so a crash leaves the old or the new one.
    const std::wstring temp = TempPath();
    platform::File file;
    if (int rc = file.open(temp, platform::OpenMode::CreateAlways); rc != 0) return rc;
    int rc = platform::writeFully(file, bytes.data(), bytes.size());
    if (rc == 0) rc = file.flush();
    file.close();
    if (rc == 0) rc = platform::moveFile(temp, IndexPath(), /*replace=*/true);
    if (rc != 0) platform::deleteFile(temp);
    return rc;
}

void CScanHistory::RemoveRecordAt(size_t index) {
    const std::wstring folder = records_[index].folder;
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index));
    deleteLogFolder(baseFolder_, folder);
}

size_t CScanHistory::SettleLookup(size_t index, bool unchanged) {
    found_ = false;
    foundFolder_.clear();
    if (index == kNoRecord) return kNoRecord;
    if (!unchanged) {
        // The source changed since that scan: its logs no longer describe it.
        RemoveRecordAt(index);
        return kNoRecord;
    }
    found_ = true;
    foundFolder_ = records_[index].folder;
    return index;
}

size_t CScanHistory::LookupVolume(wchar_t driveLetter, uint32_t diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                  uint64_t& freeBytes) {
    freeBytes = platform::driveFreeBytes(driveLetter);
    size_t index = kNoRecord;
    for (size_t i = 0; i < records_.size(); ++i) {
        const ScanHistoryRecord& r = records_[i];
        if (!r.isImage() && r.diskNumber == diskNumber && r.firstSector == firstSector &&
            r.sectorCount == sectorCount) {
            index = i;
            break;
        }
    }
    return SettleLookup(index, index != kNoRecord && records_[index].volumeFreeBytes == freeBytes);
}

size_t CScanHistory::LookupImage(const std::wstring& imagePath, uint64_t firstSector, uint64_t& writeTime) {
    writeTime = 0;
    if (imagePath.empty()) return SettleLookup(kNoRecord, false);
    platform::lastWriteTime(imagePath, writeTime);  // stays 0 when it cannot be read
    size_t index = kNoRecord;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].imagePath == imagePath && records_[i].firstSector == firstSector) {
            index = i;
            break;
        }
    }
    return SettleLookup(index, index != kNoRecord && records_[index].imageWriteTime == writeTime);
}

int CScanHistory::FindVolume(wchar_t driveLetter, uint32_t diskNumber, uint64_t firstSector, uint64_t sectorCount,
                             ScanHistoryRecord* out) {
    uint64_t freeBytes = 0;
    const size_t index = LookupVolume(driveLetter, diskNumber, firstSector, sectorCount, freeBytes);
    if (index == kNoRecord) return 0;
    if (out) *out = records_[index];
    return 1;
}

int CScanHistory::FindImage(const std::wstring& imagePath, ScanHistoryRecord* out, uint64_t firstSector) {
    uint64_t writeTime = 0;
    const size_t index = LookupImage(imagePath, firstSector, writeTime);
    if (index == kNoRecord) return 0;
    if (out) *out = records_[index];
    return 1;
}

int CScanHistory::Upsert(wchar_t driveLetter, uint32_t diskNumber, uint64_t firstSector, uint64_t sectorCount,
                         const ResumeState& resume, const std::wstring& folder, const std::wstring& imagePath) {
    if (folder.empty()) return kErrorInvalidParameter;
    if (int rc = checkStorablePath(folder); rc != 0) return rc;
    if (int rc = checkStorablePath(imagePath); rc != 0) return rc;

    const bool image = !imagePath.empty();
    uint64_t freeBytes = 0;
    uint64_t writeTime = 0;
    const size_t index = image ? LookupImage(imagePath, firstSector, writeTime)
                               : LookupVolume(driveLetter, diskNumber, firstSector, sectorCount, freeBytes);
    if (index != kNoRecord) {
        records_[index].resume = resume;
    } else {
        if (records_.size() >= kMaxHistoryRecords) RemoveRecordAt(0);  // keep the file readable in full
        ScanHistoryRecord record;
        record.diskNumber = diskNumber;
        record.firstSector = firstSector;
        record.sectorCount = sectorCount;
        record.resume = resume;
        record.volumeFreeBytes = image ? 0 : freeBytes;
        record.imageWriteTime = image ? writeTime : 0;
        record.imagePath = imagePath;
        record.folder = folder;
        records_.push_back(std::move(record));
    }
    return Save();
}

int CScanHistory::CurrentFolder(std::wstring& outPath) const {
    if (found_) {
        outPath = foundFolder_;
    } else {
        outPath = baseFolder_ + platform::kPathSeparator + std::to_wstring(counter_) + platform::kPathSeparator;
    }
    return 0;
}

int CScanHistory::NewFolder() {
    ++counter_;
    found_ = false;
    foundFolder_.clear();
    std::wstring folder;
    CurrentFolder(folder);
    return RemoveFolder(folder);  // a left-over of that number belongs to no record
}

void CScanHistory::ReleaseNewestFolder() {
    if (counter_ > 0) --counter_;
}

int CScanHistory::RemoveFolder(const std::wstring& folder) {
    for (size_t i = 0; i < records_.size(); ++i) {
        if (equalsIgnoringCase(records_[i].folder, folder)) {
            records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    if (found_ && equalsIgnoringCase(foundFolder_, folder)) {
        found_ = false;  // never hand out a deleted folder as the current one
        foundFolder_.clear();
    }
    return deleteLogFolder(baseFolder_, folder);
}

int CScanHistory::FindLogFile(const std::wstring& prefix, std::wstring& outName, const std::wstring& folder) const {
    outName.clear();
    std::vector<std::wstring> names;
    if (int rc = platform::listFolder(folder, names); rc != 0) return rc;
    for (const std::wstring& name : names) {
        if (name.empty() || name[0] == L'.') continue;
        if (name.find(prefix) != std::wstring::npos) {
            outName = name;
            return 0;
        }
    }
    return kErrorFileNotFound;
}

}  // namespace qm
