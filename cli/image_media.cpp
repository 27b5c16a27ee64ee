#include "cli/image_media.h"

#include "cli/failure_report.h"

#include <cstdio>

#include "cli/json_writer.h"
#include "disk/format_text.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::cli {
namespace {

std::string utf8(const std::wstring& text) { return platform::toUtf8(text); }

const char* kindOf(const VolumeEntry& e) { return e.partitionNumber >= 0 ? "partition" : "gap"; }

}  // namespace

void WriteMediaEntryJson(JsonWriter& json, const std::string& id, const char* kind, const std::string& tag,
                         const VolumeEntry& e) {
    json.beginObject();
    json.key("id").string(id);
    json.key("kind").string(kind);
    json.key("tag").string(tag);
    json.key("fileSystem").string(utf8(e.fsName));
    json.key("fsType").number(e.fsType);
    json.key("label").string(utf8(e.label));
    json.key("partitionNumber").number(e.partitionNumber);
    json.key("firstSector").unsignedNumber(e.start);
    json.key("sectorCount").unsignedNumber(e.length);
    json.key("totalBytes").unsignedNumber(e.totalBytes);
    json.key("usedBytes").unsignedNumber(e.usedBytes);
    json.key("freeBytes").unsignedNumber(e.freeBytes);
    json.key("root").string(utf8(e.rootPath));
    json.endObject();
}

const char* SchemeName(PartitionScheme scheme) {
    switch (scheme) {
        case PartitionScheme::Mbr: return "MBR";
        case PartitionScheme::Gpt: return "GPT";
        case PartitionScheme::None: break;
    }
    return "none";
}

void PrintImageEntries(const std::string& image, const ImageLayout& layout) {
    for (size_t i = 0; i < layout.entries.size(); ++i) {
        const VolumeEntry& e = layout.entries[i];
        std::string line = "  " + image + ":" + std::to_string(i + 1) + "  tag " + std::to_string(e.tag) + "  ";
        line += e.partitionNumber >= 0 ? (e.fsName.empty() ? "unknown" : utf8(e.fsName)) : "gap";
        if (!e.label.empty()) line += "  \"" + utf8(e.label) + "\"";
        line += "  " + utf8(FormatSize(e.totalBytes));
        line += "  sectors " + std::to_string(e.start) + "+" + std::to_string(e.length);
        std::printf("%s\n", line.c_str());
    }
    for (const std::string& problem : layout.table.problems) std::printf("  note: %s\n", problem.c_str());
}

int RunImageMediaCommand(const CliOptions& options) {
    const std::wstring path = platform::fromUtf8(options.source);
    ImageLayout layout;
    if (int rc = ReadImageLayout(path, layout); rc != 0) {
        return ReportFailure(options, 1, rc, "cannot open " + options.source + ": " + utf8(platform::errorMessage(rc)));
    }
    const uint32_t sectorSize = layout.table.sectorSize;
    if (options.json) {
        JsonWriter json;
        json.beginObject();
        json.key("disks").beginArray();
        json.beginObject();
        json.key("id").string(options.source);
        json.key("disk").null();
        json.key("device").string(options.source);
        json.key("removable").boolean(false);
        json.key("sectorSize").unsignedNumber(sectorSize);
        json.key("sectors").unsignedNumber(layout.bytes / sectorSize);
        json.key("partitionTable").string(SchemeName(layout.table.scheme));
        json.key("entries").beginArray();
        for (size_t i = 0; i < layout.entries.size(); ++i) {
            const VolumeEntry& e = layout.entries[i];
            WriteMediaEntryJson(json, options.source + ":" + std::to_string(i + 1), kindOf(e), std::to_string(e.tag), e);
        }
        json.endArray();
        json.key("problems").beginArray();
        for (const std::string& problem : layout.table.problems) json.string(problem);
        json.endArray();
        json.endObject();
        json.endArray();
        json.endObject();
        std::printf("%s\n", json.text().c_str());
        return 0;
    }
    std::printf("%s  %s, %u-byte sectors, %s\n", options.source.c_str(), utf8(FormatSize(layout.bytes)).c_str(),
                sectorSize,
                layout.IsDisk() ? (std::string(SchemeName(layout.table.scheme)) + " partition table").c_str()
                                : "no partition table (a volume image: scan it whole)");
    PrintImageEntries(options.source, layout);
    return 0;
}

}  // namespace qm::cli
