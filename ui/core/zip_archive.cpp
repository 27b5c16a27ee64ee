// The archive is trusted no further than its bytes: every offset and size from the central
// directory is checked against the buffer before use, and inflated output is bounded by the
// declared size, so a damaged or hostile archive yields 13 instead of a crash or a bomb.
#include "ui/core/zip_archive.h"

#include <zlib.h>

#include <new>

#include "disk/byte_view.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::ui {

namespace {

constexpr int kErrorInvalidData = 13;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;

// Code page 437, the historical encoding of names without the UTF-8 flag, bytes 0x80..0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x25A0, 0x00A0};

bool isValidUtf8(ByteView b) {
    size_t i = 0;
    while (i < b.size()) {
        const std::uint8_t lead = b.u8(i);
        size_t extra;
        if (lead < 0x80)
            extra = 0;
        else if (lead >= 0xC2 && lead <= 0xDF)
            extra = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            extra = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            extra = 3;
        else
            return false;
        if (!b.has(i + 1, extra)) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((b.u8(i + k) & 0xC0) != 0x80) return false;
        if (lead == 0xE0 && b.u8(i + 1) < 0xA0) return false;   // overlong
        if (lead == 0xED && b.u8(i + 1) >= 0xA0) return false;  // surrogate
        if (lead == 0xF0 && b.u8(i + 1) < 0x90) return false;   // overlong
        if (lead == 0xF4 && b.u8(i + 1) >= 0x90) return false;  // beyond Unicode
        i += extra + 1;
    }
    return true;
}

// Tools set the UTF-8 flag inconsistently, so valid UTF-8 is read as such and anything else as CP437.
std::wstring decodeName(ByteView raw, std::uint16_t flags) {
    if ((flags & kFlagUtf8) || isValidUtf8(raw))
        return platform::fromUtf8(std::string(reinterpret_cast<const char*>(raw.data()), raw.size()));
    std::wstring out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::uint8_t c = raw.u8(i);
        out.push_back(c < 0x80 ? static_cast<wchar_t>(c) : static_cast<wchar_t>(kCp437High[c - 0x80]));
    }
    return out;
}

// True when an extra field carries ZIP64 sizes or offsets.
bool hasZip64Extra(ByteView extra) {
    size_t p = 0;
    while (extra.has(p, 4)) {
        if (extra.u16(p) == 0x0001) return true;
        p += 4 + extra.u16(p + 2);
    }
    return false;
}

bool inflateRaw(ByteView in, std::uint32_t expected, std::vector<std::uint8_t>& out) {
    // One spare byte: a stream that would produce more than declared fills it and is refused.
    out.resize(static_cast<size_t>(expected) + 1);
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    const uLong produced = z.total_out;
    inflateEnd(&z);
    if (status != Z_STREAM_END || produced != expected) return false;
    out.resize(expected);
    return true;
}

}  // namespace

std::wstring ZipArchive::lookupKey(std::wstring_view name) {
    std::wstring key(name);
    for (auto& c : key) {
        if (c == L'\\')
            c = L'/';
        else if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return key;
}

int ZipArchive::open(std::vector<std::uint8_t> bytes) {
    bytes_ = std::move(bytes);
    entries_.clear();
    index_.clear();
    int status;
    try {
        status = readCentralDirectory();
    } catch (const std::bad_alloc&) {
        status = kErrorNotEnoughMemory;
    }
    if (status != 0) {
        bytes_.clear();
        bytes_.shrink_to_fit();
        entries_.clear();
        index_.clear();
    }
    return status;
}

int ZipArchive::readCentralDirectory() {
    const ByteView all(bytes_.data(), bytes_.size());
    if (all.size() < kEndSize) return kErrorInvalidData;

    // The end record sits in the last 22 bytes plus at most a 64 KiB comment. A record whose comment
    // reaches exactly to the end is preferred, so a signature inside a comment cannot pose as it;
    // failing that, the last one that fits (an archive with bytes appended).
    const size_t lowest = all.size() - kEndSize > 0xFFFF ? all.size() - kEndSize - 0xFFFF : 0;
    size_t end = SIZE_MAX, fitting = SIZE_MAX;
    for (size_t p = all.size() - kEndSize + 1; p-- > lowest;) {
        if (all.u32(p) != kEndSignature || !all.has(p + kEndSize, all.u16(p + 20))) continue;
        if (p + kEndSize + all.u16(p + 20) == all.size()) {
            end = p;
            break;
        }
        if (fitting == SIZE_MAX) fitting = p;
    }
    if (end == SIZE_MAX) end = fitting;
    if (end == SIZE_MAX) return kErrorInvalidData;

    const std::uint16_t thisDisk = all.u16(end + 4), directoryDisk = all.u16(end + 6);
    const std::uint16_t entriesHere = all.u16(end + 8), entriesTotal = all.u16(end + 10);
    const std::uint32_t directorySize = all.u32(end + 12), directoryOffset = all.u32(end + 16);
    // ZIP64 marks its end record with all-ones fields and a locator just before it.
    if (entriesTotal == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
        return kErrorInvalidData;
    if (end >= 20 && all.u32(end - 20) == kZip64LocatorSignature) return kErrorInvalidData;
    if (thisDisk != 0 || directoryDisk != 0 || entriesHere != entriesTotal) return kErrorInvalidData;
    if (static_cast<std::uint64_t>(directoryOffset) + directorySize > end) return kErrorInvalidData;

    const ByteView directory = all.sub(directoryOffset, directorySize);
    size_t p = 0;
    for (unsigned i = 0; i < entriesTotal; ++i) {
        if (!directory.has(p, kCentralSize) || directory.u32(p) != kCentralSignature) return kErrorInvalidData;
        const std::uint16_t flags = directory.u16(p + 8);
        const std::uint16_t nameLength = directory.u16(p + 28);
        const std::uint16_t extraLength = directory.u16(p + 30);
        const std::uint16_t commentLength = directory.u16(p + 32);
        const size_t recordSize = kCentralSize + nameLength + extraLength + commentLength;
        if (!directory.has(p, recordSize)) return kErrorInvalidData;
        if (flags & (kFlagEncrypted | kFlagStrongEncryption)) return kErrorInvalidData;
        if (directory.u16(p + 34) != 0) return kErrorInvalidData;  // starts on another disk

        Entry entry;
        entry.method = directory.u16(p + 10);
        entry.crc = directory.u32(p + 16);
        entry.compressedSize = directory.u32(p + 20);
        entry.size = directory.u32(p + 24);
        entry.localOffset = directory.u32(p + 42);
        if (entry.compressedSize == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || entry.localOffset == 0xFFFFFFFF ||
            hasZip64Extra(directory.sub(p + kCentralSize + nameLength, extraLength)))
            return kErrorInvalidData;
        entry.name = decodeName(directory.sub(p + kCentralSize, nameLength), flags);
        p += recordSize;

        if (entry.name.empty() || entry.name.back() == L'/' || entry.name.back() == L'\\') continue;  // a folder
        index_.emplace(lookupKey(entry.name), entries_.size());
        entries_.push_back(std::move(entry));
    }
    return 0;
}

bool ZipArchive::contains(std::wstring_view name) const { return index_.count(lookupKey(name)) != 0; }

std::vector<std::wstring> ZipArchive::names() const {
    std::vector<std::wstring> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_) out.push_back(e.name);
    return out;
}

int ZipArchive::extract(std::wstring_view name, std::vector<std::uint8_t>& out) const {
    out.clear();
    const auto found = index_.find(lookupKey(name));
    if (found == index_.end()) return kErrorFileNotFound;
    const Entry& e = entries_[found->second];

    if (e.method != kMethodStored && e.method != kMethodDeflate) return kErrorInvalidData;
    if (e.size > kZipMaxEntrySize) return kErrorInvalidData;
    if (e.method == kMethodStored && e.compressedSize != e.size) return kErrorInvalidData;
    if (e.method == kMethodDeflate &&
        static_cast<std::uint64_t>(e.size) > static_cast<std::uint64_t>(e.compressedSize) * kZipMaxRatio + 4096)
        return kErrorInvalidData;

    const ByteView all(bytes_.data(), bytes_.size());
    if (!all.has(e.localOffset, kLocalSize) || all.u32(e.localOffset) != kLocalSignature) return kErrorInvalidData;
    const size_t dataOffset =
        static_cast<size_t>(e.localOffset) + kLocalSize + all.u16(e.localOffset + 26) + all.u16(e.localOffset + 28);
    if (!all.has(dataOffset, e.compressedSize)) return kErrorInvalidData;
    const ByteView data = all.sub(dataOffset, e.compressedSize);

    try {
        if (e.method == kMethodStored) {
            out.assign(data.data(), data.data() + data.size());
        } else if (!inflateRaw(data, e.size, out)) {
            out.clear();
            return kErrorInvalidData;
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        return kErrorNotEnoughMemory;
    }
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data(), static_cast<uInt>(out.size()));
    if (static_cast<std::uint32_t>(crc) != e.crc) {
        out.clear();
        return kErrorInvalidData;
    }
    return 0;
}

}  // namespace qm::ui
