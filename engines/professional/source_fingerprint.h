// What tells a finished deep scan's source from a changed one: the area's length and checksums
// of its first, middle and last MiB (boot sectors, tables and the file system's first
// structures live there). Kept beside the scan's logs.
#pragma once
#include <cstdint>
#include <string>

#include "disk/sector_reader.h"

namespace qm {

inline constexpr const wchar_t* kFingerprintFileName = L"Source.fingerprint";

// The fingerprint of `sectors` sectors from `first` as text; empty when the area cannot be read.
std::string SourceFingerprint(SectorReader& reader, uint64_t first, uint64_t sectors, uint32_t sectorSize);

// Writes it into the scan folder; reads it back (empty when there is none).
int SaveFingerprint(const std::wstring& folder, const std::string& fingerprint);
std::string LoadFingerprint(const std::wstring& folder);

}  // namespace qm
