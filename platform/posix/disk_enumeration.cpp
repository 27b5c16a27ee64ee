// Disks and volumes from sysfs and the mount table.
#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/disk_enumeration.h"
#include "platform/posix/mount_table.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::platform {
namespace {

namespace fs = std::filesystem;

// Linux reports no real geometry; the conventional translation sets what "a cylinder" is
// for the gap rule (partitions aligned at 1 MiB leave less than that before the first one).
constexpr uint32_t kSectorsPerTrack = 63;
constexpr uint32_t kTracksPerCylinder = 255;
constexpr int kUsbBus = 7;
// sysfs shows that a partition exists but not its type byte.
constexpr uint8_t kUnreportedPartitionType = 0x7F;
constexpr int kSdBus = 12;

std::mutex g_rootsLock;
BlockDeviceRoots g_roots;

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (in) std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

bool readNumber(const fs::path& file, uint64_t& value) {
    const std::string text = firstLine(file);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19) return false;
    value = std::stoull(text);
    return true;
}

// The same choice and order as physicalDrivePath: sorted names, without RAM disks,
// device-mapper nodes and loop devices that have no backing file.
std::vector<std::string> wholeDisks(const std::string& sysBlock) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysBlock, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ram", 0) == 0 || name.rfind("dm-", 0) == 0 || name.rfind("zram", 0) == 0) continue;
        if (name.rfind("loop", 0) == 0 && !fs::exists(entry.path() / "loop" / "backing_file", ec)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct MountPoint {
    std::string path;
    std::string type;
};

// Device number ("8:1") to its first mount.
std::map<std::string, MountPoint> readMountTable(const std::string& mountInfo) {
    std::map<std::string, MountPoint> mounts;
    for (const MountTableEntry& e : ReadMountTable(mountInfo)) mounts.emplace(e.number, MountPoint{e.mountPoint, e.type});
    return mounts;
}

void addMountFacts(MountedVolume& v, const std::map<std::string, MountPoint>& mounts, const fs::path& sysNode) {
    const auto it = mounts.find(firstLine(sysNode / "dev"));
    if (it == mounts.end()) return;
    v.mounted = true;
    v.rootPath = fromUtf8(it->second.path);
    v.fsName = fromUtf8(it->second.type);
    struct statvfs st {};
    if (::statvfs(it->second.path.c_str(), &st) == 0) {
        v.spaceKnown = true;
        v.totalBytes = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
        v.freeBytes = static_cast<uint64_t>(st.f_bfree) * st.f_frsize;
    }
}

std::string diskName(int diskNumber, const BlockDeviceRoots& roots) {
    if (diskNumber < 0) return {};
    const auto disks = wholeDisks(roots.sysBlock);
    return static_cast<size_t>(diskNumber) < disks.size() ? disks[static_cast<size_t>(diskNumber)] : std::string();
}

int busOf(const std::string& name, const BlockDeviceRoots& roots) {
    std::error_code ec;
    const std::string real = fs::canonical(fs::path(roots.sysBlock) / name, ec).string();
    if (name.rfind("mmcblk", 0) == 0 || real.find("/mmc") != std::string::npos) return kSdBus;
    if (real.find("/usb") != std::string::npos) return kUsbBus;
    return 0;
}

}  // namespace

void setBlockDeviceRoots(const BlockDeviceRoots& roots) {
    std::lock_guard<std::mutex> lock(g_rootsLock);
    g_roots = roots;
}

BlockDeviceRoots blockDeviceRoots() {
    std::lock_guard<std::mutex> lock(g_rootsLock);
    return g_roots;
}

int listMountedVolumes(std::vector<MountedVolume>& volumes) {
    volumes.clear();
    const BlockDeviceRoots roots = blockDeviceRoots();
    std::error_code ec;
    if (!fs::is_directory(roots.sysBlock, ec)) return kErrorPathNotFound;
    const auto mounts = readMountTable(roots.mountInfo);
    const auto disks = wholeDisks(roots.sysBlock);
    for (size_t n = 0; n < disks.size(); ++n) {
        const fs::path diskNode = fs::path(roots.sysBlock) / disks[n];
        std::vector<std::string> partitions;
        for (const auto& entry : fs::directory_iterator(diskNode, ec)) {
            if (fs::exists(entry.path() / "partition", ec)) partitions.push_back(entry.path().filename().string());
        }
        std::sort(partitions.begin(), partitions.end());
        for (const std::string& name : partitions) {
            const fs::path node = diskNode / name;
            uint64_t start = 0, size = 0, number = 0;
            if (!readNumber(node / "start", start) || !readNumber(node / "size", size)) continue;
            if (size <= 2) continue;  // an extended partition's container, not a volume
            MountedVolume v;
            v.diskNumber = static_cast<int>(n);
            v.partitionNumber = readNumber(node / "partition", number) ? static_cast<int>(number) : -1;
            v.partitionType = kUnreportedPartitionType;
            // sysfs counts in 512-byte units whatever the logical sector size.
            v.startBytes = start * 512;
            v.lengthBytes = size * 512;
            v.devicePath = fromUtf8(roots.devFolder + "/" + name);
            addMountFacts(v, mounts, node);
            volumes.push_back(std::move(v));
        }
        if (partitions.empty()) {
            uint64_t size = 0;
            if (!readNumber(diskNode / "size", size) || size == 0) continue;
            MountedVolume v;
            v.diskNumber = static_cast<int>(n);
            v.wholeDisk = true;
            v.lengthBytes = size * 512;
            v.devicePath = fromUtf8(roots.devFolder + "/" + disks[n]);
            addMountFacts(v, mounts, diskNode);
            volumes.push_back(std::move(v));
        }
    }
    return 0;
}

int queryDiskShape(int diskNumber, DiskShapeInfo& shape) {
    shape = DiskShapeInfo{};
    const BlockDeviceRoots roots = blockDeviceRoots();
    const std::string name = diskName(diskNumber, roots);
    if (name.empty()) return kErrorFileNotFound;
    const fs::path node = fs::path(roots.sysBlock) / name;
    uint64_t size = 0, blockSize = 0;
    if (!readNumber(node / "size", size)) return kErrorFileNotFound;
    if (size == 0) return kErrorNotReady;  // a card reader without a card
    if (!readNumber(node / "queue" / "logical_block_size", blockSize) || blockSize == 0 || blockSize % 512 != 0 ||
        blockSize > 65536)
        blockSize = 512;
    shape.bytesPerSector = static_cast<uint32_t>(blockSize);
    shape.sectorsPerTrack = kSectorsPerTrack;
    shape.tracksPerCylinder = kTracksPerCylinder;
    shape.totalSectors = size * 512 / blockSize;
    return 0;
}

bool isRemovableDisk(int diskNumber) {
    const BlockDeviceRoots roots = blockDeviceRoots();
    const std::string name = diskName(diskNumber, roots);
    if (name.empty()) return false;
    if (firstLine(fs::path(roots.sysBlock) / name / "removable") == "1") return true;
    const int bus = busOf(name, roots);
    return bus == kUsbBus || bus == kSdBus;
}

std::string queryDriveLetter(const std::string&) { return {}; }

}  // namespace qm::platform
