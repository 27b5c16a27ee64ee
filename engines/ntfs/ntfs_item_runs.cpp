#include "engines/ntfs/ntfs_item_runs.h"

#include <algorithm>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/ntfs/ntfs_record.h"
#include "platform/errors.h"

namespace qm {

int NtfsStreamRuns(const NtfsVolumeGeometry& geometry, const NtfsStream& stream, uint64_t size,
                   std::vector<SourceRun>& runs) {
    if (stream.compressed()) return kErrorNotSupported;
    if (!geometry.usable() || geometry.bytesPerSector <= 0) return kErrorInvalidParameter;
    const uint64_t clusterBytes = static_cast<uint64_t>(geometry.clusterBytes);
    const uint64_t sectorBytes = static_cast<uint64_t>(geometry.bytesPerSector);
    const uint64_t end = std::min(size, stream.initializedSize);
    const std::vector<int64_t> starts = runStartClusters(stream.runs);
    uint64_t fileOffset = 0;
    for (size_t i = 0; i < stream.runs.size() && fileOffset < end; ++i) {
        const DataRun& run = stream.runs[i];
        if (run.lengthClusters > (UINT64_MAX - fileOffset) / clusterBytes) break;
        const uint64_t runBytes = run.lengthClusters * clusterBytes;
        const uint64_t take = std::min(runBytes, end - fileOffset);
        // A hostile delta may place a run before the volume or past any medium: left out.
        const uint64_t maxSector = UINT64_MAX / sectorBytes;
        const uint64_t spc = static_cast<uint64_t>(geometry.sectorsPerCluster);
        if (!run.sparse && starts[i] >= 0 && geometry.volumeStartSector <= maxSector &&
            static_cast<uint64_t>(starts[i]) <= (maxSector - geometry.volumeStartSector) / spc)
            AppendSourceRun(runs, clusterToSector(starts[i], geometry) * sectorBytes, take, fileOffset);
        fileOffset += runBytes;
    }
    return 0;
}

int NtfsResidentRuns(ByteView record, const NtfsVolumeGeometry& layout, uint64_t recordOffset,
                     std::vector<SourceRun>& runs) {
    const ByteView view = record.sub(0, static_cast<size_t>(layout.recordBytes));
    bool found = false;
    size_t start = 0, length = 0;
    walkAttributes(view, recordFirstAttribute(view), view.size(), kLookupRules, [&](const NtfsAttribute& a) {
        if (a.type != kAttrData || !a.unnamed()) return true;
        if (!a.nonResident) {
            found = true;
            start = a.offset + a.residentOffset();
            length = a.residentContent().size();
        }
        return false;
    });
    if (!found) return kErrorNotSupported;
    // The last word of every stride sits in the update sequence array on the medium, where
    // the fix-up takes it from.
    const size_t stride = layout.fixupStride > 2 ? static_cast<size_t>(layout.fixupStride) : kNtfsFixupStride;
    const size_t fixups = static_cast<size_t>(std::max(layout.fixupCount, 0));
    for (size_t p = start; p < start + length;) {
        const size_t inStride = p % stride;
        if (inStride >= stride - 2 && p / stride < fixups) {
            const size_t entry = 0x32 + 2 * (p / stride) + (inStride - (stride - 2));
            AppendSourceRun(runs, recordOffset + entry, 1, p - start);
            ++p;
            continue;
        }
        const size_t piece = std::min(inStride >= stride - 2 ? stride - inStride : stride - 2 - inStride, start + length - p);
        AppendSourceRun(runs, recordOffset + p, piece, p - start);
        p += piece;
    }
    return 0;
}

int CFastNtfsRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    if (!opened_ || record.isFolder) return kErrorInvalidParameter;
    NtfsStream stream;
    if (int rc = volume_.findStreamAt(record.location, kAttrData, stream); rc != 0) return rc < 0 ? kErrorNotSupported : rc;
    const NtfsVolumeGeometry& g = volume_.geometry();
    if (!stream.resident) return NtfsStreamRuns(g, stream, record.size, runs);
    std::vector<uint8_t> buffer;
    if (int rc = volume_.readRecordAt(record.location, buffer); rc != 0) return rc;
    return NtfsResidentRuns(ByteView(buffer.data(), buffer.size()), g,
                            record.location * static_cast<uint64_t>(g.bytesPerSector), runs);
}

}  // namespace qm
