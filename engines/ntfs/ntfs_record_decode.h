// One MFT record decoded in one pass with every offset checked: its header, times, names and
// unnamed $DATA. Both the fast and the deep scan read records only through this; where their
// reading differs it is a rule below, not a second reader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"
#include "engines/ntfs/ntfs_file_name.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_record.h"

namespace qm {

// How one record is read.
struct NtfsRecordRules {
    AttributeWalkRules walk = kRecordParseRules;
    bool skipExtendNames = false;  // names filed under $Extend are metafiles', not a file's own
    bool dataAfterName = false;    // only a $DATA met after the name taken belongs to the file
    bool firstNameOnly = false;    // the walk ends at the first $FILE_NAME (a parent lookup)
};

// The fast scan reads intact volumes: anything from 0xFDFDFDFD up ends a walk.
inline constexpr NtfsRecordRules kFastRecordRules{};
// The deep scan reads records of damaged volumes and steps over types above the fill pattern.
inline constexpr AttributeWalkRules kDeepWalkRules{true, true, false, false, true};
inline constexpr NtfsRecordRules kDeepRecordRules{kDeepWalkRules, true, true, false};
inline constexpr NtfsRecordRules kDeepParentRules{kDeepWalkRules, false, false, true};

// $STANDARD_INFORMATION: FILETIMEs as stored and the DOS-style attribute bits.
struct NtfsStandardInfo {
    uint64_t created = 0;
    uint64_t modified = 0;
    uint64_t recordChanged = 0;
    uint64_t accessed = 0;
    uint32_t attributes = 0;
};

struct NtfsRecordSummary {
    bool signatureOk = false;
    uint16_t flags = 0;
    uint16_t sequence = 0;
    uint16_t linkCount = 0;
    uint16_t firstAttribute = 0;
    uint32_t bytesInUse = 0;
    uint64_t baseRecord = 0;  // record number of the base record; 0 in a base record
    uint32_t ownNumber = 0;
    bool hasStandardInfo = false;
    NtfsStandardInfo standardInfo;
    std::vector<NtfsFileName> names;  // every readable $FILE_NAME, in record order
    bool hasFileName = false;
    NtfsFileName fileName;  // the first name taken; its name replaced by a later Win32 one
    bool hasData = false;   // an unnamed $DATA
    bool dataResident = false;
    uint16_t dataFlags = 0;  // compressed, encrypted, sparse
    uint64_t dataSize = 0;   // set from $DATA when hasData
    ByteView residentData;   // into the record buffer
    RunList dataRuns;
    bool hasFirstRun = false;
    int64_t firstRunCluster = 0;  // first run's cluster, for the content check
    bool hasAttributeList = false;

    bool isDirectory() const { return (flags & kRecordIsDirectory) != 0; }
    // The first attribute and the end of the bytes in use lie inside the record, in order.
    bool headerWithin(uint32_t recordBytes) const {
        return bytesInUse <= recordBytes && firstAttribute <= recordBytes && bytesInUse >= firstAttribute;
    }
};

// Decodes a record that is already fixed up. The walk ends at its bytes in use, never past
// recordBytes or the buffer.
// The times a user sees for a file: those of $STANDARD_INFORMATION, which the system keeps
// current, when the record has one; else those of the name's $FILE_NAME copy, which only
// change with the name.
struct NtfsUserTimes {
    uint64_t created = 0, modified = 0, accessed = 0;
};
NtfsUserTimes UserTimes(bool hasStandardInfo, const NtfsStandardInfo& standardInfo, const NtfsFileName& name);

NtfsRecordSummary decodeRecord(ByteView record, size_t recordBytes, const NtfsVolumeGeometry& geometry,
                               const NtfsRecordRules& rules = kFastRecordRules);

// Applies the fix-up in place (only to a record that carries the "FILE" signature) and
// decodes the record.
NtfsRecordSummary decodeFileRecord(uint8_t* record, size_t size, const NtfsVolumeGeometry& geometry,
                                   const NtfsRecordRules& rules = kFastRecordRules);

}  // namespace qm
