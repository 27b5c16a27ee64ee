// RAR 1.5-4.x listing: the block chain after the marker, file blocks (0x74) only.
#include <cstring>

#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr uint8_t kMarker[7] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr uint8_t kMainHeader = 0x73, kFileHeader = 0x74, kEndHeader = 0x7B;
constexpr uint16_t kMainEncryptedHeaders = 0x0080;
constexpr uint16_t kFileEncrypted = 0x0004, kFileLarge = 0x0100, kFileUnicode = 0x0200;
constexpr uint16_t kFileDictionaryMask = 0x00E0, kLongBlock = 0x8000;

// The Unicode half of a name: a packed form that refers back to the ANSI half.
std::string DecodeUnicodeName(std::string_view ansi, const uint8_t* enc, size_t encSize) {
    std::string out;
    size_t encPos = 0, decPos = 0;
    if (encSize == 0) return out;
    const uint32_t high = enc[encPos++];
    uint32_t flags = 0;
    int flagBits = 0;
    const size_t maxChars = 1024;
    while (encPos < encSize && decPos < maxChars) {
        if (flagBits == 0) {
            flags = enc[encPos++];
            flagBits = 8;
        }
        switch (flags >> 6) {
            case 0:
                if (encPos >= encSize) return out;
                AppendUtf8(out, enc[encPos++]), ++decPos;
                break;
            case 1:
                if (encPos >= encSize) return out;
                AppendUtf8(out, enc[encPos++] + (high << 8)), ++decPos;
                break;
            case 2:
                if (encPos + 1 >= encSize) return out;
                AppendUtf8(out, enc[encPos] + (enc[encPos + 1] << 8)), ++decPos;
                encPos += 2;
                break;
            default: {
                if (encPos >= encSize) return out;
                uint32_t length = enc[encPos++];
                if (length & 0x80) {
                    if (encPos >= encSize) return out;
                    const uint8_t correction = enc[encPos++];
                    for (length = (length & 0x7F) + 2; length > 0 && decPos < ansi.size(); --length, ++decPos)
                        AppendUtf8(out, ((static_cast<uint8_t>(ansi[decPos]) + correction) & 0xFF) + (high << 8));
                } else {
                    for (length += 2; length > 0 && decPos < ansi.size(); --length, ++decPos)
                        AppendUtf8(out, static_cast<uint8_t>(ansi[decPos]));
                }
                break;
            }
        }
        flags = (flags << 2) & 0xFF;
        flagBits -= 2;
    }
    return out;
}

}  // namespace

ReadResult ReadRar4(ReadContext& ctx) {
    uint8_t marker[7];
    if (!ctx.source.readAt(0, marker, 7) || std::memcmp(marker, kMarker, 7) != 0) return ReadResult::NotThisFormat;
    ctx.listing.format = "rar";
    uint64_t pos = 7;
    std::vector<uint8_t> block;
    while (ctx.listing.entries.size() < kMaxEntries) {
        uint8_t base[7];
        if (!ctx.source.readAt(pos, base, sizeof base)) break;  // archives without an end block stop here
        const ByteView b(base, sizeof base);
        const uint8_t type = b.u8(2);
        const uint16_t flags = b.u16(3), headerSize = b.u16(5);
        if (headerSize < 7 || !ctx.source.readBlock(pos, headerSize, block)) {
            ctx.listing.note = "the archive is damaged after entry " + std::to_string(ctx.listing.entries.size());
            break;
        }
        const ByteView h(block.data(), block.size());
        if (type == kEndHeader) break;
        if (type == kMainHeader && (flags & kMainEncryptedHeaders)) {
            ctx.error = "the archive's headers are encrypted: its names cannot be listed without the password";
            return ReadResult::Failed;
        }
        uint64_t dataSize = 0;
        if (type == kFileHeader) {
            if (headerSize < 32) {
                ctx.listing.note = "a file header is damaged";
                break;
            }
            uint64_t packed = h.u32(7), size = h.u32(11);
            size_t nameAt = 32;
            if (flags & kFileLarge) {
                packed |= uint64_t(h.u32(32)) << 32;
                size |= uint64_t(h.u32(36)) << 32;
                nameAt = 40;
            }
            const size_t nameLength = std::min<size_t>(h.u16(26), headerSize > nameAt ? headerSize - nameAt : 0);
            const std::string_view stored(reinterpret_cast<const char*>(block.data() + nameAt), nameLength);
            ArchiveEntry entry;
            if (flags & kFileUnicode) {
                const size_t nul = stored.find('\0');
                const std::string_view ansi = stored.substr(0, nul);
                entry.name = nul == std::string_view::npos
                                 ? Utf8OrCp437(stored)  // a plain UTF-8 name
                                 : DecodeUnicodeName(ansi, block.data() + nameAt + nul + 1, nameLength - nul - 1);
            } else {
                entry.name = Utf8OrCp437(stored);
            }
            const uint8_t host = h.u8(15);
            const uint32_t attributes = h.u32(28);
            entry.attributes = host == 3 ? AttributesFromUnixMode(attributes)
                                         : attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrFolder | kAttrArchive);
            if ((flags & kFileDictionaryMask) == kFileDictionaryMask) entry.attributes |= kAttrFolder;
            if (!entry.folder()) entry.size = size;
            entry.packedSize = packed;
            entry.time = EntryTime::fromDos(static_cast<uint16_t>(h.u32(20) >> 16), static_cast<uint16_t>(h.u32(20)));
            entry.encrypted = (flags & kFileEncrypted) != 0;
            ctx.listing.entries.push_back(std::move(entry));
            dataSize = packed;
        } else if (flags & kLongBlock) {
            dataSize = h.u32(7);  // other blocks with data: service records, old comments
        }
        if (!ctx.source.contains(pos + headerSize, dataSize)) {
            if (type == kFileHeader) ctx.listing.note = "the archive is cut short inside its last entry";
            break;
        }
        pos += headerSize + dataSize;
    }
    return ReadResult::Listed;
}

}  // namespace qm::extract
