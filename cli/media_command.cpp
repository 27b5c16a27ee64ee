#include "cli/media_command.h"

#include "cli/failure_report.h"
#include "platform/errors.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <vector>

#include "cli/image_media.h"
#include "cli/json_writer.h"
#include "disk/format_text.h"
#include "disk/image_layout.h"
#include "disk/volume_list.h"
#include "platform/device.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace qm::cli {
namespace {

std::string utf8(const std::wstring& text) { return platform::toUtf8(text); }

// "disk<N>" or "disk<N>:<K>"; K is 0 for the whole disk.
bool parseDiskName(const std::string& text, int& disk, int& index) {
    if (text.size() < 5 || text.compare(0, 4, "disk") != 0) return false;
    size_t i = 4;
    auto number = [&](int& out) {
        const size_t from = i;
        long value = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - from < 6)
            value = value * 10 + (text[i++] - '0');
        out = static_cast<int>(value);
        return i > from;
    };
    index = 0;
    if (!number(disk)) return false;
    if (i == text.size()) return true;
    if (text[i] != ':') return false;
    ++i;
    return number(index) && index > 0 && i == text.size();
}

#ifdef _WIN32
bool parseDriveLetter(const std::string& text, char& letter) {
    if (text.empty() || text.size() > 2 || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    if (text.size() == 2 && text[1] != ':') return false;
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return true;
}
#endif

std::string tagText(const VolumeEntry& e) {
    if (HasDriveLetter(e)) return std::string(1, static_cast<char>(e.tag)) + ":";
    return std::to_string(e.tag);
}

const char* kindOf(const VolumeEntry& e, bool onlyEntryOfBareDisk) {
    if (e.fsType != 0) return "partition";
    return onlyEntryOfBareDisk ? "disk" : "gap";
}

struct DiskView {
    std::vector<VolumeEntry> entries;
    DiskShape shape;
    bool shapeKnown = false;
    bool removable = false;
};

std::map<int, DiskView> collect(int& refreshResult) {
    VolumeList list;
    refreshResult = list.Refresh();
    std::vector<VolumeEntry> entries;
    list.CopyAll(entries);
    ReadTablesOfBareDisks(entries);
    std::map<int, DiskView> disks;
    for (const VolumeEntry& e : entries) disks[e.diskNumber].entries.push_back(e);
    auto query = CreateSystemVolumeQuery();
    for (auto& [number, view] : disks) {
        view.shapeKnown = query->QueryDiskShape(number, view.shape);
        view.removable = list.IsRemovableDisk(number) != 0;
    }
    return disks;
}

bool isBareDisk(const DiskView& view) {
    return view.entries.size() == 1 && view.entries[0].fsType == 0 && view.entries[0].start == 0;
}

}  // namespace

bool LooksLikeMediaName(const std::string& text) {
#ifdef _WIN32
    // "E:" also names the current folder of drive E, so it always means the volume here.
    char letter = 0;
    if (parseDriveLetter(text, letter)) return text.size() == 2 || !platform::pathExists(platform::fromUtf8(text));
#endif
    int disk = 0, index = 0;
    return parseDiskName(text, disk, index) && !platform::pathExists(platform::fromUtf8(text));
}

bool ResolveMediaSource(const std::string& text, MediaSource& source, std::string& error) {
    source = MediaSource{};
    int refreshed = 0;
    const auto disks = collect(refreshed);
    int diskNumber = 0, index = 0;
    if (parseDiskName(text, diskNumber, index)) {
        const auto it = disks.find(diskNumber);
        if (index == 0) {
            // A whole disk needs no entry in the list: a disk that opens will do.
            if (platform::physicalDrivePath(diskNumber).empty() && it == disks.end()) {
                error = "there is no " + text + " (see 'quillmere media')";
                return false;
            }
            source.diskNumber = diskNumber;
            source.wholeDisk = true;
            source.tag = it != disks.end() && !it->second.entries.empty() ? it->second.entries[0].tag : 1;
            return true;
        }
        if (it == disks.end() || static_cast<size_t>(index) > it->second.entries.size()) {
            error = "there is no " + text + " (see 'quillmere media')";
            return false;
        }
        const VolumeEntry& e = it->second.entries[static_cast<size_t>(index) - 1];
        if (e.length == 0) {
            // A count of 0 would stand for the whole disk further on.
            error = "the system does not tell where " + text + " lies on its disk";
            return false;
        }
        source.diskNumber = e.diskNumber;
        source.firstSector = e.start;
        source.sectorCount = e.length;
        source.tag = e.tag;
        return true;
    }
#ifdef _WIN32
    char letter = 0;
    if (parseDriveLetter(text, letter)) {
        for (const auto& [number, view] : disks)
            for (const VolumeEntry& e : view.entries)
                if (e.tag == static_cast<uint16_t>(letter)) {
                    if (e.length == 0) {
                        error = std::string("the system does not tell where ") + letter + ": lies on its disk";
                        return false;
                    }
                    source.diskNumber = e.diskNumber;
                    source.firstSector = e.start;
                    source.sectorCount = e.length;
                    source.tag = e.tag;
                    return true;
                }
        error = std::string("no volume has the drive letter ") + letter + ": on a disk this program can read";
        return false;
    }
#endif
    error = refreshed ? "'" + text + "' is not a disk name" : "the system's list of disks cannot be read";
    return false;
}

int RunMediaCommand(const CliOptions& options) {
    if (!options.source.empty()) return RunImageMediaCommand(options);
    int refreshed = 0;
    const auto disks = collect(refreshed);
    if (!refreshed) {
        return ReportFailure(options, 1, kErrorNotReady, "the system's list of disks cannot be read");
    }
    if (options.json) {
        JsonWriter json;
        json.beginObject();
        json.key("disks").beginArray();
        for (const auto& [number, view] : disks) {
            json.beginObject();
            json.key("id").string("disk" + std::to_string(number));
            json.key("disk").number(number);
            json.key("device").string(utf8(platform::physicalDrivePath(number)));
            json.key("removable").boolean(view.removable);
            if (view.shapeKnown) {
                json.key("sectorSize").unsignedNumber(view.shape.bytesPerSector);
                json.key("sectors").unsignedNumber(view.shape.totalSectors);
            } else {
                json.key("sectorSize").null();
                json.key("sectors").null();
            }
            json.key("entries").beginArray();
            for (size_t i = 0; i < view.entries.size(); ++i) {
                const VolumeEntry& e = view.entries[i];
                WriteMediaEntryJson(json, "disk" + std::to_string(number) + ":" + std::to_string(i + 1),
                                    kindOf(e, isBareDisk(view)), tagText(e), e);
            }
            json.endArray();
            json.endObject();
        }
        json.endArray();
        json.endObject();
        std::printf("%s\n", json.text().c_str());
        return 0;
    }
    if (disks.empty()) std::printf("no disks found\n");
    for (const auto& [number, view] : disks) {
        std::string size = view.shapeKnown
                               ? utf8(FormatSize(view.shape.totalSectors * view.shape.bytesPerSector)) + ", " +
                                     std::to_string(view.shape.bytesPerSector) + "-byte sectors"
                               : "size unknown";
        std::printf("disk%d  %s  %s%s\n", number, utf8(platform::physicalDrivePath(number)).c_str(), size.c_str(),
                    view.removable ? ", removable" : "");
        for (size_t i = 0; i < view.entries.size(); ++i) {
            const VolumeEntry& e = view.entries[i];
            const std::string id = "disk" + std::to_string(number) + ":" + std::to_string(i + 1);
            std::string what = kindOf(e, isBareDisk(view));
            if (e.fsType != 0) what = e.fsName.empty() ? "unknown" : utf8(e.fsName);
            std::string line = "  " + id + "  tag " + tagText(e) + "  " + what;
            if (!e.label.empty()) line += "  \"" + utf8(e.label) + "\"";
            line += "  " + utf8(FormatSize(e.totalBytes));
            if (e.fsType != 0 && e.freeBytes != 0) line += " (" + utf8(FormatSize(e.freeBytes)) + " free)";
            line += "  sectors " + std::to_string(e.start) + "+" + std::to_string(e.length);
            if (!e.rootPath.empty()) line += "  " + utf8(e.rootPath);
            std::printf("%s\n", line.c_str());
        }
    }
    return 0;
}

std::string SourceKindProblem(const std::string& path) {
    if (platform::isStreamNode(platform::fromUtf8(path)))
        return "it is a pipe or socket, not a disk, a partition or an image file";
    return {};
}

}  // namespace qm::cli
