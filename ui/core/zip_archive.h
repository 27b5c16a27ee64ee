// Read-only access to a skin archive held in memory (stored and deflated entries).
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm::ui {

// Bounds against damaged or hostile archives.
inline constexpr std::uint32_t kZipMaxEntrySize = 64u << 20;  // uncompressed bytes of one entry
inline constexpr std::uint32_t kZipMaxRatio = 1100;           // deflate cannot expand beyond ~1032:1

class ZipArchive {
public:
    // 0, or 13 (ERROR_INVALID_DATA) for a damaged/unsupported archive (ZIP64, encrypted entries).
    // Keeps its own copy of the bytes. A failed open leaves the archive empty.
    int open(std::vector<std::uint8_t> bytes);
    // Names compare case-insensitively with '\\' and '/' equivalent: L"xml\\skin.xml" finds "xml/skin.xml".
    // Letter case folds for ASCII letters only (skin paths are ASCII); names are UTF-8, else code page 437.
    bool contains(std::wstring_view name) const;
    // 0; 2 when absent; 13 when damaged (bad CRC, bad deflate, sizes over the bounds, unknown method).
    int extract(std::wstring_view name, std::vector<std::uint8_t>& out) const;
    // The stored names of the file entries (folders left out), in archive order.
    std::vector<std::wstring> names() const;

private:
    struct Entry {
        std::wstring name;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t localOffset = 0;
    };
    static std::wstring lookupKey(std::wstring_view name);
    int readCentralDirectory();

    std::vector<std::uint8_t> bytes_;
    std::vector<Entry> entries_;
    std::map<std::wstring, size_t> index_;  // lookup key -> entry; the first of equal names wins
};

}  // namespace qm::ui
