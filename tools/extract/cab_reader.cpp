// Cabinet listing: the file records that follow the cabinet header.
#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {
constexpr uint16_t kNameIsUtf8 = 0x80;
constexpr size_t kMaxName = 256;
}  // namespace

ReadResult ReadCab(ReadContext& ctx) {
    uint8_t header[36];
    if (!ctx.source.readAt(0, header, sizeof header)) return ReadResult::NotThisFormat;
    const ByteView h(header, sizeof header);
    if (h.u32(0) != 0x4643534D || h.u32(4) != 0 || h.u8(25) != 1) return ReadResult::NotThisFormat;  // "MSCF", 1.x
    ctx.listing.format = "cab";
    const uint32_t firstFile = h.u32(16);
    const uint16_t count = h.u16(28);
    SourceCursor cursor(ctx.source, firstFile);
    uint8_t record[16];
    char name[kMaxName + 1];
    for (uint16_t i = 0; i < count; ++i) {
        if (!cursor.read(record, sizeof record)) {
            ctx.listing.note = "the cabinet ends inside its file list";
            break;
        }
        // The name runs to a NUL within 256 bytes.
        size_t length = 0;
        bool terminated = false;
        while (length <= kMaxName && cursor.read(name + length, 1)) {
            if (name[length] == 0) {
                terminated = true;
                break;
            }
            ++length;
        }
        if (!terminated) {
            ctx.listing.note = "a cabinet file name is damaged";
            break;
        }
        const ByteView r(record, sizeof record);
        const uint16_t attributes = r.u16(14);
        ArchiveEntry entry;
        const std::string_view raw(name, length);
        entry.name = (attributes & kNameIsUtf8) ? std::string(raw) : Utf8OrCp437(raw);
        entry.size = r.u32(0);
        entry.time = EntryTime::fromDos(r.u16(10), r.u16(12));
        entry.attributes = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
        ctx.listing.entries.push_back(std::move(entry));
    }
    return ReadResult::Listed;
}

}  // namespace qm::extract
