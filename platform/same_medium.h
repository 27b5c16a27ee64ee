// Which disks hold a path's file system, and which disks a source is read from: what it takes
// to keep recovered files and images off the medium being recovered.
#pragma once
#include <string>
#include <vector>

namespace qm::platform {

// What a scan or an image copy reads.
struct SourceMedium {
    std::wstring path;      // a device ("/dev/sdb", "\\.\PhysicalDrive1", "\\.\E:") or an image file
    bool isDevice = false;  // a device path given as an image file counts as a device all the same
};

// The disks (as device paths: "/dev/sda", "/dev/loop3", "\\.\PhysicalDrive1") that writing into
// existingPath would change: the disk of its volume, every disk below a device-mapper or RAID
// volume, and on Linux also the disk holding a loop device's backing file. Empty when the system
// does not say (network and memory file systems, Wine).
// Linux reads the tree that blockDeviceRoots() names (sysfs is the parent of its sysBlock).
std::vector<std::wstring> disksHoldingPath(const std::wstring& existingPath);

// The disks a source occupies, in the same form: a device's own disk (and the disks below it);
// for an image file the loop devices that present that very file as a disk (Linux; Windows: none).
std::vector<std::wstring> disksOfSource(const SourceMedium& source);

}  // namespace qm::platform
