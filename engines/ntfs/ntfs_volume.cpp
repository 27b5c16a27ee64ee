#include "engines/ntfs/ntfs_volume.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "engines/ntfs/ntfs_attribute_list.h"
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_record.h"
#include "platform/errors.h"

namespace qm {
namespace {

constexpr size_t kBootBytes = 4096;
// Attribute lists are a few KiB; a larger one is damage, not data.
constexpr uint64_t kMaxAttributeListBytes = 1u << 20;

void fixupIfFile(std::vector<uint8_t>& buffer, const NtfsVolumeGeometry& g) {
    const size_t recordBytes = std::min(buffer.size(), static_cast<size_t>(g.recordBytes));
    if (hasFileSignature(ByteView(buffer.data(), buffer.size()))) applyFixup(buffer.data(), recordBytes, g);
}

// The attribute of a type in one record: for $DATA the unnamed one; with wantVcn, the piece
// that starts at that cluster of the stream.
bool findAttributeIn(ByteView record, const NtfsVolumeGeometry& g, uint32_t type, const uint64_t* wantVcn,
                     NtfsAttribute& found) {
    ByteView view = record.sub(0, static_cast<size_t>(g.recordBytes));
    bool ok = false;
    walkAttributes(view, recordFirstAttribute(view), view.size(), kLookupRules, [&](const NtfsAttribute& a) {
        if (a.type != type) return true;
        if (type == kAttrData && !a.unnamed()) return true;
        if (wantVcn && (!a.nonResident || a.lowestVcn() != *wantVcn)) return true;
        found = a;
        ok = true;
        return false;
    });
    return ok;
}

}  // namespace

void takeNtfsStreamHeader(const NtfsAttribute& a, NtfsStream& out) {
    out.resident = !a.nonResident;
    out.flags = a.flags;
    if (out.resident) {
        const ByteView content = a.residentContent();
        out.residentBytes.assign(content.data(), content.data() + content.size());
        out.realSize = out.initializedSize = content.size();
    } else {
        out.realSize = a.realSize();
        out.initializedSize = a.initializedSize();
        out.compressionUnitLog = a.compressionUnitLog();
    }
}

int NtfsVolume::open(SectorReader&& reader, uint64_t firstSector, uint64_t sectorCount, uint32_t deviceSectorSize) {
    reader_ = std::move(reader);
    mftRuns_.clear();
    std::vector<uint8_t> boot(kBootBytes);
    const uint32_t sectors = static_cast<uint32_t>(kBootBytes / deviceSectorSize);
    uint32_t got = 0;
    if (int rc = reader_.ReadSectors(sectors, boot.data(), firstSector, deviceSectorSize, got); rc != 0) return rc;
    if (got != sectors) return kErrorReadFault;
    geometry_ = readGeometry(ByteView(boot.data(), boot.size()), firstSector, sectorCount, deviceSectorSize);
    // The volume's length in its own sectors, which may differ from the device's.
    if (static_cast<uint32_t>(geometry_.bytesPerSector) != deviceSectorSize)
        geometry_.volumeSectorCount = sectorCount * deviceSectorSize / static_cast<uint32_t>(geometry_.bytesPerSector);
    if (!geometry_.usable()) return kErrorInvalidParameter;
    return 0;
}

int NtfsVolume::readSectors(uint64_t firstSector, uint32_t count, uint8_t* buffer) {
    uint32_t got = 0;
    const int rc = reader_.ReadSectorsWithin(count, buffer, firstSector, static_cast<uint32_t>(geometry_.bytesPerSector), got);
    if (rc != 0) return rc;
    return got == count ? 0 : kErrorReadFault;
}

int NtfsVolume::readRecordAt(uint64_t sector, std::vector<uint8_t>& buffer) {
    buffer.assign(static_cast<size_t>(geometry_.recordBytes), 0);
    if (int rc = readSectors(sector, static_cast<uint32_t>(geometry_.recordSectors), buffer.data()); rc != 0) return rc;
    fixupIfFile(buffer, geometry_);
    return 0;
}

int NtfsVolume::readRecord(uint64_t number, std::vector<uint8_t>& buffer) {
    const auto& g = geometry_;
    buffer.assign(static_cast<size_t>(g.recordBytes), 0);
    if (number > UINT64_MAX / static_cast<uint64_t>(g.recordSectors)) return 0;
    const uint64_t first = number * static_cast<uint64_t>(g.recordSectors);
    for (int32_t i = 0; i < g.recordSectors; ++i) {
        bool covered = false;
        const uint64_t sector = mftVirtualSectorToSector(first + static_cast<uint64_t>(i), mftRuns_, g, &covered);
        if (!covered) {
            std::fill(buffer.begin(), buffer.end(), 0);
            return 0;
        }
        if (int rc = readSectors(sector, 1, buffer.data() + static_cast<size_t>(i) * static_cast<size_t>(g.bytesPerSector));
            rc != 0)
            return rc;
    }
    fixupIfFile(buffer, g);
    return 0;
}

int NtfsVolume::readAttributeList(ByteView record, std::vector<uint8_t>& list) {
    list.clear();
    NtfsAttribute a;
    if (!findAttributeIn(record, geometry_, kAttrAttributeList, nullptr, a)) return kNtfsNoAttribute;
    if (!a.nonResident) {
        const ByteView content = a.residentContent();
        list.assign(content.data(), content.data() + content.size());
        return 0;
    }
    RunList runs;
    decodeRuns(a.bytes, geometry_, runs);
    const uint64_t wanted = std::min<uint64_t>(a.realSize(), kMaxAttributeListBytes);
    const uint64_t clusterBytes = static_cast<uint64_t>(geometry_.clusterBytes);
    int64_t lcn = 0;
    std::vector<uint8_t> piece;
    for (const DataRun& run : runs) {
        lcn += run.lcnDelta;
        if (list.size() >= wanted) break;
        const uint64_t runBytes = std::min<uint64_t>(run.lengthClusters * clusterBytes, wanted - list.size() + clusterBytes);
        const uint64_t clusters = (runBytes + clusterBytes - 1) / clusterBytes;
        piece.assign(static_cast<size_t>(clusters * clusterBytes), 0);
        if (!run.sparse) {
            const uint32_t sectors = static_cast<uint32_t>(clusters * static_cast<uint64_t>(geometry_.sectorsPerCluster));
            if (readSectors(clusterToSector(lcn, geometry_), sectors, piece.data()) != 0) break;
        }
        list.insert(list.end(), piece.begin(), piece.end());
    }
    if (list.size() > wanted) list.resize(static_cast<size_t>(wanted));
    return 0;
}

int NtfsVolume::findStreamWith(ByteView record, uint32_t type, NtfsStream& out,
                               const RecordMapper& map) {
    out = NtfsStream{};
    std::vector<uint8_t> list;
    if (readAttributeList(record, list) == 0) {
        // The list names every piece of the stream, those in this record included, in order.
        bool first = true;
        uint64_t lastVcn = 0;
        uint64_t loadedNumber = UINT64_MAX;
        std::vector<uint8_t> other;
        for (const AttributeListEntry& e : parseAttributeList(ByteView(list.data(), list.size()))) {
            if (e.type != type || (type == kAttrData && e.nameLength != 0)) continue;
            // Pieces follow one another; a repeated or backward piece is damage and skipped.
            if (!first && e.lowestVcn <= lastVcn) continue;
            if (e.recordNumber != loadedNumber) {
                if (map(e.recordNumber, other) != 0) break;
                loadedNumber = e.recordNumber;
            }
            // Extension records are not searched for lists of their own: no chain to follow.
            NtfsAttribute a;
            const uint64_t vcn = e.lowestVcn;
            if (!hasFileSignature(ByteView(other.data(), other.size()))) continue;
            if (!findAttributeIn(ByteView(other.data(), other.size()), geometry_, type, first ? nullptr : &vcn, a))
                continue;
            lastVcn = vcn;
            if (first) {
                takeNtfsStreamHeader(a, out);
                if (out.resident) return 0;
                decodeRuns(a.bytes, geometry_, out.runs);
                first = false;
            } else {
                RunList extent;
                decodeRuns(a.bytes, geometry_, extent);
                appendExtent(out.runs, extent);
            }
        }
        if (!first) return 0;
    }
    NtfsAttribute a;
    if (!findAttributeIn(record, geometry_, type, nullptr, a)) return kNtfsNoAttribute;
    takeNtfsStreamHeader(a, out);
    if (!out.resident) decodeRuns(a.bytes, geometry_, out.runs);
    return 0;
}

int NtfsVolume::findStream(ByteView record, uint32_t type, NtfsStream& out) {
    return findStreamWith(record, type, out,
                          [this](uint64_t number, std::vector<uint8_t>& buffer) { return readRecord(number, buffer); });
}

int NtfsVolume::findStreamAt(uint64_t sector, uint32_t type, NtfsStream& out) {
    std::vector<uint8_t> record;
    if (int rc = readRecordAt(sector, record); rc != 0) return rc;
    if (!hasFileSignature(ByteView(record.data(), record.size()))) return kNtfsNoFileRecord;
    return findStream(ByteView(record.data(), record.size()), type, out);
}

int NtfsVolume::forEachListedAttribute(ByteView record, uint32_t type,
                                       const std::function<bool(const NtfsAttribute&)>& visit) {
    std::vector<uint8_t> list;
    if (int rc = readAttributeList(record, list); rc != 0) return rc;
    std::unordered_set<uint64_t> seen;  // each record once, however often the list names it
    std::vector<uint8_t> other;
    for (const AttributeListEntry& e : parseAttributeList(ByteView(list.data(), list.size()))) {
        if (e.type != type || !seen.insert(e.recordNumber).second) continue;
        if (readRecord(e.recordNumber, other) != 0) continue;
        ByteView view(other.data(), other.size());
        if (!hasFileSignature(view)) continue;
        bool more = true;
        walkAttributes(view, recordFirstAttribute(view), recordWalkEnd(view, other.size()), kLookupRules,
                       [&](const NtfsAttribute& a) {
                           if (a.type == type) more = visit(a);
                           return more;
                       });
        if (!more) break;
    }
    return 0;
}

int NtfsVolume::loadMftRuns() {
    mftRuns_.clear();
    std::vector<uint8_t> record0;
    if (int rc = readRecordAt(geometry_.mftStartSector, record0); rc != 0) return rc;
    if (!hasFileSignature(ByteView(record0.data(), record0.size()))) return kNtfsNoFileRecord;
    // Record 0's own first piece maps the extension records that hold the rest; when it has
    // none, the extension records are taken to follow record 0 directly.
    NtfsAttribute first;
    RunList bootstrap;
    if (findAttributeIn(ByteView(record0.data(), record0.size()), geometry_, kAttrData, nullptr, first) &&
        first.nonResident)
        decodeRuns(first.bytes, geometry_, bootstrap);
    NtfsStream stream;
    const int rc = findStreamWith(ByteView(record0.data(), record0.size()), kAttrData, stream, [&](uint64_t number, std::vector<uint8_t>& buffer) {
        const uint64_t v = number * static_cast<uint64_t>(geometry_.recordSectors);
        bool covered = false;
        uint64_t sector = mftVirtualSectorToSector(v, bootstrap, geometry_, &covered);
        if (!covered) sector = geometry_.mftStartSector + v;
        return readRecordAt(sector, buffer);
    });
    if (rc != 0) return rc;
    if (stream.resident) return kNtfsNoAttribute;
    mftRuns_ = std::move(stream.runs);
    return 0;
}

}  // namespace qm
