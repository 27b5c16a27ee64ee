// The content check of found files, and copying them out or reading them for preview.
#include <algorithm>

#include "engines/ntfs/ntfs_content_check.h"
#include "engines/ntfs/ntfs_copy_out.h"
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_stream_read.h"
#include "engines/professional/pro_ntfs_stream.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/errors.h"

namespace qm {

NtfsVolumeGeometry CProfessionalNtfsRecovery::GeometryOf(const ScanRecord& record,
                                                         const NtfsVolumeGeometry& layout) const {
    NtfsVolumeGeometry g = layout;
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

int CProfessionalNtfsRecovery::JudgeContent(const ScanRecord& r, ByteView residentData, bool hasData, bool resident,
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
    const NtfsVolumeGeometry g = GeometryOf(r, layout_);  // only its clusters are asked
    if (!g.usable()) return 1;
    const uint64_t sector = clusterToSector(firstCluster, g);
    if (sector == 0) return 1;
    std::vector<uint8_t> first(bps);
    uint32_t got = 0;
    if (reader_.ReadSectors(1, first.data(), sector, bps, got) != 0 || got != 1) return 1;
    return ntfsContentMatches(ByteView(first.data(), first.size()), extension, reader_, bps, sector);
}

int CProfessionalNtfsRecovery::LocateData(ByteView record, const ScanRecord& r, NtfsStream& stream) {
    NtfsVolumeGeometry layout = LayoutOf(record);
    if (record.size() < static_cast<size_t>(layout.recordBytes)) layout = layout_;
    const NtfsVolumeGeometry g = GeometryOf(r, layout);
    const uint32_t recordSectors = static_cast<uint32_t>(g.recordSectors);
    // Extension records are found through the MFT this record was placed in.
    const RecordPlacement place = mftMap_.place(static_cast<uint32_t>(r.fsId), r.location, recordSectors,
                                                static_cast<uint32_t>(std::max(g.sectorsPerCluster, 0)), areaStart_);
    const ProNtfsRecordReader readOther = [&](uint64_t number, std::vector<uint8_t>& out) -> int {
        uint64_t relative = 0;
        if (!place.mftRuns || !mapRecordNumber(number, *place.mftRuns, recordSectors,
                                               static_cast<uint32_t>(g.sectorsPerCluster), relative))
            return kNtfsNoFileRecord;
        NtfsVolumeGeometry otherLayout;
        if (int rc = ReadRecordAt(place.partitionStart + relative, out, &otherLayout); rc != 0) return rc;
        if (!hasFileSignature(ByteView(out.data(), out.size()))) return kNtfsNoFileRecord;
        applyFixup(out.data(), out.size(), otherLayout);
        return 0;
    };
    return locateProNtfsData(record, g, reader_, readOther, stream);
}

int CProfessionalNtfsRecovery::ReadContent(const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns) {
    fromRuns = false;
    std::vector<uint8_t> buffer;
    NtfsVolumeGeometry layout;
    if (int rc = ReadRecordAt(record.location, buffer, &layout); rc != 0) return rc;
    if (!hasFileSignature(ByteView(buffer.data(), buffer.size()))) return kNtfsNotResident;
    applyFixup(buffer.data(), buffer.size(), layout);
    NtfsStream stream;
    if (int rc = LocateData(ByteView(buffer.data(), buffer.size()), record, stream); rc != 0) return rc;
    const NtfsVolumeGeometry g = GeometryOf(record, layout);
    if (stream.resident) {
        if (stream.residentBytes.size() >= static_cast<size_t>(layout.recordBytes)) return kErrorInvalidParameter;
        return readNtfsStream(reader_, g, stream, stream.residentBytes.size(), sink);
    }
    fromRuns = true;
    return readNtfsStream(reader_, g, stream, record.size, sink);
}

int CProfessionalNtfsRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    return recoverNtfsItem(*this, record, destination, baseDepth, callbacks_.itemProgress, callbacks_.userData,
                           ContentReader());
}

int CProfessionalNtfsRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                           uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    return extractNtfsItem(record, tempPath, memory, byteCount, progress, userData, ContentReader());
}

NtfsContentReader CProfessionalNtfsRecovery::ContentReader() {
    return [this](const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns) {
        return ReadContent(record, sink, fromRuns);
    };
}

}  // namespace qm
