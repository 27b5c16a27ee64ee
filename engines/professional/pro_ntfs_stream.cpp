#include "engines/professional/pro_ntfs_stream.h"

#include <algorithm>

#include "engines/ntfs/ntfs_attribute_list.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_stream_read.h"

namespace qm {
namespace {

constexpr uint64_t kMaxAttributeListBytes = 1u << 20;

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
    takeNtfsStreamHeader(a, out);
    if (!out.resident) decodeRuns(a.bytes, g, out.runs);
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
    readNtfsStream(reader, g, s, wanted, [&](const uint8_t* data, size_t n) {
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

}  // namespace qm
