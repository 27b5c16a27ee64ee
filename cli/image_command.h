#pragma once
#include "cli/options.h"

namespace qm::cli {
// "quillmere image SOURCE --to FILE.img": copies a disk, partition or gap sector by sector.
int RunImageCommand(const CliOptions& options);
}
