#include "engines/professional/pro_ntfs_stream.h"

#include <algorithm>
#include <cstring>

#include "engines/ntfs/lznt1.h"
#include "engines/ntfs/ntfs_attribute_list.h"
#include "engines/ntfs/ntfs_record.h"
#include "platform/errors.h"

namespace qm {
namespace {

constexpr size_t kPieceBytes = 65536;
constexpr uint64_t kMaxAttributeListBytes = 1u << 20;

int readSectors(SectorReader& reader, const NtfsVolumeGeometry& g, uint64_t sector, uint32_t count, uint8_t* out) {
    uint32_t got = 0;
    const int rc = reader.ReadSectors(count, out, sector, static_cast<uint32_t>(g.bytesPerSector), got);
    if (rc != 0) return rc;
    return got == count ? 0 : kErrorReadFault;
}

bool findAttribute(ByteView record, const NtfsVolumeGeometry& g, uint32_t type, const uint64_t* vcn,
                   NtfsAttribute& found) {
    bool ok = false;
    walkAttributes(record, recordFirstAttribute(record), static_cast<size_t>(g.recordBytes), kLookupRules,
                   [&](const NtfsAttribute& a) {
                       if (a.type != type || (type == kAttrData && !a.unnamed())) return true;
                       if (vcn && (!a.nonResident || a.lowestVcn() != *vcn)) return true;
                       found = a;
                       ok = true;
                       return false;
                   });
    return ok;
}

void takeHeader(const NtfsAttribute& a, const NtfsVolumeGeometry& g, NtfsStream& out) {
    out.resident = !a.nonResident;
    out.flags = a.flags;
    if (out.resident) {
        const ByteView content = a.residentContent();
        out.residentBytes.assign(content.data(), content.data() + content.size());
        out.realSize = out.initializedSize = content.size();
        return;
    }
    out.realSize = a.realSize();
    out.initializedSize = a.initializedSize();
    out.compressionUnitLog = a.compressionUnitLog();
    decodeRuns(a.bytes, g, out.runs);
}

struct Extent {
    uint64_t vcn, clusters;
    int64_t lcn;
    bool sparse;
};

std::vector<Extent> extentsOf(const RunList& runs) {
    std::vector<Extent> out;
    uint64_t vcn = 0;
    int64_t lcn = 0;
    for (const DataRun& run : runs) {
        lcn = static_cast<int64_t>(static_cast<uint64_t>(lcn) + static_cast<uint64_t>(run.lcnDelta));
        out.push_back({vcn, run.lengthClusters, lcn, run.sparse});
        vcn += run.lengthClusters;
    }
    return out;
}

int readPlain(SectorReader& reader, const NtfsVolumeGeometry& g, const NtfsStream& s, uint64_t size,
              const std::function<int(const uint8_t*, size_t)>& sink) {
    const uint64_t clusterBytes = static_cast<uint64_t>(g.clusterBytes);
    const uint64_t bps = static_cast<uint64_t>(g.bytesPerSector);
    const uint64_t initialized = std::min(size, s.initializedSize);
    std::vector<uint8_t> piece(kPieceBytes);
    uint64_t done = 0;
    for (const Extent& e : extentsOf(s.runs)) {
        const uint64_t runBytes = e.clusters * clusterBytes;
        for (uint64_t inRun = 0; inRun < runBytes && done < size;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>({kPieceBytes, runBytes - inRun, size - done}));
            if (e.sparse || done >= initialized) {
                std::memset(piece.data(), 0, n);
            } else {
                const uint32_t sectors = static_cast<uint32_t>((n + bps - 1) / bps);
                if (int rc = readSectors(reader, g, clusterToSector(e.lcn, g) + inRun / bps, sectors, piece.data()); rc != 0)
                    return rc;
                if (done + n > initialized)
                    std::memset(piece.data() + (initialized - done), 0, static_cast<size_t>(done + n - initialized));
            }
            if (int rc = sink(piece.data(), n); rc != 0) return rc;
            done += n;
            inRun += n;
        }
        if (done >= size) break;
    }
    return 0;
}

int readCompressed(SectorReader& reader, const NtfsVolumeGeometry& g, const NtfsStream& s, uint64_t size,
                   const std::function<int(const uint8_t*, size_t)>& sink) {
    const uint64_t clusterBytes = static_cast<uint64_t>(g.clusterBytes);
    const uint64_t unitClusters = 1ull << std::min<uint8_t>(s.compressionUnitLog, 8);
    const size_t unitBytes = static_cast<size_t>(unitClusters * clusterBytes);
    if (unitBytes == 0 || unitBytes > (16u << 20)) return kErrorInvalidParameter;
    const std::vector<Extent> extents = extentsOf(s.runs);
    const uint64_t total = extents.empty() ? 0 : extents.back().vcn + extents.back().clusters;
    std::vector<uint8_t> stored(unitBytes), unit(unitBytes);
    uint64_t done = 0;
    for (uint64_t vcn = 0; vcn < total && done < size; vcn += unitClusters) {
        const uint64_t unitEnd = std::min(vcn + unitClusters, total);
        size_t have = 0;
        bool hole = false;
        for (const Extent& e : extents) {
            if (e.vcn + e.clusters <= vcn || e.vcn >= unitEnd) continue;
            if (e.sparse) {
                hole = true;
                break;
            }
            const uint64_t from = std::max(vcn, e.vcn), to = std::min(unitEnd, e.vcn + e.clusters);
            const uint32_t sectors = static_cast<uint32_t>((to - from) * static_cast<uint64_t>(g.sectorsPerCluster));
            if (int rc = readSectors(reader, g, clusterToSector(static_cast<int64_t>(static_cast<uint64_t>(e.lcn) + (from - e.vcn)), g), sectors,
                                     stored.data() + have * clusterBytes);
                rc != 0)
                return rc;
            have += static_cast<size_t>(to - from);
        }
        if (have == 0) std::memset(unit.data(), 0, unitBytes);
        else if (hole || have < unitEnd - vcn) decompressLznt1(ByteView(stored.data(), have * clusterBytes), unit.data(), unitBytes);
        else std::memcpy(unit.data(), stored.data(), unitBytes);
        const size_t n = static_cast<size_t>(std::min<uint64_t>(unitBytes, size - done));
        for (size_t off = 0; off < n; off += kPieceBytes)
            if (int rc = sink(unit.data() + off, std::min(kPieceBytes, n - off)); rc != 0) return rc;
        done += n;
    }
    return 0;
}

// The attribute list's bytes, resident or read from its runs.
bool readAttributeList(ByteView record, const NtfsVolumeGeometry& g, SectorReader& reader, std::vector<uint8_t>& list) {
    NtfsAttribute a;
    if (!findAttribute(record, g, kAttrAttributeList, nullptr, a)) return false;
    NtfsStream s;
    takeHeader(a, g, s);
    if (s.resident) {
        list = std::move(s.residentBytes);
        return true;
    }
    s.flags = 0;
    const uint64_t wanted = std::min<uint64_t>(s.realSize, kMaxAttributeListBytes);
    list.clear();
    readPlain(reader, g, s, wanted, [&](const uint8_t* data, size_t n) {
        list.insert(list.end(), data, data + n);
        return 0;
    });
    return true;
}

}  // namespace

int locateProNtfsData(ByteView record, const NtfsVolumeGeometry& g, SectorReader& reader,
                      const ProNtfsRecordReader& readRecord, NtfsStream& out) {
    out = NtfsStream{};
    NtfsAttribute a;
    const bool haveBase = findAttribute(record, g, kAttrData, nullptr, a);
    if (haveBase) {
        takeHeader(a, g, out);
        // Pieces of a long stream beyond the first lie in other records, named by the list.
        if (out.resident || !readRecord) return 0;
    }
    std::vector<uint8_t> list;
    if (!readAttributeList(record, g, reader, list)) return haveBase ? 0 : kNtfsNoAttribute;
    NtfsStream built;
    bool first = true;
    uint64_t lastVcn = 0;
    std::vector<uint8_t> other;
    for (const AttributeListEntry& e : parseAttributeList(ByteView(list.data(), list.size()))) {
        if (e.type != kAttrData || e.nameLength != 0) continue;
        if (!first && e.lowestVcn <= lastVcn) continue;  // pieces only move forward
        if (readRecord(e.recordNumber, other) != 0) break;
        const ByteView view(other.data(), other.size());
        if (!hasFileSignature(view)) break;
        const uint64_t vcn = e.lowestVcn;
        NtfsAttribute piece;
        if (!findAttribute(view, g, kAttrData, first ? nullptr : &vcn, piece)) break;
        lastVcn = vcn;
        if (first) {
            takeHeader(piece, g, built);
            if (built.resident) break;
            first = false;
        } else {
            RunList extent;
            decodeRuns(piece.bytes, g, extent);
            appendExtent(built.runs, extent);
        }
    }
    if (!first) {
        out = std::move(built);
        return 0;
    }
    return haveBase ? 0 : kNtfsNoAttribute;
}

int readProNtfsStream(SectorReader& reader, const NtfsVolumeGeometry& g, const NtfsStream& s, uint64_t size,
                      const std::function<int(const uint8_t*, size_t)>& sink) {
    if (s.resident) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, s.residentBytes.size()));
        return n ? sink(s.residentBytes.data(), n) : 0;
    }
    if (g.sectorsPerCluster <= 0 || g.clusterBytes <= 0) return kErrorInvalidParameter;
    return s.compressed() ? readCompressed(reader, g, s, size, sink) : readPlain(reader, g, s, size, sink);
}

}  // namespace qm
