#include "session/recovery_job.h"

#include <algorithm>
#include <cwchar>

#include "engines/carving/recovered_content_check.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/type_classification.h"

namespace qm {
namespace {

constexpr size_t kMaxDestinationPath = 520;
// Far more copies of one name than anybody keeps; beyond it the item fails instead of looping.
constexpr int kMaxNameCounter = 100000;

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Length of a file-name component as the file system counts it: UTF-16 units on Windows,
// UTF-8 bytes elsewhere; both allow 255.
size_t componentLength(const std::wstring& name) {
#ifdef _WIN32
    return name.size();
#else
    return platform::toUtf8(name).size();
#endif
}
constexpr size_t kMaxComponent = 255;

// stem + suffix, the stem cut from its end until the whole fits in one component and in the
// path limit together with the folder.
std::wstring fitName(const std::wstring& folder, std::wstring stem, const std::wstring& suffix) {
    const size_t folderLength = folder.size() + 1;
    while (!stem.empty() && (componentLength(stem + suffix) > kMaxComponent ||
                             folderLength + stem.size() + suffix.size() > kMaxDestinationPath))
        stem.pop_back();
    if (stem.empty()) return {};
    return platform::joinPath(folder, stem + suffix);
}

// "photo.jpg" -> "photo.partial.jpg" (or "photo.partial(2).jpg") beside it; empty when none is free.
std::wstring PartialPathFor(const std::wstring& path) {
    const std::wstring name = platform::fileNameOf(path);
    const std::wstring folder = path.substr(0, path.size() - name.size());
    const size_t dot = name.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot > 0 && name.size() - dot <= 16;
    const std::wstring stem = (hasExtension ? name.substr(0, dot) : name) + L".partial";
    const std::wstring extension = hasExtension ? name.substr(dot) : std::wstring();
    for (int n = 0; n <= kMaxNameCounter; ++n) {
        const std::wstring suffix = (n == 0 ? std::wstring() : L"(" + std::to_wstring(n) + L")") + extension;
        const std::wstring candidate =
            fitName(folder.empty() ? folder : folder.substr(0, folder.size() - 1), stem, suffix);
        if (candidate.empty()) return {};
        if (!platform::pathExists(candidate)) return candidate;
    }
    return {};
}

// What a failed row says: the system's text, or for a file that runs past the end of the
// medium, that (an image cut short says "end of file" or worse "parameter is incorrect").
std::wstring FailureText(int error) {
    if (error == kErrorHandleEof) return L"The medium ends before this file does (is the image cut short?)";
    return platform::errorMessage(error);
}

// Bytes of a file the job wrote; 0 when it cannot be opened.
uint64_t writtenBytes(const std::wstring& path) {
    platform::File file;
    uint64_t bytes = 0;
    if (file.open(path, platform::OpenMode::ReadExisting) != 0 || file.size(bytes) != 0) return 0;
    return bytes;
}

}  // namespace

std::wstring MakeUniquePath(const std::wstring& destinationFolder, const ScanRecord& record) {
    std::map<std::wstring, int> lastCounter;
    return MakeUniquePath(destinationFolder, record, lastCounter);
}

namespace {

// The parts of a record's destination: its group folder, the name's stem and extension.
struct NameParts {
    std::wstring folder, stem, extension;
};

// A name from the medium never leaves its folder: separators and dot-only names are neutralised.
std::wstring SafePart(std::wstring name) {
    for (auto& c : name)
        if (isSeparator(c) || c == L':' || platform::isControlCharacter(c)) c = L'_';
    if (name.empty() || name == L"." || name == L"..") name = L"_" + name;
    return name;
}

NameParts PartsOf(const std::wstring& destinationFolder, const ScanRecord& record,
                  const std::wstring* folder = nullptr) {
    const std::wstring name = SafePart(platform::fromAnsi(recordName(record)));

    // "report.doc" -> "report(1).doc"; a leading dot is part of the name, not an extension.
    const size_t dot = name.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot > 0 && name.size() - dot <= 16;
    NameParts parts;
    parts.stem = hasExtension ? name.substr(0, dot) : name;
    parts.extension = hasExtension ? name.substr(dot) : std::wstring();
    parts.folder = folder ? *folder : platform::joinPath(destinationFolder, GroupFolderFor(record));
    return parts;
}

// The parts of an item's folder path, each made safe; empty parts dropped.
std::vector<std::wstring> FolderParts(const std::wstring& folder) {
    std::vector<std::wstring> parts;
    size_t at = 0;
    while (at <= folder.size()) {
        size_t end = folder.find_first_of(L"/\\", at);
        if (end == std::wstring::npos) end = folder.size();
        if (end > at) parts.push_back(SafePart(folder.substr(at, end - at)));
        at = end + 1;
    }
    return parts;
}

}  // namespace

std::wstring ItemFolder(const std::wstring& destinationFolder, const ScanRecord& record,
                        const std::wstring* ownFolder) {
    if (!ownFolder) return platform::joinPath(destinationFolder, GroupFolderFor(record));
    std::wstring path = destinationFolder;
    for (const std::wstring& part : FolderParts(*ownFolder)) path = platform::joinPath(path, part);
    return path;
}

std::wstring PlannedPath(const std::wstring& destinationFolder, const ScanRecord& record) {
    const NameParts parts = PartsOf(destinationFolder, record);
    return fitName(parts.folder, parts.stem, parts.extension);
}

std::wstring MakeUniquePath(const std::wstring& destinationFolder, const ScanRecord& record,
                            std::map<std::wstring, int>& lastCounter) {
    return MakeUniquePathIn(platform::joinPath(destinationFolder, GroupFolderFor(record)), destinationFolder, record,
                            lastCounter);
}

std::wstring MakeUniquePathIn(const std::wstring& itemFolder, const std::wstring& destinationFolder,
                              const ScanRecord& record, std::map<std::wstring, int>& lastCounter) {
    const NameParts parts = PartsOf(destinationFolder, record, &itemFolder);
    const std::wstring& folder = parts.folder;
    const std::wstring& stem = parts.stem;
    const std::wstring& extension = parts.extension;
    const std::wstring path = fitName(folder, stem, extension);
    if (path.empty()) return {};
    if (!platform::pathExists(path)) return path;
    int& last = lastCounter[path];
    for (int n = last + 1; n <= kMaxNameCounter; ++n) {
        const std::wstring candidate = fitName(folder, stem, L"(" + std::to_wstring(n) + L")" + extension);
        if (candidate.empty()) return {};
        if (!platform::pathExists(candidate)) {
            last = n;
            return candidate;
        }
    }
    return {};
}

int BaseDepth(const std::wstring& destinationFolder) {
    if (destinationFolder.empty()) return 0;
    int depth = 0;
    for (size_t i = 0; i + 1 < destinationFolder.size(); ++i)
        if (isSeparator(destinationFolder[i])) ++depth;
    return depth;
}

CRecoveryJob::CRecoveryJob(const ITextSource& texts, std::wstring destinationFolder)
    : texts_(texts), destination_(std::move(destinationFolder)) {}

int QM_STDCALL CRecoveryJob::ItemCallback(void* userData, int percent, int scale, int error,
                                          const wchar_t* destination) {
    return static_cast<CRecoveryJob*>(userData)->OnItemProgress(percent, scale, error, destination);
}

void CRecoveryJob::AddDetail(RecoveryDetailRow row) {
    row.item = currentItem_;
    // Failures gather at the head of the list, successes follow in order.
    if (row.error != 0)
        details_.push_front(std::move(row));
    else
        details_.push_back(std::move(row));
}

int CRecoveryJob::OnItemProgress(int percent, int scale, int error, const wchar_t* destination) {
    std::lock_guard<std::mutex> hold(lock_);
    if (cancelRequested_) return CancelCode;
    const int p = static_cast<int>(static_cast<int64_t>(percent) * scale / 100);
    const std::wstring path = destination ? destination : L"";
    if (p == 100) {
        if (error != 0) {
            AddDetail({path, FailureText(error), error});
            ++failed_;
            // "Exists" means the engine refused to write over a file: that file is not ours.
            if (!path.empty() && error != kErrorFileExists && error != kErrorAlreadyExists)
                failedCopies_.push_back(path);
        } else {
            AddDetail({path, L"Success", 0});
        }
        ++processed_;
    }
    if (display_) {
        RecoveryView view;
        view.percent = p < 0 ? 0 : p > 100 ? 100 : p;
        view.current = path;
        view.percentText = texts_.GetText(L"MSG1101") + L" " + std::to_wstring(view.percent) + L"%";
        view.countsText =
            FormatWithNumbers(texts_.GetText(L"MSG1102"), {processed_, total_, processed_ - failed_, failed_});
        display_(view);
    }
    return 0;
}

void CRecoveryJob::FailItem(const std::wstring& path, int error) {
    std::lock_guard<std::mutex> hold(lock_);
    ++processed_;
    ++failed_;
    AddDetail({path, FailureText(error), error});
}

void CRecoveryJob::KeepPartialCopies() {
    for (const std::wstring& path : failedCopies_) {
        if (!platform::pathExists(path) || platform::isFolder(path)) continue;
        auto row = std::find_if(details_.begin(), details_.end(),
                                [&](const RecoveryDetailRow& r) { return r.path == path && r.error != 0; });
        const uint64_t bytes = writtenBytes(path);
        if (bytes == 0) {
            platform::deleteFile(path);  // nothing was read: no empty file that looks like the real one
            continue;
        }
        const std::wstring partialPath = PartialPathFor(path);
        if (partialPath.empty() || platform::moveFile(path, partialPath, false) != 0) {
            platform::deleteFile(path);
            continue;
        }
        ++partial_;
        if (row == details_.end()) continue;
        row->path = partialPath;
        row->partial = true;
        row->status += L" (the " + std::to_wstring(bytes) + L" bytes that could be read are kept under this name)";
    }
    failedCopies_.clear();
}

void CRecoveryJob::SettleItem(const RecoveryItem& item, const std::wstring& path, int result, int processedBefore) {
    std::lock_guard<std::mutex> hold(lock_);
    if (processed_ == processedBefore) {
        ++processed_;
        if (result != 0) {
            ++failed_;
            AddDetail({path, FailureText(result > 0 ? result : kErrorInvalidFunction), result});
            if (!item.record.isFolder && result != kErrorFileExists && result != kErrorAlreadyExists)
                failedCopies_.push_back(path);
            KeepPartialCopies();
            return;
        }
        AddDetail({path, L"Success", 0});
    }
    KeepPartialCopies();
    if (result != 0 || item.record.isFolder) return;
    // The copy carries the times the file had; a file system without them leaves the copy's.
    const uint64_t modified = item.record.modified, accessed = item.record.accessed;  // copies: packed record
    platform::setFileTimes(path, modified, accessed);
    if (item.record.size == 0) return;
    auto row = std::find_if(details_.rbegin(), details_.rend(),
                            [&](const RecoveryDetailRow& r) { return r.path == path && r.error == 0; });
    if (row == details_.rend()) return;
    if (RecoveredContentMatchesType(path, platform::fromAnsi(recordName(item.record)))) return;
    row->damaged = true;
    row->status = kDamagedStatus;
    ++damaged_;
}

int CRecoveryJob::RecoverOne(const RecoveryItem& item, bool& callbacksRefused) {
    callbacksRefused = false;
    if (resume_ && !item.record.isFolder) {
        // The interrupted run named the k-th file of a name "name(k).ext" in the same order.
        const std::wstring itemFolder = ItemFolder(destination_, item.record, OwnFolderOfCurrent());
        const NameParts parts = PartsOf(destination_, item.record, &itemFolder);
        const std::wstring planned = fitName(parts.folder, parts.stem, parts.extension);
        const int seen = resumeSeen_[planned]++;
        const std::wstring earlier =
            seen == 0 ? planned
                      : fitName(parts.folder, parts.stem, L"(" + std::to_wstring(seen) + L")" + parts.extension);
        const uint64_t size = item.record.size;  // a copy: the record is packed
        if (!earlier.empty() && platform::pathExists(earlier) && !platform::isFolder(earlier) &&
            writtenBytes(earlier) == size) {
            std::lock_guard<std::mutex> hold(lock_);
            ++processed_;
            AddDetail({earlier, kAlreadyRecoveredStatus, 0});
            return 0;
        }
    }
    const std::wstring* ownFolder = OwnFolderOfCurrent();
    const std::wstring groupFolder = ItemFolder(destination_, item.record, ownFolder);
    const std::wstring path = MakeUniquePathIn(groupFolder, destination_, item.record, lastCounter_);
    if (!item.engine || path.empty()) {
        // No engine for the record, or no free name left: reported like any failed file.
        FailItem(path.empty() ? groupFolder : path, item.engine ? kErrorFileExists : kErrorInvalidParameter);
        return 0;
    }
    // The group folder must be a real folder: a file of that name, a read-only destination or a
    // link leading elsewhere fails the item with the system's reason.
    if (!groupFolders_.count(groupFolder)) {
        // An item's own folders are made one level at a time, none of them through a link.
        int rc = 0;
        std::wstring level = destination_;
        for (const std::wstring& part : ownFolder ? FolderParts(*ownFolder) : std::vector<std::wstring>{}) {
            level = platform::joinPath(level, part);
            if (groupFolders_.count(level)) continue;
            if ((rc = platform::createOwnFolder(level)) != 0) break;
            groupFolders_.insert(level);
        }
        if (rc == 0) rc = platform::createOwnFolder(groupFolder);
        if (rc != 0) {
            FailItem(path, rc);
            return 0;
        }
        groupFolders_.insert(groupFolder);
    }
    int processedBefore = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        processedBefore = processed_;
    }
    int rc = 0;
    try {
        if (item.engine->SetCallbacks(nullptr, ItemCallback, this, 100) != 0) {
            callbacksRefused = true;
            return 0;
        }
        rc = item.engine->RecoverItem(&item.record, path, BaseDepth(destination_));
    } catch (...) {
        // A fault that escapes an engine costs this item only.
        FailItem(path, kErrorInvalidFunction);
        return 0;
    }
    if (rc == CancelCode) return rc;
    SettleItem(item, path, rc, processedBefore);
    return rc;
}

const std::wstring* CRecoveryJob::OwnFolderOfCurrent() const {
    const int index = currentItem_;
    return index >= 0 && static_cast<size_t>(index) < itemFolders_.size() ? &itemFolders_[static_cast<size_t>(index)]
                                                                          : nullptr;
}

int CRecoveryJob::RunMany(const std::vector<RecoveryItem>& items) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        total_ = static_cast<int>(items.size());
    }
    for (const RecoveryItem& item : items) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            currentItem_ = static_cast<int>(&item - items.data());
        }
        bool callbacksRefused = false;
        if (RecoverOne(item, callbacksRefused) == CancelCode) {
            finished_ = true;
            return CancelCode;
        }
        if (callbacksRefused) break;
    }
    completed_ = true;
    finished_ = true;
    return 0;
}

int CRecoveryJob::RunOne(const RecoveryItem& item) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        total_ = 1;
        currentItem_ = 0;
    }
    bool callbacksRefused = false;
    const int rc = RecoverOne(item, callbacksRefused);
    completed_ = rc != CancelCode;
    finished_ = true;
    return rc == CancelCode ? CancelCode : 0;
}

}  // namespace qm
