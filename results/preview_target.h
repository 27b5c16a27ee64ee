// Where the engines put a found file for the preview: one rule for every engine.
#pragma once
#include <string>

#include "results/scan_record.h"

namespace qm {

// The per-user scan-log folder, which also holds the preview's temporary files.
std::wstring PreviewTargetFolder();

// The temporary file name for a record: documents and archives that the preview converts keep
// the record's own name, made one safe path component; audio and video go to "tmp.avi",
// pictures to "tmp.jpg" (tested in that order); empty when the content goes to memory.
std::wstring PreviewTargetName(const ScanRecord& record);

// The folder joined with that name; empty for memory, and when the path would reach 260
// characters (what Windows' plain paths allow).
std::wstring PreviewTargetPath(const ScanRecord& record);

}  // namespace qm
