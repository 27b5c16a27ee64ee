// Names of scan logs: prefix, first sector of the partition (0 for an image file), then the
// local time as year, month, day, hour (no padding) and the minute padded to 2 with a blank.
#pragma once
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace qm {

inline constexpr const wchar_t* kFastLogPrefix = L"Fast_";           // fast FAT and NTFS engines
inline constexpr const wchar_t* kProFatLogPrefix = L"Pro_Fat_";
inline constexpr const wchar_t* kProNtfsLogPrefix = L"Pro_Ntfs_";
inline constexpr const wchar_t* kProExFatLogPrefix = L"Pro_ExFat_";
inline constexpr const wchar_t* kFileTypeLogPrefix = L"File_Type_";  // carving

std::wstring scanLogName(const std::wstring& prefix, uint64_t firstSector, const platform::LocalTime& time);
// The same at the current local time.
std::wstring scanLogNameNow(const std::wstring& prefix, uint64_t firstSector);

}  // namespace qm
