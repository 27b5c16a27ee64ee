#include "results/scan_history_file.h"

#include <cstring>

#include "platform/errors.h"
#include "platform/text.h"

namespace qm {
namespace {

std::wstring decodePath(ByteView field) {
    std::u16string units;
    for (size_t i = 0; i < kHistoryPathUnits; ++i) {
        const uint16_t unit = field.u16(i * 2);
        if (unit == 0) break;
        units.push_back(static_cast<char16_t>(unit));
    }
    return platform::fromUtf16(units);
}

int encodePath(const std::wstring& path, uint8_t* field) {
    const std::u16string units = platform::toUtf16(path);
    if (units.size() > kHistoryPathUnits) return kErrorFilenameTooLong;
    // A path of exactly 260 units (only ever read from an old file) goes back as it came, without NUL.
    std::memset(field, 0, kHistoryPathUnits * 2);
    for (size_t i = 0; i < units.size(); ++i) putU16(field + i * 2, static_cast<uint16_t>(units[i]));
    return 0;
}

}  // namespace

size_t historyPathUnits(const std::wstring& path) { return platform::toUtf16(path).size(); }

bool decodeHistoryRecord(ByteView bytes, ScanHistoryRecord& out) {
    using namespace history_offset;
    if (!bytes.has(0, kHistoryRecordSize)) return false;
    const ByteView r = bytes.sub(0, kHistoryRecordSize);
    out = ScanHistoryRecord{};
    out.diskNumber = r.u32(kDiskNumber);
    out.firstSector = r.u64(kFirstSector);
    out.sectorCount = r.u64(kSectorCount);
    out.resume.extentStart = r.u64(kExtentStart);
    out.resume.extentLength = r.u64(kExtentLength);
    out.resume.extentDone = r.u64(kExtentDone);
    out.resume.sectorsDone = r.u64(kSectorsDone);
    out.resume.filesFound = r.u64(kFilesFound);
    out.volumeFreeBytes = r.u64(kVolumeFreeBytes);
    out.imageWriteTime = r.u64(kImageWriteTime);
    out.imagePath = decodePath(r.sub(kImagePath, kHistoryPathUnits * 2));
    out.folder = decodePath(r.sub(kFolder, kHistoryPathUnits * 2));
    return true;
}

int encodeHistoryRecord(const ScanHistoryRecord& record, uint8_t* out) {
    using namespace history_offset;
    std::memset(out, 0, kHistoryRecordSize);  // the padding at 4..7 included
    putU32(out + kDiskNumber, record.diskNumber);
    putU64(out + kFirstSector, record.firstSector);
    putU64(out + kSectorCount, record.sectorCount);
    putU64(out + kExtentStart, record.resume.extentStart);
    putU64(out + kExtentLength, record.resume.extentLength);
    putU64(out + kExtentDone, record.resume.extentDone);
    putU64(out + kSectorsDone, record.resume.sectorsDone);
    putU64(out + kFilesFound, record.resume.filesFound);
    putU64(out + kVolumeFreeBytes, record.volumeFreeBytes);
    putU64(out + kImageWriteTime, record.imageWriteTime);
    if (int rc = encodePath(record.imagePath, out + kImagePath); rc != 0) return rc;
    return encodePath(record.folder, out + kFolder);
}

int encodeScanHistory(uint64_t counter, const std::vector<ScanHistoryRecord>& records, std::vector<uint8_t>& out) {
    out.assign(kHistoryHeaderSize + records.size() * kHistoryRecordSize, 0);
    putU64(out.data(), counter);
    for (size_t i = 0; i < records.size(); ++i) {
        if (int rc = encodeHistoryRecord(records[i], out.data() + kHistoryHeaderSize + i * kHistoryRecordSize);
            rc != 0) {
            out.clear();
            return rc;
        }
    }
    return 0;
}

}  // namespace qm
