// ISO 9660 listing: the directory tree from the root record, through the Joliet descriptor
// (UCS-2 names) when there is one, else the primary one.
#include <algorithm>
#include <set>
#include <utility>

#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr uint64_t kSector = 2048;
constexpr uint64_t kFirstDescriptor = 16;
constexpr int kMaxDescriptors = 64;
constexpr size_t kMaxDepth = 64;
constexpr uint32_t kMaxDirectoryBytes = 16u << 20;

struct Folder {
    uint32_t extent;
    uint32_t length;
    std::string path;  // with a trailing "/" unless it is the root
    size_t depth;
};

EntryTime TimeOf(ByteView r) {
    EntryTime t;
    const int month = r.u8(19), day = r.u8(20), hour = r.u8(21), minute = r.u8(22), second = r.u8(23);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return t;
    t.year = static_cast<uint16_t>(1900 + r.u8(18));
    t.month = static_cast<uint8_t>(month);
    t.day = static_cast<uint8_t>(day);
    t.hour = static_cast<uint8_t>(hour);
    t.minute = static_cast<uint8_t>(minute);
    t.second = static_cast<uint8_t>(second);
    return t;
}

std::string NameOf(ByteView r, bool joliet) {
    const size_t length = r.u8(32);
    if (!r.has(33, length)) return {};
    std::string name = joliet ? Utf8FromUtf16(r.data() + 33, length / 2, true)
                              : Utf8OrCp437(std::string_view(reinterpret_cast<const char*>(r.data() + 33), length));
    if (const size_t semicolon = name.rfind(';'); semicolon != std::string::npos) name.resize(semicolon);
    if (!joliet && !name.empty() && name.back() == '.') name.pop_back();  // "README." has no extension
    return name;
}

// Yields the root record of the descriptor to use: Joliet when present, else primary.
bool FindRoot(ByteSource& source, uint8_t root[34], bool& joliet) {
    bool havePrimary = false;
    joliet = false;
    uint8_t d[kSector];
    for (int i = 0; i < kMaxDescriptors; ++i) {
        if (!source.readAt((kFirstDescriptor + i) * kSector, d, kSector)) break;
        if (std::string_view(reinterpret_cast<const char*>(d + 1), 5) != "CD001") break;
        const uint8_t type = d[0];
        if (type == 255) break;
        const bool isJoliet = type == 2 && d[88] == '%' && d[89] == '/' && (d[90] == '@' || d[90] == 'C' || d[90] == 'E');
        if ((type == 1 && !havePrimary && !joliet) || isJoliet) {
            std::copy(d + 156, d + 190, root);
            havePrimary = true;
            joliet = isJoliet;
            if (isJoliet) break;
        }
    }
    return havePrimary;
}

}  // namespace

ReadResult ReadIso9660(ReadContext& ctx) {
    uint8_t root[34];
    bool joliet = false;
    if (!FindRoot(ctx.source, root, joliet)) return ReadResult::NotThisFormat;
    ctx.listing.format = joliet ? "iso9660 (Joliet)" : "iso9660";
    const ByteView rootRecord(root, sizeof root);

    std::vector<Folder> pending{{rootRecord.u32(2), rootRecord.u32(10), "", 0}};
    std::set<uint32_t> visited;  // directory extents already walked: a loop ends here
    std::vector<uint8_t> bytes;
    while (!pending.empty() && ctx.listing.entries.size() < kMaxEntries) {
        const Folder folder = std::move(pending.back());
        pending.pop_back();
        if (!visited.insert(folder.extent).second) {
            ctx.listing.note = "a directory appears twice in the tree (a loop); it is listed once";
            continue;
        }
        const uint32_t length = std::min(folder.length, kMaxDirectoryBytes);
        if (!ctx.source.readBlock(uint64_t(folder.extent) * kSector, length, bytes)) {
            ctx.listing.note = "a directory lies outside the image";
            continue;
        }
        std::vector<Folder> children;
        bool moreExtents = false;
        for (size_t pos = 0; pos < bytes.size() && ctx.listing.entries.size() < kMaxEntries;) {
            const uint8_t recordLength = bytes[pos];
            if (recordLength == 0) {  // records never cross a sector: go on at the next one
                pos = (pos / kSector + 1) * kSector;
                continue;
            }
            if (recordLength < 34 || pos + recordLength > bytes.size()) break;
            const ByteView r(bytes.data() + pos, recordLength);
            pos += recordLength;
            const uint8_t nameLength = r.u8(32);
            if (nameLength == 1 && (r.u8(33) == 0 || r.u8(33) == 1)) continue;  // "." and ".."
            const uint8_t flags = r.u8(25);
            const std::string name = NameOf(r, joliet);
            auto& entries = ctx.listing.entries;
            // A file larger than 4 GiB comes in several records of the same name.
            if (moreExtents && !(flags & 0x02) && entries.back().name == folder.path + name) {
                *entries.back().size += r.u32(10);
                moreExtents = (flags & 0x80) != 0;
                continue;
            }
            ArchiveEntry entry;
            entry.name = folder.path + name;
            entry.time = TimeOf(r);
            entry.attributes = (flags & 0x01) ? uint32_t{kAttrHidden} : 0u;
            moreExtents = false;
            if (flags & 0x02) {
                entry.attributes |= kAttrFolder;
                if (folder.depth + 1 < kMaxDepth) children.push_back({r.u32(2), r.u32(10), entry.name + "/", folder.depth + 1});
            } else {
                entry.size = r.u32(10);
                moreExtents = (flags & 0x80) != 0;
            }
            entries.push_back(std::move(entry));
        }
        // Reversed so the stack walks children in the directory's own order.
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return ReadResult::Listed;
}

}  // namespace qm::extract
