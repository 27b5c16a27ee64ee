// What the fast scan needs from one MFT record, decoded in one pass with every offset
// checked: its names, times, size and where its data starts.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"
#include "engines/ntfs/ntfs_file_name.h"
#include "engines/ntfs/ntfs_geometry.h"

namespace qm {

struct NtfsRecordSummary {
    bool signatureOk = false;
    uint16_t flags = 0;
    uint32_t ownNumber = 0;
    bool hasFileName = false;
    NtfsFileName fileName;        // the first $FILE_NAME; its name replaced by a later Win32 one
    bool hasData = false;         // an unnamed $DATA
    bool dataResident = false;
    uint16_t dataFlags = 0;       // compressed, encrypted, sparse
    uint64_t dataSize = 0;        // set from $DATA when hasData
    ByteView residentData;        // into the record buffer
    bool hasFirstRun = false;
    int64_t firstRunCluster = 0;  // first run's cluster, for the content check
    bool hasAttributeList = false;

    bool isDirectory() const { return (flags & kDirectoryFlag) != 0; }
    static constexpr uint16_t kDirectoryFlag = 0x0002;
};

// Applies the fix-up in place (only to a record that carries the "FILE" signature) and
// decodes the record. The walk ends at the record's bytes in use and its own size.
NtfsRecordSummary decodeFileRecord(uint8_t* record, size_t size, const NtfsVolumeGeometry& geometry);

}  // namespace qm
