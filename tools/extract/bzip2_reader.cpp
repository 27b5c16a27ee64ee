// Bzip2 stores no name, time or size: one entry named after the archive.
#include <cstring>

#include "tools/extract/format_readers.h"

namespace qm::extract {

ReadResult ReadBzip2(ReadContext& ctx) {
    uint8_t head[10];
    if (!ctx.source.readAt(0, head, sizeof head)) return ReadResult::NotThisFormat;
    static const uint8_t kBlockMagic[6] = {0x31, 0x41, 0x59, 0x26, 0x53, 0x59};
    static const uint8_t kEndMagic[6] = {0x17, 0x72, 0x45, 0x38, 0x50, 0x90};
    if (std::memcmp(head, "BZh", 3) != 0 || head[3] < '1' || head[3] > '9' ||
        (std::memcmp(head + 4, kBlockMagic, 6) != 0 && std::memcmp(head + 4, kEndMagic, 6) != 0))
        return ReadResult::NotThisFormat;
    ctx.listing.format = "bzip2";
    static const char* const ext[] = {".tbz2", ".tbz", ".bz2", ".bz"};
    static const char* const rep[] = {".tar", ".tar", "", ""};
    ArchiveEntry member;
    member.name = NameWithoutExtension(ctx.archiveName, ext, rep, 4);
    member.packedSize = ctx.source.size();  // bzip2 records neither name, time nor size
    ctx.listing.entries.push_back(std::move(member));
    return ReadResult::Listed;
}

}  // namespace qm::extract
