#include "engines/ntfs/ntfs_record_decode.h"

#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_runs.h"

namespace qm {
namespace {

bool parseStandardInfo(ByteView content, NtfsStandardInfo& out) {
    if (!content.has(0, 0x24)) return false;
    out.created = content.u64(0x00);
    out.modified = content.u64(0x08);
    out.recordChanged = content.u64(0x10);
    out.accessed = content.u64(0x18);
    out.attributes = content.u32(0x20);
    return true;
}

void takeData(const NtfsAttribute& a, const NtfsVolumeGeometry& geometry, NtfsRecordSummary& s) {
    s.hasData = true;
    s.dataResident = !a.nonResident;
    s.dataFlags = a.flags;
    if (s.dataResident) {
        s.dataSize = a.residentLength();
        s.residentData = a.residentContent();
        return;
    }
    if (a.length > 0x30) s.dataSize = a.realSize();
    decodeRuns(a.bytes, geometry, s.dataRuns);
    if (!s.dataRuns.empty() && !s.dataRuns.front().sparse) {
        s.hasFirstRun = true;
        s.firstRunCluster = s.dataRuns.front().lcnDelta;
    }
}

}  // namespace

NtfsUserTimes UserTimes(bool hasStandardInfo, const NtfsStandardInfo& si, const NtfsFileName& name) {
    if (hasStandardInfo) return {si.created, si.modified, si.accessed};
    return {name.created, name.modified, name.accessed};
}

NtfsRecordSummary decodeRecord(ByteView view, size_t recordBytes, const NtfsVolumeGeometry& geometry,
                               const NtfsRecordRules& rules) {
    NtfsRecordSummary s;
    s.flags = recordFlags(view);
    if (!hasFileSignature(view)) return s;
    s.signatureOk = true;
    s.sequence = view.u16(0x10);
    s.linkCount = view.u16(0x12);
    s.firstAttribute = recordFirstAttribute(view);
    s.bytesInUse = recordBytesInUse(view);
    s.baseRecord = view.u64(0x20) & 0x0000FFFFFFFFFFFFull;  // the top 16 bits are its sequence
    s.ownNumber = recordOwnNumber(view);
    walkAttributes(view, s.firstAttribute, recordWalkEnd(view, recordBytes), rules.walk, [&](const NtfsAttribute& a) {
        switch (a.type) {
            case kAttrStandardInformation:
                if (!s.hasStandardInfo && !a.nonResident)
                    s.hasStandardInfo = parseStandardInfo(a.residentContent(), s.standardInfo);
                return true;
            case kAttrAttributeList: s.hasAttributeList = true; return true;
            case kAttrFileName: {
                NtfsFileName name;
                if (parseFileName(a.bytes, name)) {
                    s.names.push_back(name);
                    if (!(rules.skipExtendNames && name.parentRecord == kNtfsExtendRecord))
                        mergeFileName(name, s.hasFileName, s.fileName);
                }
                return !rules.firstNameOnly;
            }
            case kAttrData:
                if (a.unnamed() && !s.hasData && (s.hasFileName || !rules.dataAfterName)) takeData(a, geometry, s);
                return true;
            default: return true;
        }
    });
    return s;
}

NtfsRecordSummary decodeFileRecord(uint8_t* record, size_t size, const NtfsVolumeGeometry& geometry,
                                   const NtfsRecordRules& rules) {
    const size_t recordBytes = static_cast<size_t>(geometry.recordBytes);
    if (size > recordBytes) size = recordBytes;
    const ByteView view(record, size);
    if (hasFileSignature(view)) applyFixup(record, size, geometry);
    return decodeRecord(view, recordBytes, geometry, rules);
}

}  // namespace qm
