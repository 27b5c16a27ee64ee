// "quillmere media": the machine's disks, partitions and gaps; and the disk names
// (disk1, disk1:2, a drive letter on Windows) that scan, list, recover and image accept.
#pragma once
#include <cstdint>
#include <string>

#include "cli/options.h"

namespace qm::cli {

struct MediaSource {
    int diskNumber = 0;
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;  // 0 for a whole disk: all of it
    uint16_t tag = 0;          // the list's tag: drive letter or position
    bool wholeDisk = false;
};

// True when text has the form of a disk name ("disk3", "disk3:2", and on Windows "E:" or "E")
// and no file of that name exists ("E:" is always the volume), so names and files cannot be confused.
// The reason a path cannot be a source without opening it (a pipe or socket would make the
// program wait forever), or empty.
std::string SourceKindProblem(const std::string& path);

bool LooksLikeMediaName(const std::string& text);
// Finds a disk name in the current disk list; false with the reason in error.
bool ResolveMediaSource(const std::string& text, MediaSource& source, std::string& error);

int RunMediaCommand(const CliOptions& options);

}  // namespace qm::cli
