// Copying a found NTFS file or folder out, and reading a file for preview. Both NTFS engines
// share this; each supplies how a record's content is read back.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "engines/file_recovery_parse.h"
#include "results/scan_record.h"

namespace qm {

using NtfsContentSink = std::function<int(const uint8_t*, size_t)>;
// Reads a found file's content and hands it on in pieces; fromRuns tells non-resident data
// (only that is read long enough to report progress on).
using NtfsContentReader = std::function<int(const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns)>;

// Folder trees deeper than this are damage.
inline constexpr int kNtfsMaxRecoverDepth = 1024;

// Writes one file to `path`, creating its folder. An existing file is never written over
// (kErrorFileExists). Progress goes to `progress` for `path`; every file ends with one report
// of 100 carrying its error, unless the user stopped the copy.
int copyNtfsFileOut(const ScanRecord& record, const std::wstring& path, ItemProgressFn progress, void* userData,
                    const NtfsContentReader& read);

// RecoverItem of an NTFS engine: a file to `destination`, or a folder with everything below
// it (listed through `engine`), stopping only when the user cancels.
int recoverNtfsItem(IFileRecoveryParse& engine, const ScanRecord* record, const std::wstring& destination,
                    int baseDepth, ItemProgressFn progress, void* userData, const NtfsContentReader& read);

// ExtractItem of an NTFS engine: previewable types to a file in the scan-log folder (tempPath),
// anything else into `memory` up to byteCount bytes.
int extractNtfsItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData, const NtfsContentReader& read);

}  // namespace qm
