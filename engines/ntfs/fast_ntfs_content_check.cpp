// The content check of a found file (its record's `condition`).
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/ntfs/ntfs_content_check.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_record_decode.h"

namespace qm {

int CFastNtfsRecovery::JudgeContent(const std::string& name, const NtfsRecordSummary& s) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return 1;
    const std::string extension = name.substr(dot + 1);
    if (!s.hasData) return 1;
    const NtfsVolumeGeometry& g = volume_.geometry();
    if (s.dataResident) {
        if (s.residentData.size() == 0) return 0;
        return ntfsContentMatches(s.residentData, extension, volume_.reader(), static_cast<uint32_t>(g.bytesPerSector),
                                  0);
    }
    // Compressed or encrypted clusters are not the file's bytes: nothing to judge them by.
    if ((s.dataFlags & (kAttrFlagCompressed | kAttrFlagEncrypted)) != 0) return 1;
    if (!s.hasFirstRun || !g.usable() || s.firstRunCluster <= 0) return 1;
    const uint64_t sector = clusterToSector(s.firstRunCluster, g);
    if (sector == 0) return 1;
    std::vector<uint8_t> first(static_cast<size_t>(g.bytesPerSector));
    if (volume_.readSectors(sector, 1, first.data()) != 0) return 1;
    return ntfsContentMatches(ByteView(first.data(), first.size()), extension, volume_.reader(),
                              static_cast<uint32_t>(g.bytesPerSector), sector)
               ? 1
               : 0;
}

}  // namespace qm
