// The system's catalogue of disks and mounted volumes, as plain facts for the disk list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::platform {

struct MountedVolume {
    wchar_t driveLetter = 0;  // 0 when the volume has none (always on Linux)
    int diskNumber = -1;      // as physicalDrivePath numbers disks; -1 when unknown
    int partitionNumber = -1;
    uint8_t partitionType = 0;  // the type byte the disk reports; Linux: 0x7F for every partition
    bool wholeDisk = false;     // a disk without partitions, listed in case it holds a file system
    bool mounted = false;
    uint64_t startBytes = 0;
    uint64_t lengthBytes = 0;
    bool spaceKnown = false;  // totalBytes and freeBytes come from the mounted file system
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0;
    std::wstring fsName;      // as the system names it ("NTFS", "vfat", ...); may be empty
    std::wstring label;
    std::wstring rootPath;    // Windows: the volume GUID path ending with "\"; Linux: the mount point
    std::wstring devicePath;  // what opens the volume's own sectors for reading
};

struct DiskShapeInfo {
    uint32_t bytesPerSector = 0;
    uint32_t sectorsPerTrack = 0;
    uint32_t tracksPerCylinder = 0;
    uint64_t totalSectors = 0;
};

// 0, or the error that kept the volume catalogue from opening (nothing listed then).
int listMountedVolumes(std::vector<MountedVolume>& volumes);
// 0, or the error of opening the disk or reading its geometry.
int queryDiskShape(int diskNumber, DiskShapeInfo& shape);
bool isRemovableDisk(int diskNumber);
// "C:" for a volume device name such as "\Device\HarddiskVolume2"; empty when it has no letter.
std::string queryDriveLetter(const std::string& deviceName);

// Linux: where block devices are described. Tests point these at a made-up tree; Windows ignores them.
struct BlockDeviceRoots {
    std::string sysBlock = "/sys/block";
    std::string mountInfo = "/proc/self/mountinfo";
    std::string devFolder = "/dev";
};
void setBlockDeviceRoots(const BlockDeviceRoots& roots);
BlockDeviceRoots blockDeviceRoots();

}  // namespace qm::platform
