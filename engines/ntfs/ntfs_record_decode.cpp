#include "engines/ntfs/ntfs_record_decode.h"

#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_runs.h"

namespace qm {

NtfsRecordSummary decodeFileRecord(uint8_t* record, size_t size, const NtfsVolumeGeometry& geometry) {
    NtfsRecordSummary s;
    const size_t recordBytes = static_cast<size_t>(geometry.recordBytes);
    if (size > recordBytes) size = recordBytes;
    ByteView view(record, size);
    s.flags = recordFlags(view);
    if (!hasFileSignature(view)) return s;
    s.signatureOk = true;
    applyFixup(record, size, geometry);
    s.ownNumber = recordOwnNumber(view);
    walkAttributes(view, recordFirstAttribute(view), recordWalkEnd(view, recordBytes), kRecordParseRules,
                   [&](const NtfsAttribute& a) {
                       if (a.type == kAttrAttributeList) s.hasAttributeList = true;
                       if (a.type == kAttrFileName) {
                           NtfsFileName name;
                           if (parseFileName(a.bytes, name)) mergeFileName(name, s.hasFileName, s.fileName);
                       } else if (a.type == kAttrData && a.unnamed() && !s.hasData) {
                           s.hasData = true;
                           s.dataResident = !a.nonResident;
                           s.dataFlags = a.flags;
                           if (s.dataResident) {
                               s.dataSize = a.residentLength();
                               s.residentData = a.residentContent();
                           } else {
                               if (a.length > 0x30) s.dataSize = a.realSize();
                               RunList runs;
                               decodeRuns(a.bytes, geometry, runs);
                               if (!runs.empty() && !runs.front().sparse) {
                                   s.hasFirstRun = true;
                                   s.firstRunCluster = runs.front().lcnDelta;
                               }
                           }
                       }
                       return true;
                   });
    return s;
}

}  // namespace qm
