// A directory's 32-byte entries grouped into entry sets (File, Stream Extension, File Names),
// decoded into names, times and extents; in-use and deleted sets alike.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "disk/byte_view.h"

namespace qm {

namespace exfatentry {
inline constexpr size_t kSize = 32;
inline constexpr uint8_t kInUse = 0x80;           // type bit; cleared when an entry is deleted
inline constexpr uint8_t kTypeFile = 0x85;
inline constexpr uint8_t kTypeStream = 0xC0;
inline constexpr uint8_t kTypeName = 0xC1;
// File entry
inline constexpr size_t kSecondaryCount = 1;      // u8
inline constexpr size_t kSetChecksum = 2;         // u16
inline constexpr size_t kAttributes = 4;          // u16
inline constexpr size_t kCreated = 8;             // u32 stamp
inline constexpr size_t kModified = 12;           // u32 stamp
inline constexpr size_t kAccessed = 16;           // u32 stamp
inline constexpr size_t kCreated10ms = 20;        // u8
inline constexpr size_t kModified10ms = 21;       // u8
inline constexpr size_t kCreatedUtcOffset = 22;   // u8
inline constexpr size_t kModifiedUtcOffset = 23;  // u8
inline constexpr size_t kAccessedUtcOffset = 24;  // u8
inline constexpr uint8_t kMinSecondaries = 1;
inline constexpr uint8_t kMaxSecondaries = 18;
inline constexpr uint16_t kAttributeDirectory = 0x10;
// Stream Extension entry
inline constexpr size_t kStreamFlags = 1;         // u8
inline constexpr size_t kNameLength = 3;          // u8, UTF-16 units
inline constexpr size_t kNameHash = 4;            // u16
inline constexpr size_t kValidDataLength = 8;     // u64
inline constexpr size_t kFirstCluster = 20;       // u32
inline constexpr size_t kDataLength = 24;         // u64
inline constexpr uint8_t kAllocationPossible = 0x01;
inline constexpr uint8_t kNoFatChain = 0x02;
// File Name entry
inline constexpr size_t kNameUnits = 2;           // 15 UTF-16 units
inline constexpr size_t kUnitsPerNameEntry = 15;
}  // namespace exfatentry

struct ExFatEntrySet {
    size_t offset = 0;             // of the File entry in the directory bytes
    size_t entryCount = 0;         // the File entry and its secondaries
    bool deleted = false;
    bool directory = false;
    uint16_t attributes = 0;
    std::u16string rawName;        // as stored, for the name hash
    std::wstring name;
    uint16_t nameHash = 0;         // as stored
    uint64_t created = 0, modified = 0, accessed = 0;  // FILETIME, UTC; 0 when unknown
    uint64_t validDataLength = 0;
    uint64_t dataLength = 0;
    uint32_t firstCluster = 0;
    bool allocationPossible = false;
    bool contiguous = false;       // no FAT chain: the data is one run from firstCluster
    bool checksumOk = false;
};

enum class ExFatSetStatus {
    Ok,
    Cut,      // the secondaries run past the end of the bytes given
    Damaged,  // not a usable set: a count out of range, entries of the wrong type or state,
              // a name longer than its name entries
};

// Decodes the set whose File entry (in use or deleted) is at offset.
ExFatSetStatus ParseExFatEntrySet(ByteView dir, size_t offset, ExFatEntrySet& out);

// The 16-bit set checksum over the set's entries, bytes 2 and 3 of the first left out.
uint16_t ExFatSetChecksum(ByteView set);

struct ExFatDirectoryWalk {
    size_t sets = 0;
    size_t damaged = 0;
    size_t cut = 0;    // sets whose secondaries ran past the end of the bytes
};

// Calls onSet for every decodable set of a directory's bytes, in order. Damaged and cut sets
// are skipped one entry at a time so that a set behind them is still found; the walk does not stop
// at an end-of-directory entry either, since deleted sets may lie behind one.
ExFatDirectoryWalk ForEachEntrySet(ByteView dir, const std::function<void(const ExFatEntrySet&)>& onSet);

}  // namespace qm
