#include "results/scan_result_store.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <limits>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_type_lists.h"
#include "results/scan_history.h"

namespace qm {
namespace {

// Listing reads this many records at a time (16 write blocks).
constexpr uint32_t kReadChunkRecords = 16 * ScanResultStore::kBufferRecords;
constexpr uint32_t kReadChunkBytes = kReadChunkRecords * kScanRecordBytes;
// Children a little apart are still read in one go: skipping a few records in memory is
// cheaper than another system call.
constexpr int32_t kMaxChildGap = 32;
constexpr size_t kMaxPatternBytes = 4096;

std::string narrowAscii(const wchar_t* text) {
    std::string out;
    for (; *text; ++text) out += static_cast<char>(*text);
    return out;
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

}  // namespace

ScanResultStore::ScanResultStore(uint64_t otherClassLimit)
    : knownTypes_(KnownTypesAnsi()), photoList_(narrowAscii(kPhotoList)), otherClassLimit_(otherClassLimit) {}

ScanResultStore::~ScanResultStore() { close(); }

int ScanResultStore::open(const std::wstring& logName) {
    std::wstring folder;
    if (int rc = CScanHistory::Instance().CurrentFolder(folder); rc != 0) return rc;
    return openIn(folder, logName);
}

int ScanResultStore::openIn(const std::wstring& folder, const std::wstring& logName) {
    close();
    if (int rc = platform::createFolderTree(folder); rc != 0 && rc != kErrorFileExists && rc != kErrorAlreadyExists)
        return rc;
    logPath_ = platform::joinPath(folder, logName);
    relationPath_ = logPath_ + L"_Relation";
    dirInfoPath_ = logPath_ + L"_DirInfo";

    if (int rc = log_.open(logPath_, platform::OpenMode::OpenAlways); rc != 0) return rc;
    uint64_t logBytes = 0;
    if (int rc = log_.size(logBytes); rc != 0) return rc;
    // A continued scan appends to its old log: numbering goes on after the whole records
    // already there, and a torn last record is overwritten.
    const uint64_t records = logBytes / kScanRecordBytes;
    count_ = static_cast<int32_t>(std::min<uint64_t>(records, std::numeric_limits<int32_t>::max()));
    flushedBytes_ = static_cast<uint64_t>(count_) * kScanRecordBytes;

    if (int rc = relationFile_.open(relationPath_, platform::OpenMode::OpenAlways); rc != 0) return rc;
    if (int rc = loadRelations(); rc != 0) return rc;

    buffer_.reset(new (std::nothrow) ScanRecord[kBufferRecords]);
    if (!buffer_) return kErrorNotEnoughMemory;

    // Without its folder-name file a store still lists; flush reports the missing file.
    if (dirInfoFile_.open(dirInfoPath_, platform::OpenMode::OpenAlways) != 0) return 0;
    loadDirInfo();
    return 0;
}

int ScanResultStore::dropRecordsAfterLastFlush() {
    if (pending_ != 0) return kErrorInvalidParameter;
    int32_t highest = 0;
    for (const auto& [key, children] : relations_)
        for (int32_t child : children)
            if (child <= count_) highest = std::max(highest, child);
    if (highest >= count_) return 0;
    if (int rc = log_.truncate(static_cast<uint64_t>(highest) * kScanRecordBytes); rc != 0) return rc;
    count_ = highest;
    flushedBytes_ = static_cast<uint64_t>(count_) * kScanRecordBytes;
    // Folder names of the dropped records go too.
    const size_t before = dirInfo_.size();
    dropAncestorIndex();
    dirInfo_.erase(std::remove_if(dirInfo_.begin(), dirInfo_.end(),
                                  [&](const DirInfoEntry& e) { return e.recordNo > count_; }),
                   dirInfo_.end());
    if (dirInfo_.size() != before) {
        dirInfoWritten_ = std::min(dirInfoWritten_, dirInfo_.size());
        if (dirInfoFile_.isOpen()) dirInfoFile_.truncate(static_cast<uint64_t>(dirInfoWritten_) * kDirInfoEntryBytes);
    }
    return 0;
}

int ScanResultStore::loadRelations() {
    uint64_t bytes = 0;
    if (int rc = relationFile_.size(bytes); rc != 0) return rc;
    relationFileBytes_ = bytes;
    if (bytes == 0) return 0;
    if (bytes > std::numeric_limits<size_t>::max() / 2) return kErrorNotEnoughMemory;
    std::string text;
    try {
        text.resize(static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return kErrorNotEnoughMemory;
    }
    size_t got = 0;
    const int rc = platform::readFully(relationFile_, text.data(), text.size(), got);
    if (rc != 0 && rc != kErrorHandleEof) return rc;  // a file that shrank meanwhile is read as it is
    text.resize(got);
    dropAncestorIndex();
    try {
        parseRelations(text, relations_);
    } catch (const std::bad_alloc&) {
        relations_.clear();
        return kErrorNotEnoughMemory;
    }
    return 0;
}

void ScanResultStore::loadDirInfo() {
    uint64_t bytes = 0;
    if (dirInfoFile_.size(bytes) != 0) return;
    // One name per folder record at most: entries beyond the log's record count are junk.
    bytes = std::min<uint64_t>(bytes, static_cast<uint64_t>(count_) * kDirInfoEntryBytes);
    std::vector<uint8_t> chunk(256 * kDirInfoEntryBytes);
    uint64_t done = 0;
    while (bytes - done >= kDirInfoEntryBytes) {
        const uint64_t whole = (bytes - done) / kDirInfoEntryBytes * kDirInfoEntryBytes;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), whole));
        size_t got = 0;
        const int rc = platform::readFully(dirInfoFile_, chunk.data(), want, got);
        const ByteView view(chunk.data(), got);
        DirInfoEntry entry;
        for (size_t at = 0; decodeDirInfoEntry(view.sub(at), entry); at += kDirInfoEntryBytes) dirInfo_.push_back(entry);
        dropAncestorIndex();
        if (rc != 0 || got < want) break;
        done += got;
    }
    dirInfoWritten_ = dirInfo_.size();
}

ScanRecord* ScanResultStore::appendRecord() {
    if (!buffer_ || count_ == std::numeric_limits<int32_t>::max()) {
        // Not open, or the log is full: the caller gets a slot that goes nowhere, and the
        // next flush says so.
        if (!appendError_) appendError_ = buffer_ ? kErrorDiskFull : kErrorInvalidHandle;
        overflowSlot_ = ScanRecord{};
        return &overflowSlot_;
    }
    if (pending_ + kScanRecordBytes > kBufferBytes) {
        if (int rc = writeBuffer(); rc != 0) {
            // The block is dropped so the scan can go on, but the loss is reported, and the
            // records after it keep their places in the log.
            if (!appendError_) appendError_ = rc;
            flushedBytes_ += pending_;
            pending_ = 0;
        }
    }
    ScanRecord* slot = &buffer_[pending_ / kScanRecordBytes];
    *slot = ScanRecord{};
    pending_ += kScanRecordBytes;
    ++count_;
    slot->recordNo = count_;
    return slot;
}

void ScanResultStore::addChild(ParentKey parent, int32_t recordNo, int32_t fsId, const char* folderName) {
    relations_[parent].push_back(recordNo);
    relationsDirty_ = true;
    dropAncestorIndex();
    if (folderName) {
        DirInfoEntry entry;
        entry.fsId = fsId;
        entry.recordNo = recordNo;
        setNameField(entry.name, folderName);
        dirInfo_.push_back(entry);
    }
}

int ScanResultStore::writeBuffer() {
    if (pending_ == 0) return 0;
    if (int rc = log_.seek(flushedBytes_); rc != 0) return rc;
    if (int rc = platform::writeFully(log_, buffer_.get(), pending_); rc != 0) return rc;
    flushedBytes_ += pending_;
    pending_ = 0;
    return 0;
}

int ScanResultStore::writeRelations() {
    if (!relationsDirty_) return 0;
    std::string text = formatRelations(relations_);
    // A damaged file may have been longer than its tidy rewrite; blanks hide its tail.
    if (text.size() < relationFileBytes_) text.append(static_cast<size_t>(relationFileBytes_ - text.size()), ' ');
    if (int rc = relationFile_.seek(0); rc != 0) return rc;
    if (int rc = platform::writeFully(relationFile_, text.data(), text.size()); rc != 0) return rc;
    relationFileBytes_ = text.size();
    relationsDirty_ = false;
    return relationFile_.seek(0);
}

int ScanResultStore::writeDirInfo() {
    if (dirInfoWritten_ >= dirInfo_.size()) return 0;
    const uint64_t at = static_cast<uint64_t>(dirInfoWritten_) * kDirInfoEntryBytes;
    if (int rc = dirInfoFile_.seek(at); rc != 0) return rc;
    const size_t bytes = (dirInfo_.size() - dirInfoWritten_) * kDirInfoEntryBytes;
    if (int rc = platform::writeFully(dirInfoFile_, &dirInfo_[dirInfoWritten_], bytes); rc != 0) return rc;
    dirInfoWritten_ = dirInfo_.size();
    return dirInfoFile_.seek(0);
}

int ScanResultStore::flush() {
    if (int rc = writeBuffer(); rc != 0) return rc;  // the side files describe what is in the log
    const int relationRc = writeRelations();
    const int dirInfoRc = writeDirInfo();
    int rc = appendError_ ? appendError_ : relationRc ? relationRc : dirInfoRc;
    appendError_ = 0;
    return rc;
}

int ScanResultStore::close() {
    const int rc = flush();
    appendError_ = 0;  // anything left over was part of a failed final write, reported above
    buffer_.reset();
    log_.close();
    relationFile_.close();
    dirInfoFile_.close();
    pending_ = 0;
    count_ = 0;
    flushedBytes_ = 0;
    relations_.clear();
    relationsDirty_ = false;
    relationFileBytes_ = 0;
    dirInfo_.clear();
    dropAncestorIndex();
    dirInfoWritten_ = 0;
    return rc;
}

void ScanResultStore::setListProgress(StoreListProgress fn, void* user) {
    listProgress_ = std::move(fn);
    listProgressUser_ = user;
}

const std::vector<int32_t>* ScanResultStore::childrenOf(ParentKey key) const {
    if (relations_.empty()) return nullptr;
    if (key.value == 0) return &relations_.begin()->second;
    const auto it = relations_.find(key);
    return it == relations_.end() ? nullptr : &it->second;
}

template <class Visit>
int ScanResultStore::readChildren(const std::vector<int32_t>& children, Visit&& visit) {
    if (readBuffer_.size() < kReadChunkBytes) readBuffer_.resize(kReadChunkBytes);
    const size_t n = children.size();
    size_t i = 0;
    while (i < n) {
        const int32_t first = children[i];
        if (first <= 0 || first > count_) {  // not in the log: a damaged relation file
            ++i;
            continue;
        }
        // Extend the run while the next child follows closely and fits in one read.
        size_t j = i + 1;
        int32_t last = first;
        while (j < n) {
            const int32_t next = children[j];
            if (next <= last || next > count_ || next - last > kMaxChildGap ||
                static_cast<int64_t>(next) - first >= static_cast<int64_t>(kReadChunkRecords))
                break;
            last = next;
            ++j;
        }
        const size_t span = static_cast<size_t>(last - first + 1) * kScanRecordBytes;
        if (int rc = log_.seek(recordOffset(first)); rc != 0) return rc;
        size_t got = 0;
        const int rc = platform::readFully(log_, readBuffer_.data(), span, got);
        ScanRecord record;
        for (; i < j; ++i) {
            const size_t at = static_cast<size_t>(children[i] - first) * kScanRecordBytes;
            if (at + kScanRecordBytes > got) break;
            std::memcpy(&record, readBuffer_.data() + at, kScanRecordBytes);
            visit(record);
        }
        if (rc != 0) return rc;
    }
    return 0;
}

template <class Visit, class After>
int ScanResultStore::streamLog(Visit&& visit, After&& after) {
    uint64_t logBytes = 0;
    if (int rc = log_.size(logBytes); rc != 0) return rc;
    const uint64_t wholeBytes = logBytes / kScanRecordBytes * kScanRecordBytes;
    if (readBuffer_.size() < kReadChunkBytes) readBuffer_.resize(kReadChunkBytes);
    if (int rc = log_.seek(0); rc != 0) return rc;
    ScanRecord record;
    uint64_t done = 0;
    while (done < wholeBytes) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kReadChunkBytes, wholeBytes - done));
        size_t got = 0;
        const int rc = platform::readFully(log_, readBuffer_.data(), want, got);
        for (size_t at = 0; at + kScanRecordBytes <= got; at += kScanRecordBytes) {
            std::memcpy(&record, readBuffer_.data() + at, kScanRecordBytes);
            if (!visit(record)) return 0;
        }
        if (rc != 0) return rc;
        done += got;
        if (int stop = after(done, logBytes); stop != 0) return stop;
    }
    return 0;
}

bool ScanResultStore::isDamagedPhoto(const ScanRecord& record) const {
    if (record.condition != 0) return false;
    const std::string ext = recordExtensionLower(record);
    return ListHasExtension(std::string_view(photoList_), std::string_view(ext));
}

namespace {

// What the record order looks at, gathered once per record: the first 16 name bytes folded
// and packed big-endian decide most comparisons without touching the records again.
struct SortKey {
    uint64_t head[2];
    const char* name;
    uint32_t length;
    uint32_t index;
    bool folder;
};

SortKey sortKeyOf(const ScanRecord& record, uint32_t index) {
    const std::string_view name = nameFieldView(record.name);
    SortKey key{{0, 0}, record.name, static_cast<uint32_t>(name.size()), index, record.isFolder != 0};
    for (size_t i = 0; i < 16; ++i) {
        unsigned char c = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
        key.head[i / 8] = (key.head[i / 8] << 8) | c;
    }
    return key;
}

bool sortKeyLess(const SortKey& a, const SortKey& b) {
    if (a.folder != b.folder) return !a.folder;
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    if (a.length <= 16 || b.length <= 16) return a.length < b.length;  // names end in their heads
    return compareNamesIgnoreCase(std::string_view(a.name + 16, a.length - 16),
                                  std::string_view(b.name + 16, b.length - 16)) < 0;
}

}  // namespace

void ScanResultStore::sortRecords(std::vector<ScanRecord>& records) {
    if (records.size() < 2) return;
    std::vector<SortKey> keys;
    keys.reserve(records.size());
    for (uint32_t i = 0; i < records.size(); ++i) keys.push_back(sortKeyOf(records[i], i));
    std::sort(keys.begin(), keys.end(), sortKeyLess);
    // Move the records into place along the permutation's cycles: one spare record, not a
    // second copy of the whole list.
    std::vector<uint32_t> from(records.size());
    for (uint32_t i = 0; i < from.size(); ++i) from[i] = keys[i].index;
    keys.clear();
    for (uint32_t start = 0; start < from.size(); ++start) {
        if (from[start] == start) continue;
        const ScanRecord spare = records[start];
        uint32_t at = start;
        while (from[at] != start) {
            const uint32_t next = from[at];
            records[at] = records[next];
            from[at] = at;
            at = next;
        }
        records[at] = spare;
        from[at] = at;
    }
}

int ScanResultStore::listChildren(ParentKey parent, std::vector<ScanRecord>& out) {
    const int flushRc = flush();
    const std::vector<int32_t>* children = childrenOf(parent);
    if (!children) return flushRc;
    out.reserve(out.size() + children->size());
    const int rc = readChildren(*children, [&](const ScanRecord& record) {
        if (!isDamagedPhoto(record)) out.push_back(record);
    });
    sortRecords(out);
    return rc ? rc : flushRc;
}

int ScanResultStore::countFiles(ParentKey parent, uint32_t& count) {
    count = 0;
    const int flushRc = flush();
    if (parent.value == 0) {
        if (relations_.empty()) return flushRc;
        parent = relations_.begin()->first;
    }
    // Every key is walked once: a folder filed below itself cannot loop the walk.
    std::unordered_set<uint64_t> seen{parent.value};
    std::deque<ParentKey> queue{parent};
    int lastError = 0;
    while (!queue.empty()) {
        const ParentKey key = queue.front();
        queue.pop_front();
        const auto it = relations_.find(key);
        if (it == relations_.end()) continue;
        const int rc = readChildren(it->second, [&](const ScanRecord& record) {
            if (record.isFolder) {
                const ParentKey child = ParentKey::make(record.fsId, key.depth() + 1);
                if (seen.insert(child.value).second) queue.push_back(child);
            } else {
                ++count;
            }
        });
        if (rc != 0) lastError = rc;
    }
    return lastError ? lastError : flushRc;
}

int ScanResultStore::findFolderRecord(int32_t fsId, ScanRecord& out) {
    const int flushRc = flush();
    bool found = false;
    const int rc = streamLog(
        [&](const ScanRecord& record) {
            if (record.fsId != fsId || record.isFolder == 0) return true;
            out = record;
            found = true;
            return false;
        },
        [](uint64_t, uint64_t) { return 0; });
    if (found) return 0;
    if (rc != 0) return rc;
    return flushRc ? flushRc : kErrorInvalidParameter;
}

uint64_t ScanResultStore::NextAncestorGeneration() {
    static std::atomic<uint64_t> counter{0};
    return ++counter;
}

void ScanResultStore::dropAncestorIndex() {
    ancestorIndexBuilt_ = false;
    ancestorGeneration_ = NextAncestorGeneration();
    parentOf_.clear();
    folderNameOf_.clear();
}

// Which folder holds each record, and where each folder's name is: built once for all the
// walks of a listing, so a deep tree costs its depth per file, not its size.
void ScanResultStore::buildAncestorIndex() {
    if (ancestorIndexBuilt_) return;
    // The first folder (in key order) that lists a record is its parent, the first name entry of a
    // folder its name, as a walk through the lists would find them.
    for (const auto& [key, children] : relations_)
        for (int32_t child : children) parentOf_.emplace(child, key);
    for (size_t i = 0; i < dirInfo_.size(); ++i) folderNameOf_.emplace(dirInfo_[i].fsId, i);
    ancestorIndexBuilt_ = true;
}

int ScanResultStore::parentFolder(int32_t recordNo, ScanRecord& folder, bool& found) {
    found = false;
    if (relations_.empty()) return 0;
    buildAncestorIndex();
    const auto parentIt = parentOf_.find(recordNo);
    if (parentIt == parentOf_.end() || parentIt->second == relations_.begin()->first) return 0;
    const int32_t p = parentIt->second.fsId();
    folder = ScanRecord{};
    const auto named = folderNameOf_.find(p);
    if (named != folderNameOf_.end()) {
        const DirInfoEntry& entry = dirInfo_[named->second];
        folder.isFolder = 1;
        folder.fsId = entry.fsId;
        folder.recordNo = entry.recordNo;
        std::memcpy(folder.name, entry.name, kRecordNameBytes);
    } else if (int rc = findFolderRecord(p, folder); rc != 0) {
        return rc;
    }
    found = true;
    return 0;
}

int ScanResultStore::collectAncestors(const ScanRecord& record, std::vector<ScanRecord>& out) {
    out.clear();
    const int flushRc = flush();
    // Each folder joins the chain once: a folder filed under itself or under one of its own
    // descendants ends the walk instead of looping.
    std::unordered_set<int32_t> visited{record.recordNo};
    int32_t current = record.recordNo;
    for (;;) {
        ScanRecord folder;
        bool found = false;
        if (int rc = parentFolder(current, folder, found); rc != 0) return rc;
        if (!found) return flushRc;
        current = folder.recordNo;  // a plain copy: the record's fields are packed
        if (!visited.insert(current).second) return flushRc;
        out.push_back(folder);
    }
}

int ScanResultStore::listByType(const std::wstring& pattern, std::vector<ScanRecord>& out) {
    const std::string ansi = platform::truncateUtf8(platform::toAnsi(pattern), kMaxPatternBytes);
    bool other = contains(ansi, ".other");
    const int flushRc = flush();
    uint64_t logBytes = 0;
    if (int rc = log_.size(logBytes); rc != 0) return rc;
    if (logBytes >= otherClassLimit_) other = false;

    // Extensions repeat endlessly across a log: decide each one once.
    std::unordered_map<std::string, bool> decided;
    auto wanted = [&](const std::string& ext) {
        if (ext.empty()) return other;
        const auto it = decided.find(ext);
        if (it != decided.end()) return it->second;
        const std::string_view item(ext);
        const bool keep = ListHasExtension(std::string_view(ansi), item) ||
                          (other && !ListHasExtension(std::string_view(knownTypes_), item));
        decided.emplace(ext, keep);
        return keep;
    };
    const int rc = streamLog(
        [&](const ScanRecord& record) {
            if (record.isFolder != 0) return true;
            const std::string ext = recordExtensionLower(record);
            if (record.condition == 0 && ListHasExtension(std::string_view(photoList_), std::string_view(ext))) return true;
            if (wanted(ext)) out.push_back(record);
            return true;
        },
        [&](uint64_t done, uint64_t total) {
            if (!listProgress_) return 0;
            return listProgress_(listProgressUser_, static_cast<int>(done * 100 / total), 0);
        });
    sortRecords(out);
    return rc ? rc : flushRc;
}

}  // namespace qm
