// Names and flushing of raw devices.
#pragma once
#include <string>

namespace qm::platform {

// "\\.\PhysicalDrive<n>" on Windows; on Linux the n-th whole disk (sysfs order), or an
// empty string when there is none.
std::wstring physicalDrivePath(int diskNumber);
// "\\.\<letter>:" on Windows; empty on Linux, which has no drive letters.
std::wstring volumePath(wchar_t driveLetter);
// Makes what the system caches for a mounted volume reach its disk. Best effort.
void flushVolume(wchar_t driveLetter);

}  // namespace qm::platform
