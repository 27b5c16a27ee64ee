// The content check of found files, and copying them out or reading them for preview.
#include <algorithm>
#include <cstring>
#include <deque>

#include "engines/ntfs/ntfs_content_check.h"
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_output_name.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/professional/pro_ntfs_stream.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_type_lists.h"

namespace qm {
namespace {

constexpr int kMaxRecoverDepth = 1024;

int folderError(int rc) { return (rc == kErrorFileExists || rc == kErrorAlreadyExists) ? 0 : rc; }

std::wstring parentOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

// Internal results (no record, no data) as the Windows error a user sees.
int userError(int rc) { return rc < 0 ? kErrorFileNotFound : rc; }

bool inList(const wchar_t* list, const std::wstring& extension) {
    if (extension.empty()) return false;
    const std::wstring text(list), item = L"*." + extension;
    for (size_t at = text.find(item); at != std::wstring::npos; at = text.find(item, at + 1)) {
        const size_t end = at + item.size();
        if (end == text.size() || text[end] == L'|') return true;
    }
    return false;
}

}  // namespace

NtfsVolumeGeometry CProfessionalNtfsRecovery::geometryOf(const ScanRecord& record) const {
    NtfsVolumeGeometry g = layout_;
    g.volumeStartSector = record.partitionStart;
    const int32_t bps = layout_.bytesPerSector;
    if (record.clusterBytes > 0 && record.clusterBytes % bps == 0) {
        g.sectorsPerCluster = record.clusterBytes / bps;
        g.clusterBytes = record.clusterBytes;
    } else {
        g.sectorsPerCluster = 0;
        g.clusterBytes = 0;
    }
    return g;
}

int CProfessionalNtfsRecovery::judgeContent(const ScanRecord& r, ByteView residentData, bool hasData, bool resident,
                                            int64_t firstCluster, uint16_t dataFlags) {
    const std::string name = recordName(r);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || !hasData) return 1;
    const std::string extension = name.substr(dot + 1);
    const uint32_t bps = static_cast<uint32_t>(layout_.bytesPerSector);
    if (resident) {
        if (residentData.size() == 0) return 0;
        return ntfsContentMatches(residentData, extension, reader_, bps, 0);
    }
    // Compressed or encrypted clusters are not the file's bytes: nothing to judge them by.
    if ((dataFlags & (kAttrFlagCompressed | kAttrFlagEncrypted)) != 0 || firstCluster <= 0) return 1;
    const NtfsVolumeGeometry g = geometryOf(r);
    if (!g.usable()) return 1;
    const uint64_t sector = clusterToSector(firstCluster, g);
    if (sector == 0) return 1;
    std::vector<uint8_t> first(bps);
    uint32_t got = 0;
    if (reader_.ReadSectors(1, first.data(), sector, bps, got) != 0 || got != 1) return 1;
    return ntfsContentMatches(ByteView(first.data(), first.size()), extension, reader_, bps, sector);
}

int CProfessionalNtfsRecovery::locateData(ByteView record, const ScanRecord& r, NtfsStream& stream) {
    const NtfsVolumeGeometry g = geometryOf(r);
    // Extension records are found through the MFT this record was placed in.
    const RecordPlacement place = mftMap_.place(static_cast<uint32_t>(r.fsId), r.location,
                                                static_cast<uint32_t>(layout_.recordSectors),
                                                static_cast<uint32_t>(std::max(g.sectorsPerCluster, 0)), areaStart_);
    const ProNtfsRecordReader readOther = [&](uint64_t number, std::vector<uint8_t>& out) -> int {
        uint64_t relative = 0;
        if (!place.mftRuns || !mapRecordNumber(number, *place.mftRuns, static_cast<uint32_t>(layout_.recordSectors),
                                               static_cast<uint32_t>(g.sectorsPerCluster), relative))
            return kNtfsNoFileRecord;
        if (int rc = readRecordAt(place.partitionStart + relative, out); rc != 0) return rc;
        if (!hasFileSignature(ByteView(out.data(), out.size()))) return kNtfsNoFileRecord;
        applyFixup(out.data(), out.size(), layout_);
        return 0;
    };
    return locateProNtfsData(record, g, reader_, readOther, stream);
}

int CProfessionalNtfsRecovery::readContent(const ScanRecord& record,
                                           const std::function<int(const uint8_t*, size_t)>& sink, bool& fromRuns) {
    fromRuns = false;
    std::vector<uint8_t> buffer;
    if (int rc = readRecordAt(record.location, buffer); rc != 0) return rc;
    if (!hasFileSignature(ByteView(buffer.data(), buffer.size()))) return kNtfsNotResident;
    applyFixup(buffer.data(), buffer.size(), layout_);
    NtfsStream stream;
    if (int rc = locateData(ByteView(buffer.data(), buffer.size()), record, stream); rc != 0) return rc;
    const NtfsVolumeGeometry g = geometryOf(record);
    if (stream.resident) {
        if (stream.residentBytes.size() >= static_cast<size_t>(layout_.recordBytes)) return kErrorInvalidParameter;
        return readProNtfsStream(reader_, g, stream, stream.residentBytes.size(), sink);
    }
    fromRuns = true;
    return readProNtfsStream(reader_, g, stream, record.size, sink);
}

int CProfessionalNtfsRecovery::recoverFile(const ScanRecord& record, const std::wstring& path) {
    auto report = [&](int percent, int error) {
        return itemProgress_ ? itemProgress_(userData_, percent, 100, error, path.c_str()) : 0;
    };
    const std::wstring folder = parentOf(path);
    if (!folder.empty() && !platform::isFolder(folder)) {
        if (int rc = folderError(platform::createFolderTree(folder)); rc != 0) {
            report(100, rc);
            return rc;
        }
    }
    // An existing file is never written over: it may be an earlier recovery, or the source.
    if (platform::pathExists(path)) {
        report(100, kErrorFileExists);
        return kErrorFileExists;
    }
    platform::File out;
    if (int rc = out.open(path, platform::OpenMode::CreateAlways); rc != 0) {
        report(100, rc);
        return rc;
    }
    uint64_t written = 0;
    bool fromRuns = false, finished = false, stopped = false;
    const int rc = readContent(record, [&](const uint8_t* data, size_t n) -> int {
        if (int w = platform::writeFully(out, data, n); w != 0) return w;
        written += n;
        if (!fromRuns) return 0;
        const int percent = record.size ? static_cast<int>(std::min<uint64_t>(written * 100 / record.size, 100)) : 100;
        finished = percent == 100;
        if (int c = report(percent, 0); c != 0) {
            stopped = true;
            return c;
        }
        return 0;
    }, fromRuns);
    out.close();
    if (stopped) return rc;
    const int error = userError(rc);
    if (!finished || error != 0 || !fromRuns) {
        if (int c = report(100, error); c != 0 && error == 0) return c;
    }
    return error;
}

int CProfessionalNtfsRecovery::recoverFolder(const ScanRecord& record, const std::wstring& destination, int baseDepth) {
    if (int rc = folderError(platform::createFolderTree(destination)); rc != 0) return rc;
    struct Item {
        ScanRecord record;
        std::wstring path;
        int level;
    };
    std::wstring trimmed = destination;
    if (!trimmed.empty()) trimmed.pop_back();
    const int separators = static_cast<int>(
        std::count_if(trimmed.begin(), trimmed.end(), [](wchar_t c) { return c == L'/' || c == L'\\'; }));
    std::deque<Item> queue;
    queue.push_back({record, destination, separators - baseDepth});
    std::vector<ScanRecord> children;
    while (!queue.empty()) {
        const Item item = std::move(queue.front());
        queue.pop_front();
        if (ListFolder(&item.record, item.level, children) != 0) continue;
        for (const ScanRecord& child : children) {
            const std::wstring out = item.path + platform::kPathSeparator + ntfsOutputName(recordName(child));
            if (child.isFolder) {
                if (item.level + 1 > kMaxRecoverDepth) continue;
                if (folderError(platform::createFolderTree(out)) == 0) queue.push_back({child, out, item.level + 1});
                continue;
            }
            if (recoverFile(child, out) == CancelCode) return CancelCode;
        }
    }
    return 0;
}

int CProfessionalNtfsRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    if (!record) return kErrorInvalidParameter;
    if (record->isFolder) return recoverFolder(*record, destination, baseDepth);
    return recoverFile(*record, destination);
}

int CProfessionalNtfsRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                           uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    if (!record) return kErrorInvalidParameter;
    tempPath.clear();
    const uint64_t capacity = memory ? byteCount : 0;
    byteCount = 0;
    const std::wstring extension = platform::fromUtf8(recordExtensionLower(*record));
    std::wstring target;
    if (inList(kPreviewList, extension)) target = ntfsOutputName(recordName(*record));
    else if (inList(kAudioList, extension) || inList(kVideoList, extension)) target = L"tmp.avi";
    else if (inList(kPhotoList, extension)) target = L"tmp.jpg";

    platform::File file;
    if (!target.empty()) {
        const std::wstring folder =
            platform::joinPath(platform::joinPath(platform::appDataFolder(), L"OrlynDataRecovery"), L"ScanLog");
        platform::createFolderTree(folder);
        const std::wstring path = platform::joinPath(folder, target);
        if (path.size() < 260) {
            platform::deleteFile(path);
            if (int rc = file.open(path, platform::OpenMode::OpenAlways); rc != 0) return rc;
            tempPath = path;
        }
    }
    const bool toFile = !tempPath.empty();
    const uint64_t fileSize = record->size;  // a copy: the packed field is not aligned
    const uint64_t wanted = toFile ? fileSize : std::min(fileSize, capacity);
    uint64_t delivered = 0;
    bool fromRuns = false, stopped = false;
    constexpr int kBufferFull = 1 << 30;  // internal: the memory buffer is full
    int rc = readContent(*record, [&](const uint8_t* data, size_t n) -> int {
        if (toFile) {
            if (int w = platform::writeFully(file, data, n); w != 0) return w;
            delivered += n;
        } else {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, capacity - byteCount));
            if (take) std::memcpy(memory + byteCount, data, take);
            byteCount += take;
            delivered += take;
        }
        if (fromRuns && progress) {
            const int percent = wanted ? static_cast<int>(std::min<uint64_t>(delivered * 100 / wanted, 100)) : 100;
            if (int c = progress(userData, percent, 0); c != 0) {
                stopped = true;
                return c;
            }
        }
        if (!toFile && byteCount >= capacity) return kBufferFull;
        return 0;
    }, fromRuns);
    if (rc == kBufferFull) rc = 0;
    if (!stopped) {
        rc = userError(rc);
        if (progress && (!fromRuns || rc > 0)) progress(userData, 100, rc);
    }
    if (toFile) {
        file.close();
        if (rc != 0) {
            platform::deleteFile(tempPath);
            tempPath.clear();
        }
    }
    return rc;
}

}  // namespace qm
