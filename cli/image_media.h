// A whole-disk image file listed as a disk: its partitions and gaps, as `media` lists a disk's.
#pragma once
#include <string>

#include "cli/options.h"
#include "disk/image_layout.h"

namespace qm::cli {

// `media IMAGE [--json]`: 0, or 1 when the image cannot be read.
int RunImageMediaCommand(const CliOptions& options);

// The entry lines of a whole-disk image ("  card.img:1  tag 1  FAT32 ..."), as `media` prints
// a disk's; used by `probe` too.
void PrintImageEntries(const std::string& image, const ImageLayout& layout);

class JsonWriter;
// One entry of `media --json` (a disk's or a disk image's): its id, kind and tag as given,
// the rest from the entry.
void WriteMediaEntryJson(JsonWriter& json, const std::string& id, const char* kind, const std::string& tag,
                         const VolumeEntry& e);

// "MBR" or "GPT"; "none" for a volume image.
const char* SchemeName(PartitionScheme scheme);

}  // namespace qm::cli
