#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/text.h"

namespace qm::platform {
namespace {

// Whole disks in a stable order: the names under /sys/block that have a device, leaving out
// loop devices without a backing file, RAM disks and device-mapper nodes.
std::vector<std::string> wholeDisks() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ram", 0) == 0 || name.rfind("dm-", 0) == 0 || name.rfind("zram", 0) == 0) continue;
        if (name.rfind("loop", 0) == 0 && !std::filesystem::exists(entry.path() / "loop" / "backing_file", ec))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::wstring physicalDrivePath(int diskNumber) {
    if (diskNumber < 0) return {};
    const auto disks = wholeDisks();
    if (static_cast<size_t>(diskNumber) >= disks.size()) return {};
    return fromUtf8("/dev/" + disks[static_cast<size_t>(diskNumber)]);
}

std::wstring volumePath(wchar_t) { return {}; }

void flushVolume(wchar_t) {
    // Linux has no drive letters; flushing every mounted file system covers the partition's.
    ::sync();
}

}  // namespace qm::platform
