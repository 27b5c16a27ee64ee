#include "engines/ntfs/ntfs_found_record.h"

#include <cstdio>

#include "engines/ntfs/ntfs_record.h"
#include "platform/text.h"

namespace qm {

std::string ntfsUtf8Name(const std::u16string& name) { return platform::toUtf8(platform::fromUtf16(name)); }

void storeNtfsRecord(ScanResultStore& store, ScanRecord& record, ParentKey parent, const char* folderName) {
    ScanRecord* slot = store.appendRecord();
    record.recordNo = store.count();
    *slot = record;
    store.addChild(parent, record.recordNo, record.fsId, folderName);
}

ScanRecord ntfsFolderRecord(uint16_t sourceTag, int32_t sourceKind, int32_t clusterBytes, uint32_t number) {
    ScanRecord r{};
    r.driveLetter = sourceTag;
    r.sourceKind = sourceKind;
    r.isFolder = 1;
    r.condition = 1;
    r.fsId = static_cast<int32_t>(number);
    r.clusterBytes = clusterBytes;
    return r;
}

void storeNtfsLostFolder(ScanResultStore& store, uint16_t sourceTag, int32_t sourceKind, int32_t clusterBytes,
                         uint32_t number) {
    ScanRecord r = ntfsFolderRecord(sourceTag, sourceKind, clusterBytes, number);
    char name[32];
    std::snprintf(name, sizeof name, "LostFolder%d", static_cast<int>(number));
    setRecordName(r, name);
    storeNtfsRecord(store, r, ParentKey::make(static_cast<int32_t>(kNtfsRootRecord), 0), name);
}

}  // namespace qm
