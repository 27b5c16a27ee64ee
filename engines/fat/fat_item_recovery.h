// Recovery of found files and whole folders to a destination, shared by the FAT engines:
// each engine supplies how it reads a file's data; the copy never replaces what is there.
#pragma once
#include <string>

#include "engines/fat/fat_copy_pass.h"
#include "engines/file_recovery_parse.h"

namespace qm {

// How an engine copies its found files out, with the caller's per-item progress.
struct FatItemOutput {
    RecordCopier copy;
    ItemProgressFn itemProgress = nullptr;
    void* userData = nullptr;
};

// One found file to `destination`, never over an existing file (nor, so, the source image).
// `stopAll`: the progress callback asked to stop everything.
int CopyFoundFile(const ScanRecord& record, const std::wstring& destination, const FatItemOutput& output,
                  bool& stopAll);

// A found file to `destination` (its folder made first), or a folder with everything that
// `lister` lists below it. `opened`: whether the engine has a source open.
int RecoverFoundItem(IFileRecoveryParse& lister, bool opened, const ScanRecord* record,
                     const std::wstring& destination, int baseDepth, const FatItemOutput& output);

}  // namespace qm
