#include "engines/fat/fat_names.h"

#include "platform/text.h"

namespace qm {
namespace {

// Code page 437, bytes 0x80..0xFF.
const char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC,
    0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310,
    0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C,
    0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF,
    0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2,
    0x25A0, 0x00A0,
};

std::string trimBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

bool LongNameCollector::Prepend(ByteView entry) {
    if (chars_.size() + kCharsPerEntry > kMaxChars) return false;
    static const size_t kOffsets[kCharsPerEntry] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    std::u16string part(kCharsPerEntry, u'\0');
    for (size_t i = 0; i < kCharsPerEntry; ++i) part[i] = static_cast<char16_t>(entry.u16(kOffsets[i]));
    chars_.insert(0, part);
    ordinals_ += entry.u8(0);
    checksums_ += entry.u8(13);
    return true;
}

void LongNameCollector::Reset() {
    chars_.clear();
    ordinals_.clear();
    checksums_.clear();
}

uint8_t ShortNameChecksum(ByteView shortEntry) {
    uint8_t sum = 0;
    for (size_t i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + shortEntry.u8(i));
    return sum;
}

bool LongNameCollector::PartsConsistent(ByteView shortEntry) const {
    constexpr uint8_t kDeletedMark = 0xE5;
    constexpr uint8_t kLastPartFlag = 0x40;
    if (ordinals_.empty()) return false;
    for (uint8_t checksum : checksums_)
        if (checksum != checksums_[0]) return false;
    // A deleted short entry lost its first byte, so its checksum cannot be recomputed.
    const bool shortDeleted = shortEntry.u8(0) == kDeletedMark;
    if (!shortDeleted && checksums_[0] != ShortNameChecksum(shortEntry)) return false;
    // Live parts are numbered: the last part is read first, then down to 1.
    bool anyDeleted = false;
    for (uint8_t ordinal : ordinals_) anyDeleted = anyDeleted || ordinal == kDeletedMark;
    if (!anyDeleted) {
        const size_t count = ordinals_.size();
        if ((ordinals_[0] & kLastPartFlag) == 0) return false;
        for (size_t i = 0; i < count; ++i)
            if ((ordinals_[i] & ~kLastPartFlag) != count - i || (i > 0 && (ordinals_[i] & kLastPartFlag))) return false;
    } else if (!shortDeleted) {
        return false;  // deleted parts cannot name a live entry
    }
    // Deleted parts have lost their numbers; only the end of a name holds its terminator and
    // padding, so one found in another part means the parts are out of order.
    const size_t beforeEnd = chars_.size() - kCharsPerEntry;
    for (size_t i = 0; i < beforeEnd; ++i)
        if (chars_[i] == u'\0' || chars_[i] == 0xFFFF) return false;
    return AliasFitsName(shortEntry);
}

// A generated alias ("ALONGF~1.TXT") keeps at least the first two letters of its long name
// without blanks and dots; the second is compared (a deleted entry lost the first). Parts of a
// deleted name that were read in the wrong order show up here, where nothing else tells.
bool LongNameCollector::AliasFitsName(ByteView shortEntry) const {
    bool generated = false;
    for (size_t i = 1; i + 1 < 8; ++i)
        generated = generated || (shortEntry.u8(i) == '~' && shortEntry.u8(i + 1) >= '1' && shortEntry.u8(i + 1) <= '9');
    if (!generated) return true;
    std::u16string name = chars_.substr(0, chars_.find(u'\0'));
    const size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) name.resize(dot);
    std::u16string letters;
    for (char16_t c : name)
        if (c != u' ' && c != u'.') letters += c;
    if (letters.size() < 2 || shortEntry.u8(1) == '~') return true;
    auto asciiAlnum = [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    const char16_t fromName = letters[1];
    const char16_t fromAlias = shortEntry.u8(1);
    if (!asciiAlnum(fromName) || !asciiAlnum(fromAlias)) return true;
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; };
    return upper(fromName) == upper(fromAlias);
}

std::string LongNameCollector::NameFor(ByteView shortEntry) const {
    return PartsConsistent(shortEntry) ? Utf8() : std::string();
}

std::string LongNameCollector::Utf8() const {
    std::u16string name = chars_.substr(0, chars_.find(u'\0'));
    // Padding of a part whose terminator was lost.
    while (!name.empty() && name.back() == 0xFFFF) name.pop_back();
    return platform::toUtf8(platform::fromUtf16(name));
}

std::string OemToUtf8(const uint8_t* bytes, size_t length) {
    std::u16string wide;
    wide.reserve(length);
    for (size_t i = 0; i < length; ++i)
        wide += bytes[i] < 0x80 ? static_cast<char16_t>(bytes[i]) : kCp437High[bytes[i] - 0x80];
    return platform::toUtf8(platform::fromUtf16(wide));
}

std::string ShortEntryName(ByteView entry, bool withExtension) {
    uint8_t raw[11] = {};
    for (size_t i = 0; i < 11; ++i) raw[i] = entry.u8(i);
    // 0x05 stands for a first byte of 0xE5 that is really a character.
    const bool deleted = raw[0] == 0xE5;
    if (raw[0] == 0x05) raw[0] = 0xE5;

    auto piece = [&](size_t from, size_t length) {
        std::string text;
        for (size_t i = from; i < from + length; ++i) {
            uint8_t c = raw[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
            text += static_cast<char>(c);
        }
        return trimBlanks(text);
    };
    std::string base = piece(0, 8);
    // A deleted entry's first character is gone; "!" stands in for it.
    const size_t lost = deleted && !base.empty() ? 1 : 0;
    std::string name = OemToUtf8(reinterpret_cast<const uint8_t*>(base.data()) + lost, base.size() - lost);
    if (deleted) name.insert(name.begin(), '!');
    if (withExtension && raw[8] != ' ') {
        const std::string ext = piece(8, 3);
        name = trimBlanks(name + "." + OemToUtf8(reinterpret_cast<const uint8_t*>(ext.data()), ext.size()));
    }
    return name;
}

}  // namespace qm

