// A TIFF ends with the furthest of its parts: image file directories, the values they
// point to, and the strips or tiles of each image. Directories chain through their
// next-directory offsets; EXIF, GPS and sub-image directories are followed as well.
#include <vector>

#include "engines/carving/file_window.h"
#include "engines/carving/formats_pictures.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr size_t kMaxDirectories = 256;
constexpr uint32_t kMaxEntries = 4096;
constexpr uint32_t kMaxParts = 1u << 20;  // strips or tiles of one image

class TiffWalk {
public:
    // `rawOffsetTag`: a tag that gives the raw data's offset in place of the strip offsets, or 0.
    TiffWalk(FileWindow& window, bool bigEndian, uint16_t rawOffsetTag)
        : window_(window), bigEndian_(bigEndian), rawOffsetTag_(rawOffsetTag) {}

    // The furthest end, or 0 when a directory is broken or no image data was found.
    uint64_t Run(uint64_t firstDirectory) {
        pending_.push_back(firstDirectory);
        while (!pending_.empty()) {
            const uint64_t at = pending_.back();
            pending_.pop_back();
            if (at == 0) continue;
            if (visited_.size() == kMaxDirectories || pending_.size() > 4 * kMaxDirectories || Seen(at))
                return 0;  // a loop, or too many
            visited_.push_back(at);
            if (!Directory(at)) return 0;
        }
        return sawImageData_ ? end_ : 0;
    }

private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        uint64_t valueAt;  // file offset of the value: in the entry when it fits in four bytes
    };

    uint64_t Read(ByteView b, size_t at, size_t bytes) const {
        if (bigEndian_) return BigEndianN(b, at, bytes);
        return bytes == 2 ? b.u16(at) : b.u32(at);
    }
    bool Seen(uint64_t at) const {
        for (uint64_t v : visited_)
            if (v == at) return true;
        return false;
    }
    void Reach(uint64_t end) { end_ = end > end_ ? end : end_; }

    static uint32_t TypeSize(uint16_t type) {
        static constexpr uint8_t kSizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        return type < 14 ? kSizes[type] : 0;
    }

    // Value `i` of a SHORT or LONG entry.
    bool Value(const Entry& e, uint32_t i, uint64_t& value) {
        const uint32_t size = TypeSize(e.type);
        if (size != 2 && size != 4) return false;
        const ByteView b = window_.Bytes(e.valueAt + static_cast<uint64_t>(i) * size, size);
        if (b.size() != size) return false;
        value = Read(b, 0, size);
        return true;
    }

    bool Directory(uint64_t at) {
        const ByteView head = window_.Bytes(at, 2);
        const uint32_t count = static_cast<uint32_t>(Read(head, 0, 2));
        if (head.size() != 2 || count == 0 || count > kMaxEntries) return false;
        const uint64_t tableEnd = at + 2 + 12ull * count;
        std::vector<Entry> entries;
        for (uint32_t i = 0; i < count; ++i) {
            const ByteView b = window_.Bytes(at + 2 + 12ull * i, 12);
            if (b.size() != 12) return false;
            Entry e{static_cast<uint16_t>(Read(b, 0, 2)), static_cast<uint16_t>(Read(b, 2, 2)),
                    static_cast<uint32_t>(Read(b, 4, 4)), at + 2 + 12ull * i + 8};
            const uint64_t bytes = static_cast<uint64_t>(TypeSize(e.type)) * e.count;
            if (bytes > 4) {
                e.valueAt = Read(b, 8, 4);
                Reach(e.valueAt + bytes);
            }
            entries.push_back(e);
        }
        const ByteView next = window_.Bytes(tableEnd, 4);
        if (next.size() != 4) return false;
        Reach(tableEnd + 4);
        pending_.push_back(Read(next, 0, 4));
        if (!window_.Holds(end_)) return false;
        const uint16_t strips = rawOffsetTag_ != 0 && Find(entries, rawOffsetTag_) ? rawOffsetTag_ : 273;
        return Parts(entries, strips, 279) && Parts(entries, 324, 325) && Parts(entries, 513, 514) && Children(entries);
    }

    // Strips, tiles or a JPEG thumbnail: offsets in one entry, byte counts in another.
    bool Parts(const std::vector<Entry>& entries, uint16_t offsetsTag, uint16_t countsTag) {
        const Entry* offsets = Find(entries, offsetsTag);
        const Entry* counts = Find(entries, countsTag);
        if (offsets == nullptr || counts == nullptr) return true;
        if (offsets->count != counts->count || offsets->count > kMaxParts) return false;
        for (uint32_t i = 0; i < offsets->count; ++i) {
            uint64_t offset = 0, length = 0;
            if (!Value(*offsets, i, offset) || !Value(*counts, i, length)) return false;
            if (offsetsTag == rawOffsetTag_ && length == 0) return false;  // the raw data's length is not given
            Reach(offset + length);
        }
        sawImageData_ = sawImageData_ || offsetsTag != 513;
        return window_.Holds(end_);
    }

    bool Children(const std::vector<Entry>& entries) {
        for (uint16_t tag : {uint16_t{330}, uint16_t{34665}, uint16_t{34853}}) {
            const Entry* e = Find(entries, tag);
            for (uint32_t i = 0; e != nullptr && i < e->count && i < kMaxDirectories; ++i) {
                uint64_t at = 0;
                if (!Value(*e, i, at)) return false;
                pending_.push_back(at);
            }
        }
        return true;
    }

    static const Entry* Find(const std::vector<Entry>& entries, uint16_t tag) {
        for (const Entry& e : entries)
            if (e.tag == tag) return &e;
        return nullptr;
    }

    FileWindow& window_;
    bool bigEndian_;
    uint16_t rawOffsetTag_;
    std::vector<uint64_t> pending_;
    std::vector<uint64_t> visited_;
    uint64_t end_ = 8;
    bool sawImageData_ = false;
};

uint64_t WalkTiff(FileWindow& window, ByteView first) {
    const bool little = first.equals(0, "II*\0", 4);
    if (!little && !first.equals(0, "MM\0*", 4)) return 0;  // BigTIFF and others
    TiffWalk walk(window, !little, 0);
    return walk.Run(little ? first.u32(4) : BigEndianN(first, 4, 4));
}

// Camera raw files: TIFF under the makers' own magic numbers as well. The Panasonic one keeps
// its raw data's offset in a tag of its own (0x118).
uint64_t WalkCameraRaw(FileWindow& window, ByteView first) {
    const bool little = first.equals(0, "II", 2);
    if (!little && !first.equals(0, "MM", 2)) return 0;
    const bool panasonic = first.equals(0, "IIU\0", 4);
    const bool known = panasonic || first.equals(0, "II*\0", 4) || first.equals(0, "MM\0*", 4) ||
                       first.equals(0, "IIRO", 4) || first.equals(0, "IIRS", 4) || first.equals(0, "MMOR", 4);
    if (!known) return 0;
    TiffWalk walk(window, !little, panasonic ? 0x118 : 0);
    return walk.Run(little ? first.u32(4) : BigEndianN(first, 4, 4));
}

}  // namespace

uint64_t MeasureTiffExtent(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 128 * kMiB, WalkTiff, MeasureNextHeader128M);
}

uint64_t MeasureCameraRawExtent(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, kGiB, WalkCameraRaw, MeasureNextHeader256M);
}

}  // namespace qm
