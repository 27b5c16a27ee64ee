// The kernel's mount table (/proc/self/mountinfo): one entry per mount, with the device number
// it reports, where it is mounted, its file-system type and the device it was mounted from.
#pragma once
#include <string>
#include <vector>

namespace qm::platform {

struct MountTableEntry {
    std::string number;      // "8:1"
    std::string mountPoint;  // escapes such as "\040" undone
    std::string type;        // "vfat", "btrfs", ...
    std::string source;      // "/dev/sda1", or a name such as "tmpfs"
};

// The entries in table order; lines that do not parse are skipped.
std::vector<MountTableEntry> ReadMountTable(const std::string& mountInfoPath);

}  // namespace qm::platform
