// Keeps recovered files and disk images off the medium they come from: writing there would
// overwrite the very sectors that hold what is being saved.
#pragma once
#include <string>

#include "platform/same_medium.h"

namespace qm {

struct DestinationCheck {
    bool onSource = false;
    std::wstring device;  // the disk both share ("/dev/sda", "/dev/loop3", "\\.\PhysicalDrive1")
    std::wstring reason;  // a sentence for the user; empty when the destination may be used
};

// The medium of a disk number as the disk list numbers disks, and of an image file.
platform::SourceMedium DiskMedium(int diskNumber);
platform::SourceMedium ImageFileMedium(const std::wstring& path);

// Whether writing to destination (a folder or file, which need not exist yet: its nearest
// existing parent decides) would write onto the source: any disk in common refuses it, so a
// partition's files may not go to another partition of its disk either. A destination on the
// file system that merely holds an image file is fine; one on a file system mounted from
// that image is not. What the system cannot tell (network and memory file systems) is allowed.
DestinationCheck CheckDestination(const platform::SourceMedium& source, const std::wstring& destination);

}  // namespace qm
