// The partition table at the start of a disk or of a whole-disk image: MBR (primary entries
// and the chain of logical volumes in an extended partition), GPT (the primary header and
// entry array checked by their CRC32, the backup header at the medium's end when the primary
// is damaged), or none (a volume that starts at sector 0).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

enum class PartitionScheme { None, Mbr, Gpt };

struct PartitionEntry {
    int number = 0;            // 1-based, in table order (MBR: primaries 1-4, logicals from 5)
    uint64_t firstSector = 0;  // in the table's sectors (sectorSize below)
    uint64_t sectorCount = 0;
    uint8_t mbrType = 0;                   // MBR partition type byte; 0 for GPT
    std::array<uint8_t, 16> typeGuid{};    // GPT partition type GUID as stored; zeros for MBR
    bool logical = false;                  // inside an MBR extended partition
    std::wstring typeName;                 // "FAT32 (LBA)", "NTFS/exFAT", "EFI system", ...
    std::wstring name;                     // GPT partition name; empty for MBR
};

struct PartitionTable {
    PartitionScheme scheme = PartitionScheme::None;
    uint32_t sectorSize = 512;  // the logical sector size the table was written for (512 or 4096)
    std::vector<PartitionEntry> entries;  // data partitions only (no extended containers, no empty slots)
    bool usedBackupGpt = false;           // the primary GPT header or its entries were damaged
    std::vector<std::string> problems;    // what was skipped and why (for the user), in order
};

// Reads up to `length` bytes at a byte offset of the medium; `got` tells how many arrived.
// 0 or a Windows error number.
using MediumReadFn = std::function<int(uint64_t offset, void* buffer, size_t length, size_t& got)>;

// Reads the table of a medium of `mediumBytes` bytes. Never fails on damaged tables: what
// cannot be used is skipped and named in `problems`; a medium without a table gives
// scheme None and no entries. Entries that lie (partly) past the medium's end are kept with
// a problem noted. Every walk is bounded (the logical chain at 128 links, loops detected; the
// GPT entry array at 1024 entries of at most 4 KiB each).
PartitionTable ReadPartitionTable(const MediumReadFn& read, uint64_t mediumBytes);

// The name of an MBR type byte or a GPT type GUID ("FAT32 (LBA)", "Linux", "Microsoft basic
// data", ...); "type 0xNN" / the GUID's text for one it does not know.
std::wstring MbrTypeName(uint8_t type);
std::wstring GptTypeName(const std::array<uint8_t, 16>& guid);
// A GUID as text, "C12A7328-F81F-11D2-BA4B-00A0C93EC93B" (the first three fields stored
// little-endian).
std::wstring GuidText(const std::array<uint8_t, 16>& guid);

}  // namespace qm
