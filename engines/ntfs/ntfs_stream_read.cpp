#include "engines/ntfs/ntfs_stream_read.h"

#include <algorithm>
#include <cstring>

#include "engines/ntfs/lznt1.h"
#include "platform/errors.h"

namespace qm {
namespace {

constexpr size_t kPieceBytes = 65536;

// A run with its place in the stream.
struct Extent {
    uint64_t vcn = 0;
    uint64_t clusters = 0;
    int64_t lcn = 0;
    bool sparse = false;
};

std::vector<Extent> extentsOf(const RunList& runs) {
    std::vector<Extent> out;
    out.reserve(runs.size());
    uint64_t vcn = 0;
    int64_t lcn = 0;
    for (const DataRun& run : runs) {
        // Wraps on hostile deltas instead of overflowing; such clusters fail the read.
        lcn = static_cast<int64_t>(static_cast<uint64_t>(lcn) + static_cast<uint64_t>(run.lcnDelta));
        out.push_back({vcn, run.lengthClusters, lcn, run.sparse});
        vcn += run.lengthClusters;
    }
    return out;
}

int readSectors(SectorReader& reader, const NtfsVolumeGeometry& g, uint64_t sector, uint32_t count, uint8_t* out) {
    uint32_t got = 0;
    const int rc = reader.ReadSectorsWithin(count, out, sector, static_cast<uint32_t>(g.bytesPerSector), got);
    if (rc != 0) return rc;
    return got == count ? 0 : kErrorReadFault;
}

int readPlain(SectorReader& reader, const NtfsVolumeGeometry& geometry, const NtfsStream& stream, uint64_t size,
              const std::function<int(const uint8_t*, size_t)>& sink) {
    const uint64_t clusterBytes = static_cast<uint64_t>(geometry.clusterBytes);
    const uint64_t bytesPerSector = static_cast<uint64_t>(geometry.bytesPerSector);
    // Bytes past the initialised size were never written: they read as zeros.
    const uint64_t initialized = std::min(size, stream.initializedSize);
    std::vector<uint8_t> piece(kPieceBytes);
    uint64_t done = 0;
    for (const Extent& e : extentsOf(stream.runs)) {
        if (done >= size) break;
        const uint64_t runBytes = e.clusters * clusterBytes;
        uint64_t inRun = 0;
        while (inRun < runBytes && done < size) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>({kPieceBytes, runBytes - inRun, size - done}));
            const size_t readBytes = static_cast<size_t>((n + bytesPerSector - 1) / bytesPerSector * bytesPerSector);
            if (e.sparse || done >= initialized) {
                std::memset(piece.data(), 0, n);
            } else {
                const uint64_t sector = clusterToSector(e.lcn, geometry) + inRun / bytesPerSector;
                if (int rc = readSectors(reader, geometry, sector, static_cast<uint32_t>(readBytes / bytesPerSector), piece.data()); rc != 0)
                    return rc;
                if (done + n > initialized) std::memset(piece.data() + (initialized - done), 0, static_cast<size_t>(done + n - initialized));
            }
            if (int rc = sink(piece.data(), n); rc != 0) return rc;
            done += n;
            inRun += n;
        }
    }
    // Runs that end before the size leave the rest unknown: nothing more is written.
    return 0;
}

int readCompressed(SectorReader& reader, const NtfsVolumeGeometry& geometry, const NtfsStream& stream, uint64_t size,
                   const std::function<int(const uint8_t*, size_t)>& sink) {
    const uint64_t clusterBytes = static_cast<uint64_t>(geometry.clusterBytes);
    const uint64_t unitClusters = 1ull << std::min<uint8_t>(stream.compressionUnitLog, 8);
    const size_t unitBytes = static_cast<size_t>(unitClusters * clusterBytes);
    if (unitBytes == 0 || unitBytes > (16u << 20)) return kErrorInvalidParameter;
    const std::vector<Extent> extents = extentsOf(stream.runs);
    const uint64_t totalClusters = extents.empty() ? 0 : extents.back().vcn + extents.back().clusters;
    std::vector<uint8_t> stored(unitBytes), unit(unitBytes);
    uint64_t done = 0;
    size_t at = 0;  // first extent that may still overlap
    for (uint64_t vcn = 0; vcn < totalClusters && done < size; vcn += unitClusters) {
        // Gather the unit's clusters that lie on the medium, in order, up to the first hole.
        size_t storedClusters = 0;
        bool hole = false;
        const uint64_t unitEnd = std::min(vcn + unitClusters, totalClusters);
        while (at < extents.size() && extents[at].vcn + extents[at].clusters <= vcn) ++at;
        for (size_t i = at; i < extents.size() && extents[i].vcn < unitEnd; ++i) {
            const Extent& e = extents[i];
            const uint64_t from = std::max(vcn, e.vcn);
            const uint64_t to = std::min(unitEnd, e.vcn + e.clusters);
            if (e.sparse) {
                hole = true;
                break;
            }
            const uint64_t sector = clusterToSector(static_cast<int64_t>(static_cast<uint64_t>(e.lcn) + (from - e.vcn)), geometry);
            const uint32_t sectors = static_cast<uint32_t>((to - from) * static_cast<uint64_t>(geometry.sectorsPerCluster));
            if (int rc = readSectors(reader, geometry, sector, sectors, stored.data() + storedClusters * clusterBytes); rc != 0) return rc;
            storedClusters += static_cast<size_t>(to - from);
        }
        if (storedClusters == 0) {
            std::memset(unit.data(), 0, unitBytes);  // a unit that is all hole
        } else if (hole || storedClusters < unitEnd - vcn) {
            decompressLznt1(ByteView(stored.data(), storedClusters * clusterBytes), unit.data(), unitBytes);
        } else {
            std::memcpy(unit.data(), stored.data(), unitBytes);  // stored uncompressed
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(unitBytes, size - done));
        for (size_t off = 0; off < n; off += kPieceBytes) {
            const size_t part = std::min(kPieceBytes, n - off);
            if (int rc = sink(unit.data() + off, part); rc != 0) return rc;
        }
        done += n;
    }
    return 0;
}

}  // namespace

int readNtfsStream(SectorReader& reader, const NtfsVolumeGeometry& geometry, const NtfsStream& stream, uint64_t size,
                   const std::function<int(const uint8_t*, size_t)>& sink) {
    if (stream.resident) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, stream.residentBytes.size()));
        return n ? sink(stream.residentBytes.data(), n) : 0;
    }
    if (!geometry.usable()) return kErrorInvalidParameter;
    return stream.compressed() ? readCompressed(reader, geometry, stream, size, sink)
                               : readPlain(reader, geometry, stream, size, sink);
}

int NtfsVolume::readStream(const NtfsStream& stream, uint64_t size,
                           const std::function<int(const uint8_t*, size_t)>& sink) {
    return readNtfsStream(reader_, geometry_, stream, size, sink);
}

}  // namespace qm
