// The disk list's questions answered by the running system.
#include <vector>

#include "disk/file_system_probe.h"
#include "disk/volume_file_system.h"
#include "disk/volume_list.h"
#include "disk/volume_query.h"
#include "platform/disk_enumeration.h"

namespace qm {
namespace {

VolumeEntry toEntry(const platform::MountedVolume& v) {
    VolumeEntry e;
    e.tag = v.driveLetter ? static_cast<uint16_t>(v.driveLetter) : kTagUnnumbered;
    e.diskNumber = v.diskNumber;
    e.partitionNumber = v.partitionNumber;
    e.start = v.startBytes;
    e.length = v.lengthBytes;
    e.rootPath = v.rootPath;
    e.fsType = v.partitionType;
    e.fsName = v.fsName;
    e.label = v.label;
    if (const uint8_t named = FsTypeFromName(v.fsName)) e.fsType = named;

    // Name and label from the volume's own first sectors where they can be read; the system's
    // names ("vfat", "fuseblk") say less than the boot sector does.
    std::vector<uint8_t> probe;
    if (!v.devicePath.empty() && ReadProbeFromImage(v.devicePath, probe) == 0) {
        std::wstring name, label;
        if (const uint8_t found = DescribeVolumeFileSystem(ByteView(probe.data(), probe.size()), name, label)) {
            e.fsType = found;
            e.fsName = name;
            if (e.label.empty()) e.label = label;
        }
    }
    // A disk without partitions counts as a volume only when it holds a file system.
    if (v.wholeDisk && e.fsType == kFsTypeOtherPartition) e.fsType = 0;

    if (v.spaceKnown) {
        e.totalBytes = v.totalBytes;
        e.freeBytes = v.freeBytes <= v.totalBytes ? v.freeBytes : v.totalBytes;
    } else {
        e.totalBytes = e.length;
        e.freeBytes = 0;
    }
    e.usedBytes = e.totalBytes - e.freeBytes;
    return e;
}

class SystemVolumeQuery : public IVolumeQuery {
public:
    bool CollectVolumes(std::vector<VolumeEntry>& volumes) override {
        std::vector<platform::MountedVolume> found;
        if (platform::listMountedVolumes(found) != 0) return false;
        for (const auto& v : found) volumes.push_back(toEntry(v));
        return true;
    }
    bool QueryDiskShape(int diskNumber, DiskShape& shape) override {
        platform::DiskShapeInfo info;
        if (platform::queryDiskShape(diskNumber, info) != 0) return false;
        shape.bytesPerSector = info.bytesPerSector;
        shape.sectorsPerTrack = info.sectorsPerTrack;
        shape.tracksPerCylinder = info.tracksPerCylinder;
        shape.totalSectors = info.totalSectors;
        return true;
    }
    bool IsRemovable(int diskNumber) override { return platform::isRemovableDisk(diskNumber); }
};

}  // namespace

std::unique_ptr<IVolumeQuery> CreateSystemVolumeQuery() { return std::make_unique<SystemVolumeQuery>(); }

std::string QueryDriveLetter(const std::string& deviceName) { return platform::queryDriveLetter(deviceName); }

int IsRemovableDisk(int diskNumber) { return platform::isRemovableDisk(diskNumber) ? 1 : 0; }

}  // namespace qm
