#include "disk/gpt_header.h"

#include <zlib.h>

#include <algorithm>

namespace qm {
namespace {

namespace layout {
constexpr size_t kSignature = 0;
constexpr size_t kRevision = 8;
constexpr size_t kHeaderSize = 12;
constexpr size_t kHeaderCrc = 16;
constexpr size_t kMyLba = 24;
constexpr size_t kAlternateLba = 32;
constexpr size_t kFirstUsableLba = 40;
constexpr size_t kLastUsableLba = 48;
constexpr size_t kEntriesLba = 72;
constexpr size_t kEntryCount = 80;
constexpr size_t kEntrySize = 84;
constexpr size_t kEntriesCrc = 88;
constexpr uint32_t kMinHeaderSize = 92;

constexpr size_t kEntryTypeGuid = 0;
constexpr size_t kEntryFirstLba = 32;
constexpr size_t kEntryLastLba = 40;
constexpr size_t kEntryName = 56;
constexpr size_t kEntryNameUnits = 36;
}  // namespace layout

uint32_t crcOf(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes a uInt length; the arrays here are at most 4 MiB.
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
}

void appendCodePoint(std::wstring& text, uint32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (cp >> 10));
            text += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    text += static_cast<wchar_t>(cp);
}

// UTF-16LE up to the first NUL; unpaired surrogates become U+FFFD.
std::wstring nameOf(ByteView entry) {
    std::wstring name;
    for (size_t i = 0; i < layout::kEntryNameUnits; ++i) {
        const uint32_t unit = entry.u16(layout::kEntryName + 2 * i);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < layout::kEntryNameUnits) {
            const uint32_t low = entry.u16(layout::kEntryName + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(name, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendCodePoint(name, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return name;
}

}  // namespace

bool HasGptSignature(ByteView sector) { return sector.equals(layout::kSignature, "EFI PART", 8); }

uint64_t GptAlternateLba(ByteView sector) { return sector.u64(layout::kAlternateLba); }

bool DecodeGptHeader(ByteView sector, uint32_t sectorSize, uint64_t lba, uint64_t mediumSectors, GptHeader& header,
                     std::string& why) {
    using namespace layout;
    if (!HasGptSignature(sector)) {
        why = "no EFI PART signature";
        return false;
    }
    if ((sector.u32(kRevision) >> 16) != 1) {
        why = "an unknown revision";
        return false;
    }
    const uint32_t headerSize = sector.u32(kHeaderSize);
    if (headerSize < kMinHeaderSize || headerSize > sectorSize || !sector.has(0, headerSize)) {
        why = "a header size of " + std::to_string(headerSize);
        return false;
    }
    std::vector<uint8_t> copy(sector.data(), sector.data() + headerSize);
    std::fill_n(copy.begin() + kHeaderCrc, 4, 0);
    if (crcOf(copy.data(), copy.size()) != sector.u32(kHeaderCrc)) {
        why = "a header CRC32 that does not match";
        return false;
    }
    header.myLba = sector.u64(kMyLba);
    header.alternateLba = sector.u64(kAlternateLba);
    header.firstUsableLba = sector.u64(kFirstUsableLba);
    header.lastUsableLba = sector.u64(kLastUsableLba);
    header.entriesLba = sector.u64(kEntriesLba);
    header.entryCount = sector.u32(kEntryCount);
    header.entrySize = sector.u32(kEntrySize);
    header.entriesCrc = sector.u32(kEntriesCrc);
    if (header.myLba != lba) {
        why = "a header that says it lies at sector " + std::to_string(header.myLba);
        return false;
    }
    if (header.firstUsableLba > header.lastUsableLba) {
        why = "a usable area that ends before it starts";
        return false;
    }
    if (header.entryCount > kGptMaxEntries || header.entrySize < kGptMinEntrySize ||
        header.entrySize > kGptMaxEntrySize || header.entrySize % 8 != 0) {
        why = std::to_string(header.entryCount) + " entries of " + std::to_string(header.entrySize) + " bytes";
        return false;
    }
    const uint64_t arraySectors =
        (static_cast<uint64_t>(header.entryCount) * header.entrySize + sectorSize - 1) / sectorSize;
    if (header.entriesLba == 0 || header.entriesLba >= mediumSectors || arraySectors > mediumSectors - header.entriesLba) {
        why = "an entry array outside the medium";
        return false;
    }
    return true;
}

bool GptEntriesMatch(const GptHeader& header, ByteView entries) {
    const size_t bytes = static_cast<size_t>(header.entryCount) * header.entrySize;
    return entries.has(0, bytes) && crcOf(entries.data(), bytes) == header.entriesCrc;
}

void DecodeGptEntries(const GptHeader& header, ByteView entries, uint64_t mediumSectors, PartitionTable& out) {
    using namespace layout;
    for (uint32_t slot = 0; slot < header.entryCount; ++slot) {
        const ByteView entry = entries.sub(static_cast<size_t>(slot) * header.entrySize, header.entrySize);
        if (entry.size() < kGptMinEntrySize) break;
        PartitionEntry decoded;
        std::copy_n(entry.data() + kEntryTypeGuid, decoded.typeGuid.size(), decoded.typeGuid.begin());
        if (std::all_of(decoded.typeGuid.begin(), decoded.typeGuid.end(), [](uint8_t b) { return b == 0; })) continue;
        const std::string where = "GPT partition " + std::to_string(slot + 1);
        const uint64_t first = entry.u64(kEntryFirstLba);
        const uint64_t last = entry.u64(kEntryLastLba);
        if (first == 0 || last < first) {
            out.problems.push_back(where + (first == 0 ? " starts at sector 0" : " ends before it starts") +
                                   " and is skipped");
            continue;
        }
        decoded.number = static_cast<int>(slot) + 1;
        decoded.firstSector = first;
        decoded.sectorCount = last - first + 1;  // last is inclusive; first > 0, so no overflow
        decoded.typeName = GptTypeName(decoded.typeGuid);
        decoded.name = nameOf(entry);
        if (last >= mediumSectors)
            out.problems.push_back(where + " runs past the end of the medium");
        else if (first < header.firstUsableLba || last > header.lastUsableLba)
            out.problems.push_back(where + " lies outside the table's usable area");
        out.entries.push_back(std::move(decoded));
    }
}

}  // namespace qm
