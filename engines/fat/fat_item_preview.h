// Preview of a found file, shared by the FAT engines: its content in a temporary file named
// by its type, or in the caller's memory.
#pragma once
#include <cstdint>
#include <string>

#include "engines/fat/fat_copy_pass.h"
#include "engines/file_recovery_parse.h"

namespace qm {

// `memory` with `byteCount` bytes of room when given; `byteCount` comes back as the bytes put
// there. `tempPath` comes back as the temporary file, or empty when the content went to
// memory. `opened`: whether the engine has a source open.
int ExtractFoundFile(bool opened, const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                     uint64_t& byteCount, ExtractProgressFn progress, void* userData, const RecordCopier& copy);

}  // namespace qm
