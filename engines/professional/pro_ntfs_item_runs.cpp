// Where a found file's data lies, read from the record the way the copy reads it.
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_item_runs.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/errors.h"

namespace qm {

int CProfessionalNtfsRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    if (!opened_ || record.isFolder) return kErrorInvalidParameter;
    std::vector<uint8_t> buffer;
    NtfsVolumeGeometry layout;
    if (int rc = ReadRecordAt(record.location, buffer, &layout); rc != 0) return rc;
    const ByteView view(buffer.data(), buffer.size());
    if (!hasFileSignature(view)) return kErrorNotSupported;
    applyFixup(buffer.data(), buffer.size(), layout);
    NtfsStream stream;
    if (int rc = LocateData(view, record, stream); rc != 0) return rc < 0 ? kErrorNotSupported : rc;
    if (!stream.resident) return NtfsStreamRuns(GeometryOf(record, layout), stream, record.size, runs);
    return NtfsResidentRuns(view, layout, record.location * static_cast<uint64_t>(layout.bytesPerSector), runs);
}

}  // namespace qm
