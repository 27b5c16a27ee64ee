// Streams of a compound file (the container of 97-2003 office documents), read from the whole
// file in memory. Every chain walk is bounded by the sector count and stops at a loop.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "preview/document_text_parts.h"

namespace qm::preview {

class CompoundFileReader {
public:
    // False when the header, the allocation table or the directory cannot be read.
    bool open(Bytes file);
    // The stream of that name directly below the root (names compare ignoring ASCII case);
    // false when absent or when its chain is broken.
    bool stream(std::u16string_view name, std::vector<std::uint8_t>& out) const;

private:
    struct Entry {
        std::u16string name;
        std::uint8_t type = 0;  // 1 storage, 2 stream, 5 root
        std::uint32_t left = 0, right = 0, child = 0, start = 0;
        std::uint64_t size = 0;
    };
    bool readChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out) const;
    bool readMiniChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out) const;
    bool readTable(std::uint32_t start, std::vector<std::uint32_t>& table) const;

    Bytes file_;
    size_t sectorSize_ = 512, miniSectorSize_ = 64;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_, miniFat_;
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> miniStream_;
};

}  // namespace qm::preview
