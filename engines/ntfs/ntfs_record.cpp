#include "engines/ntfs/ntfs_record.h"

namespace qm {

ByteView NtfsAttribute::residentContent() const {
    const size_t offset = residentOffset();
    const size_t length = residentLength();
    if (!bytes.has(offset, length)) return {};
    return bytes.sub(offset, length);
}

size_t walkAttributes(ByteView record, size_t start, size_t end, const AttributeWalkRules& rules,
                      const std::function<bool(const NtfsAttribute&)>& visit) {
    if (end > record.size()) end = record.size();
    size_t off = start;
    size_t visited = 0;
    while (off < end && record.has(off, 8)) {
        NtfsAttribute a;
        a.offset = off;
        a.type = record.u32(off);
        a.length = record.u32(off + 4);
        if (a.type == kAttrEnd) break;
        if (rules.stopAtZeroType && a.type == 0) break;
        if (rules.stopAtFillPattern && a.type == kAttrFillPattern) break;
        if (rules.stopAtFillOrAbove && a.type >= kAttrFillPattern) break;
        if (rules.stopAtAttributeList && a.type == kAttrAttributeList) break;
        const uint32_t step = rules.lengthLow16 ? (a.length & 0xFFFF) : a.length;
        // A length of 0x8000 or more read as signed 16 bits would step backwards: end there too.
        if (step == 0 || (rules.lengthLow16 && step >= 0x8000)) break;
        a.bytes = record.sub(off, end - off < step ? end - off : step);
        a.nonResident = a.bytes.u8(0x08) != 0;
        a.nameLength = a.bytes.u8(0x09);
        a.flags = a.bytes.u16(0x0C);
        ++visited;
        if (!visit(a)) break;
        if (step > end - off) break;  // the next one would start at or past the end
        off += step;
    }
    return visited;
}

size_t recordWalkEnd(ByteView record, size_t recordBytes) {
    const size_t inUse = recordBytesInUse(record);
    size_t end = inUse < recordBytes ? inUse : recordBytes;
    return end < record.size() ? end : record.size();
}

}  // namespace qm
