// An Ogg file ends with the end-of-stream pages of the logical streams that began it: their
// beginning pages come first, then their pages interleave. Each page carries its own CRC, so
// a page that fails it ends the walk, and a file cut short is measured to its last good page.
#include <algorithm>
#include <array>
#include <vector>

#include "engines/carving/file_window.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kMaxPages = 100'000'000;
constexpr size_t kMaxStreams = 64;
constexpr size_t kPageHeader = 27;
constexpr uint8_t kBeginning = 0x02;
constexpr uint8_t kEnd = 0x04;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        table[i] = r;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

struct Page {
    uint8_t flags = 0;
    uint32_t serial = 0;
    uint64_t length = 0;
};

// The page at `at` when its header is sound and its CRC holds.
bool ReadPage(FileWindow& window, uint64_t at, Page& page) {
    const ByteView fixed = window.Bytes(at, kPageHeader);
    if (!fixed.equals(0, "OggS", 4) || fixed.u8(4) != 0 || (fixed.u8(5) & ~7u) != 0) return false;
    const size_t segments = fixed.u8(26);
    const ByteView whole = window.Bytes(at, kPageHeader + segments);
    if (whole.size() == 0) return false;
    std::array<uint8_t, kPageHeader + 255> header{};
    std::copy(whole.data(), whole.data() + whole.size(), header.begin());
    const uint32_t stored = ByteView(header.data(), whole.size()).u32(22);
    header[22] = header[23] = header[24] = header[25] = 0;
    uint64_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += header[kPageHeader + i];
    uint32_t crc = OggCrc(0, ByteView(header.data(), whole.size()));
    for (uint64_t done = 0; done < body;) {
        const size_t run = static_cast<size_t>(std::min<uint64_t>(body - done, FileWindow::kMaxRun));
        const ByteView part = window.Bytes(at + whole.size() + done, run);
        if (part.size() != run) return false;
        crc = OggCrc(crc, part);
        done += run;
    }
    if (crc != stored) return false;
    page.flags = header[5];
    page.serial = ByteView(header.data(), whole.size()).u32(14);
    page.length = whole.size() + body;
    return true;
}

uint64_t WalkOgg(FileWindow& window, ByteView) {
    std::vector<uint32_t> streams;  // serials of the streams begun at the start
    std::vector<bool> ended;
    size_t open = 0;
    uint64_t at = 0;
    for (uint64_t pages = 0; pages < kMaxPages; ++pages) {
        Page page;
        if (!ReadPage(window, at, page)) break;
        size_t index = 0;
        while (index < streams.size() && streams[index] != page.serial) ++index;
        if (page.flags & kBeginning) {
            // Beginning pages only lead the file; a later one starts the next link of a chain.
            if (index < streams.size() || (pages != 0 && pages != streams.size()) || streams.size() == kMaxStreams)
                break;
            streams.push_back(page.serial);
            ended.push_back(false);
            ++open;
        } else if (index == streams.size() || ended[index]) {
            break;
        }
        at += page.length;
        if (page.flags & kEnd) {
            ended[index] = true;
            if (--open == 0) return at;
        }
    }
    return at;  // cut short: the end of the last good page
}

}  // namespace

uint32_t OggCrc(uint32_t crc, ByteView bytes) {
    const uint8_t* p = bytes.data();
    for (size_t i = 0; i < bytes.size(); ++i) crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

uint64_t MeasureOggPages(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, WalkOgg, MeasureNextHeader4G);
}

}  // namespace qm
