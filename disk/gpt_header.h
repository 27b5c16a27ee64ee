// The GPT header and the entry array it points to: layout, decoding and the CRC32 checks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "disk/partition_table.h"

namespace qm {

inline constexpr uint32_t kGptMaxEntries = 1024;
inline constexpr uint32_t kGptMinEntrySize = 128;
inline constexpr uint32_t kGptMaxEntrySize = 4096;

struct GptHeader {
    uint64_t myLba = 0;
    uint64_t alternateLba = 0;
    uint64_t firstUsableLba = 0;
    uint64_t lastUsableLba = 0;
    uint64_t entriesLba = 0;
    uint32_t entryCount = 0;
    uint32_t entrySize = 0;
    uint32_t entriesCrc = 0;
};

// Whether the sector starts with the "EFI PART" signature.
bool HasGptSignature(ByteView sector);

// The header's note of where the other copy lies, as stored (not checked): a damaged primary
// header still says where its backup is.
uint64_t GptAlternateLba(ByteView sector);

// Decodes and checks a header read from sector `lba` of a medium of `mediumSectors` sectors
// of `sectorSize` bytes. False with `why` set when it cannot be used.
bool DecodeGptHeader(ByteView sector, uint32_t sectorSize, uint64_t lba, uint64_t mediumSectors, GptHeader& header,
                     std::string& why);

// True when the entry array (entryCount * entrySize bytes) matches the header's CRC32.
bool GptEntriesMatch(const GptHeader& header, ByteView entries);

// The used entries of a checked array, numbered from 1 by slot; what cannot be used is
// skipped or kept with a note in `problems`.
void DecodeGptEntries(const GptHeader& header, ByteView entries, uint64_t mediumSectors, PartitionTable& out);

}  // namespace qm
