// Camera raw files. Most are TIFF files whose header magic or first directory names the
// maker; the Fujifilm one has a header of its own. A plain TIFF is left to the TIFF rows.
#include <cstring>
#include <string_view>

#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_pictures.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxFirstDirectoryOffset = 1u << 20;
constexpr uint32_t kMaxEntries = 512;
constexpr size_t kTextBytes = 24;

constexpr uint16_t kTagMake = 0x010F;
constexpr uint16_t kTagModel = 0x0110;
constexpr uint16_t kTagDngVersion = 0xC612;

// The file's bytes at `offset`: from the sector handed over when they lie in it, else from
// the medium.
bool FileBytes(CarveContext& ctx, ByteView b, uint64_t offset, size_t length, uint8_t* dest) {
    if (offset <= b.size() && b.has(static_cast<size_t>(offset), length)) {
        std::memcpy(dest, b.data() + offset, length);
        return true;
    }
    return ReadFileBytes(ctx, ctx.currentSector, offset, length, dest, true);
}

class FirstDirectory {
public:
    FirstDirectory(CarveContext& ctx, ByteView b, bool bigEndian) : ctx_(ctx), b_(b), bigEndian_(bigEndian) {}

    bool Read(uint32_t at) {
        uint8_t head[2];
        if (!FileBytes(ctx_, b_, at, 2, head)) return false;
        count_ = Number(ByteView(head, 2), 0, 2);
        if (count_ == 0 || count_ > kMaxEntries) return false;
        return FileBytes(ctx_, b_, at + 2ull, 12ull * count_, table_);
    }

    bool Has(uint16_t tag) const { return Find(tag) >= 0; }

    // An ASCII entry's first bytes; empty when the tag is missing or unreadable.
    std::string_view Text(uint16_t tag, char (&out)[kTextBytes]) {
        const int i = Find(tag);
        if (i < 0) return {};
        const ByteView e(table_ + 12 * i, 12);
        if (Number(e, 2, 2) != 2) return {};
        const size_t length = Number(e, 4, 4) < kTextBytes ? Number(e, 4, 4) : kTextBytes;
        if (length <= 4) {
            std::memcpy(out, e.data() + 8, length);
        } else if (!FileBytes(ctx_, b_, Number(e, 8, 4), length, reinterpret_cast<uint8_t*>(out))) {
            return {};
        }
        return std::string_view(out, length);
    }

private:
    uint32_t Number(ByteView v, size_t at, size_t bytes) const {
        if (bigEndian_) return static_cast<uint32_t>(bytes == 2 ? BigEndian16(v, at) : BigEndian32(v, at));
        return bytes == 2 ? v.u16(at) : v.u32(at);
    }
    int Find(uint16_t tag) const {
        const ByteView table(table_, 12ull * count_);
        for (uint32_t i = 0; i < count_; ++i)
            if (Number(table, 12 * i, 2) == tag) return static_cast<int>(i);
        return -1;
    }

    CarveContext& ctx_;
    ByteView b_;
    bool bigEndian_;
    uint32_t count_ = 0;
    uint8_t table_[12 * kMaxEntries];
};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

int DetectCameraRaw(CarveContext& ctx, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    const bool bigEndian = HasText(b, 0, "MM");
    if (!bigEndian && !HasText(b, 0, "II")) return kTypeNoMatch;
    const uint32_t first = bigEndian ? BigEndian32(b, 4) : b.u32(4);
    if (first < 8 || first > kMaxFirstDirectoryOffset) return kTypeNoMatch;

    if (HasText(b, 0, "IIRO") || HasText(b, 0, "IIRS") || HasText(b, 0, "MMOR")) return kTypeOrf;
    if (HasText(b, 0, "IIU\0")) return kTypeRw2;
    if (!HasText(b, 0, "II\x2A\x00") && !HasText(b, 0, "MM\x00\x2A")) return kTypeNoMatch;
    if (HasText(b, 8, "CR\x02\x00")) return kTypeCr2;

    FirstDirectory ifd(ctx, b, bigEndian);
    if (!ifd.Read(first)) return kTypeNoMatch;
    if (ifd.Has(kTagDngVersion)) return kTypeDng;
    char makeBytes[kTextBytes];
    const std::string_view make = ifd.Text(kTagMake, makeBytes);
    if (StartsWith(make, "NIKON")) {
        // Nikon's compacts write NRW, except the one with a large sensor, which writes NEF.
        char modelBytes[kTextBytes];
        const std::string_view model = ifd.Text(kTagModel, modelBytes);
        const bool compact = StartsWith(model, "COOLPIX") && !StartsWith(model, std::string_view("COOLPIX A\0", 10));
        return compact ? kTypeNrw : kTypeNef;
    }
    if (StartsWith(make, "SONY")) {
        // Only the DSC-R1 wrote SR2; every later Sony camera writes ARW.
        char modelBytes[kTextBytes];
        return StartsWith(ifd.Text(kTagModel, modelBytes), "DSC-R1") ? kTypeSr2 : kTypeArw;
    }
    if (StartsWith(make, "PENTAX") || StartsWith(make, "RICOH IMAGING")) return kTypePef;
    return kTypeNoMatch;
}

int DetectFujifilmRaw(CarveContext&, ByteView b) {
    return b.size() >= 108 && HasText(b, 0, "FUJIFILMCCD-RAW ") ? kTypeRaf : kTypeNoMatch;
}

}  // namespace

const Detector kCameraRawDetector{"TIFF-based camera raw", DetectCameraRaw, {{0, 'I'}, {0, 'M'}}, 2, true};
const Detector kFujifilmRawDetector{"Fujifilm raw", DetectFujifilmRaw, {{0, 'F'}}, 1, false};

}  // namespace qm
