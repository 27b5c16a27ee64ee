// The printed listing. The preview shows it from the first line of 19 dashes on.
#include <cstdio>

#include "tools/extract/archive_lister.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr const char* kRule = "------------------- ----- ------------ ------------  ------------------------\n";

std::string Row(const char* time, const char* attributes, const std::string& size, const std::string& packed,
                const std::string& name) {
    char line[64];
    std::snprintf(line, sizeof line, "%-19s %-5s %12s %12s  ", time, attributes, size.c_str(), packed.c_str());
    return line + name + "\n";
}

std::string TimeText(const EntryTime& t) {
    if (!t.known()) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::string AttributeText(uint32_t a) {
    std::string text = ".....";
    if (a & kAttrFolder) text[0] = 'D';
    if (a & kAttrReadOnly) text[1] = 'R';
    if (a & kAttrHidden) text[2] = 'H';
    if (a & kAttrSystem) text[3] = 'S';
    if (a & kAttrArchive) text[4] = 'A';
    return text;
}

std::string SizeText(const std::optional<uint64_t>& size) { return size ? std::to_string(*size) : std::string(); }

}  // namespace

std::string FormatListingTable(const ArchiveListing& listing, const std::string& archiveName) {
    std::string out = "Archive: " + PrintableName(archiveName) + "\n";
    out += "Format: " + listing.format + ", " + std::to_string(listing.entries.size()) + " entries\n";
    if (!listing.note.empty()) out += "Note: " + listing.note + "\n";
    out += "\n   Date      Time    Attr         Size   Compressed  Name\n";
    out += kRule;
    uint64_t size = 0, packed = 0;
    bool anySize = false, anyPacked = false;
    size_t files = 0, folders = 0;
    for (const ArchiveEntry& e : listing.entries) {
        std::string name = PrintableName(e.name);
        if (e.encrypted) name += " *";
        out += Row(TimeText(e.time).c_str(), AttributeText(e.attributes).c_str(), SizeText(e.size),
                   SizeText(e.packedSize), name);
        if (e.size) size += *e.size, anySize = true;
        if (e.packedSize) packed += *e.packedSize, anyPacked = true;
        ++(e.folder() ? folders : files);
    }
    out += kRule;
    out += Row("", "", anySize ? std::to_string(size) : std::string(), anyPacked ? std::to_string(packed) : std::string(),
               std::to_string(files) + " files, " + std::to_string(folders) + " folders");
    return out;
}

}  // namespace qm::extract
