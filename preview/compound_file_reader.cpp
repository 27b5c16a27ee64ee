#include "preview/compound_file_reader.h"

#include <algorithm>
#include <cstring>

#include "disk/byte_view.h"

namespace qm::preview {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kMaxRegular = 0xFFFFFFFA;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

char16_t foldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool sameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return foldAscii(x) == foldAscii(y);
           });
}

}  // namespace

bool CompoundFileReader::open(Bytes file) {
    file_ = file;
    const ByteView h(file.data(), file.size());
    if (!h.equals(0, kSignature, sizeof kSignature) || !h.has(0, 512)) return false;
    const std::uint16_t shift = h.u16(0x1E), miniShift = h.u16(0x20);
    if ((shift != 9 && shift != 12) || miniShift != 6) return false;
    sectorSize_ = size_t{1} << shift;
    miniSectorSize_ = size_t{1} << miniShift;
    miniCutoff_ = h.u32(0x38);
    const size_t sectorCount = file.size() / sectorSize_;  // an upper bound of every count below

    // The allocation table's sectors: 109 in the header, the rest in a chain of extra sectors.
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t fatCount = h.u32(0x2C);
    if (fatCount > sectorCount) return false;
    for (size_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(h.u32(0x4C + 4 * i));
    std::uint32_t extra = h.u32(0x44);
    const size_t perExtra = sectorSize_ / 4 - 1;
    for (size_t steps = 0; fatSectors.size() < fatCount && extra <= kMaxRegular; ++steps) {
        const size_t at = (static_cast<size_t>(extra) + 1) * sectorSize_;
        if (steps > sectorCount || !h.has(at, sectorSize_)) return false;
        for (size_t i = 0; i < perExtra && fatSectors.size() < fatCount; ++i) fatSectors.push_back(h.u32(at + 4 * i));
        extra = h.u32(at + 4 * perExtra);
    }
    if (fatSectors.size() < fatCount) return false;
    fat_.clear();
    for (std::uint32_t sector : fatSectors) {
        const size_t at = (static_cast<size_t>(sector) + 1) * sectorSize_;
        if (sector > kMaxRegular || !h.has(at, sectorSize_)) return false;
        for (size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(h.u32(at + 4 * i));
    }

    std::vector<std::uint8_t> directory;
    if (!readChain(h.u32(0x30), UINT64_MAX, directory)) return false;
    entries_.clear();
    const ByteView d(directory.data(), directory.size());
    for (size_t at = 0; d.has(at, 128); at += 128) {
        Entry e;
        const size_t nameBytes = std::min<size_t>(d.u16(at + 0x40), 64);
        for (size_t i = 0; i + 1 < nameBytes; i += 2) {
            const char16_t c = d.u16(at + i);
            if (c == 0) break;
            e.name += c;
        }
        e.type = d.u8(at + 0x42);
        e.left = d.u32(at + 0x44);
        e.right = d.u32(at + 0x48);
        e.child = d.u32(at + 0x4C);
        e.start = d.u32(at + 0x74);
        e.size = shift == 9 ? d.u32(at + 0x78) : d.u64(at + 0x78);  // version 3 files may leave junk above
        entries_.push_back(std::move(e));
    }
    if (entries_.empty() || entries_[0].type != 5) return false;

    readTable(h.u32(0x3C), miniFat_);  // a file without small streams has none
    miniStream_.clear();
    if (entries_[0].size > 0) readChain(entries_[0].start, entries_[0].size, miniStream_);
    return true;
}

bool CompoundFileReader::readTable(std::uint32_t start, std::vector<std::uint32_t>& table) const {
    std::vector<std::uint8_t> bytes;
    table.clear();
    if (start > kMaxRegular || !readChain(start, UINT64_MAX, bytes)) return false;
    const ByteView v(bytes.data(), bytes.size());
    for (size_t at = 0; v.has(at, 4); at += 4) table.push_back(v.u32(at));
    return true;
}

bool CompoundFileReader::readChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out) const {
    out.clear();
    const bool sized = size != UINT64_MAX;
    if (sized && size > file_.size()) return false;
    std::vector<bool> seen(fat_.size(), false);
    std::uint32_t sector = start;
    while (sector != kEndOfChain && (!sized || out.size() < size)) {
        if (sector >= fat_.size() || seen[sector]) return false;
        seen[sector] = true;
        const size_t at = (static_cast<size_t>(sector) + 1) * sectorSize_;
        if (at > file_.size()) return false;
        const size_t n = std::min(sectorSize_, file_.size() - at);  // the last sector may be short
        out.insert(out.end(), file_.begin() + at, file_.begin() + at + n);
        sector = fat_[sector];
    }
    if (sized) {
        if (out.size() < size) return false;
        out.resize(static_cast<size_t>(size));
    }
    return true;
}

bool CompoundFileReader::readMiniChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out) const {
    out.clear();
    std::vector<bool> seen(miniFat_.size(), false);
    std::uint32_t sector = start;
    while (out.size() < size) {
        if (sector >= miniFat_.size() || seen[sector]) return false;
        seen[sector] = true;
        const size_t at = static_cast<size_t>(sector) * miniSectorSize_;
        if (at + miniSectorSize_ > miniStream_.size()) return false;
        out.insert(out.end(), miniStream_.begin() + at, miniStream_.begin() + at + miniSectorSize_);
        sector = miniFat_[sector];
    }
    out.resize(static_cast<size_t>(size));
    return true;
}

bool CompoundFileReader::stream(std::u16string_view name, std::vector<std::uint8_t>& out) const {
    out.clear();
    if (entries_.empty()) return false;
    // The root's children form a tree through left and right links; walked with a stack, each
    // entry at most once.
    std::vector<bool> seen(entries_.size(), false);
    std::vector<std::uint32_t> pending{entries_[0].child};
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == kNoEntry || index >= entries_.size() || seen[index]) continue;
        seen[index] = true;
        const Entry& e = entries_[index];
        if (e.type == 2 && sameName(e.name, name)) {
            if (e.size > file_.size()) return false;
            if (e.size < miniCutoff_) return readMiniChain(e.start, e.size, out);
            return readChain(e.start, e.size, out);
        }
        pending.push_back(e.left);
        pending.push_back(e.right);
    }
    return false;
}

}  // namespace qm::preview
