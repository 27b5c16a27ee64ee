// The header of an MFT file record and the walk over its attributes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "disk/byte_view.h"

namespace qm {

inline constexpr uint32_t kNtfsFileSignature = 0x454C4946;  // "FILE"
inline constexpr uint32_t kAttrStandardInformation = 0x10;
inline constexpr uint32_t kAttrAttributeList = 0x20;
inline constexpr uint32_t kAttrFileName = 0x30;
inline constexpr uint32_t kAttrData = 0x80;
inline constexpr uint32_t kAttrIndexAllocation = 0xA0;
inline constexpr uint32_t kAttrBitmap = 0xB0;
inline constexpr uint32_t kAttrEnd = 0xFFFFFFFF;
// A buffer filled with this byte pattern is not a real record.
inline constexpr uint32_t kAttrFillPattern = 0xFDFDFDFD;

inline constexpr uint16_t kRecordInUse = 0x0001;
inline constexpr uint16_t kRecordIsDirectory = 0x0002;
inline constexpr uint32_t kNtfsRootRecord = 5;
inline constexpr uint32_t kNtfsBitmapRecord = 6;
inline constexpr uint32_t kNtfsFirstUserRecord = 12;  // 0..11 are the system files
// 12..15 are reserved for the system too, and $Extend (11) holds only metafiles ($Quota,
// $ObjId, $Reparse, $UsnJrnl): none of them is a user's file.
inline constexpr uint32_t kNtfsFirstNonReservedRecord = 16;
inline constexpr uint32_t kNtfsExtendRecord = 11;

inline constexpr uint16_t kAttrFlagCompressed = 0x0001;
inline constexpr uint16_t kAttrFlagEncrypted = 0x4000;
inline constexpr uint16_t kAttrFlagSparse = 0x8000;

inline bool hasFileSignature(ByteView record) {
    return record.u32(0x00) == kNtfsFileSignature;
}
inline uint16_t recordFirstAttribute(ByteView record) {
    return record.u16(0x14);
}
inline uint16_t recordFlags(ByteView record) {
    return record.u16(0x16);
}
inline uint32_t recordBytesInUse(ByteView record) {
    return record.u32(0x18);
}
inline uint32_t recordOwnNumber(ByteView record) {
    return record.u32(0x2C);
}

// One attribute as the walk meets it. `bytes` starts at its header and is cut at the walk's
// end bound, so every read inside it stays inside the record.
struct NtfsAttribute {
    size_t offset = 0;
    uint32_t type = 0;
    uint32_t length = 0;
    bool nonResident = false;
    uint8_t nameLength = 0;
    uint16_t flags = 0;
    ByteView bytes;

    // Resident content (empty when it does not fit inside the attribute).
    ByteView residentContent() const;
    uint32_t residentLength() const { return bytes.u32(0x10); }
    uint16_t residentOffset() const { return bytes.u16(0x14); }
    uint64_t allocatedSize() const { return bytes.u64(0x28); }
    uint64_t realSize() const { return bytes.u64(0x30); }
    uint64_t initializedSize() const { return bytes.u64(0x38); }
    uint64_t lowestVcn() const { return bytes.u64(0x10); }
    uint8_t compressionUnitLog() const { return bytes.u8(0x22); }
    bool compressed() const { return (flags & kAttrFlagCompressed) != 0; }
    bool unnamed() const { return nameLength == 0; }
};

// When a walk ends.
struct AttributeWalkRules {
    bool stopAtZeroType = false;
    bool stopAtFillPattern = false;  // exactly 0xFDFDFDFD
    bool stopAtFillOrAbove = false;  // 0xFDFDFDFD and above (unsigned)
    bool stopAtAttributeList = false;
    bool lengthLow16 = false;  // advance by the low 16 bits of the length
};

// The per-record parse of the fast scan and the ancestor walk.
inline constexpr AttributeWalkRules kRecordParseRules{true, true, true, false, true};
// Lookups of one attribute type (run lists, resident data).
inline constexpr AttributeWalkRules kLookupRules{false, true, false, false, false};

// Visits the attributes from `start` while they begin below `end` (cut to the buffer's size).
// Type 0xFFFFFFFF and a length of 0 always end the walk; so does a length that would not
// move it forward. visit returns false to stop. Returns the number of attributes visited.
size_t walkAttributes(ByteView record, size_t start, size_t end, const AttributeWalkRules& rules,
                      const std::function<bool(const NtfsAttribute&)>& visit);

// End bound of a walk over a record: its bytes in use, never past the record's own size.
size_t recordWalkEnd(ByteView record, size_t recordBytes);

}  // namespace qm
