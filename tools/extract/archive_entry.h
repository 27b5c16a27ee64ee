// The decoded model every format reader fills: one row per archive entry.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::extract {

// Walks stop here whatever an archive claims, so a forged count cannot exhaust memory.
constexpr size_t kMaxEntries = 1000000;

// A calendar time as the archive records it (no zone conversion); year 0 means unknown.
struct EntryTime {
    uint16_t year = 0;
    uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool known() const { return year != 0; }

    static EntryTime fromDos(uint16_t date, uint16_t time);
    static EntryTime fromUnix(int64_t seconds);
    static EntryTime fromFiletime(uint64_t ticks);
};

// Windows attribute bits, which every format is mapped onto.
enum : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrFolder = 0x10,
    kAttrArchive = 0x20,
};

struct ArchiveEntry {
    std::string name;  // UTF-8, as stored (separators kept)
    std::optional<uint64_t> size;
    std::optional<uint64_t> packedSize;
    EntryTime time;
    uint32_t attributes = 0;
    bool encrypted = false;
    bool folder() const { return (attributes & kAttrFolder) != 0; }
};

struct ArchiveListing {
    std::string format;             // e.g. "zip", "tar (gzip)"
    std::vector<ArchiveEntry> entries;
    std::string note;               // set when only part of a damaged archive could be listed
};

// Maps Unix mode bits onto the attribute bits.
uint32_t AttributesFromUnixMode(uint32_t mode);

}  // namespace qm::extract
