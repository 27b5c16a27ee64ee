#include "disk/destination_check.h"

#include <algorithm>
#include <filesystem>

#include "platform/device.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// Recovery creates the destination folder tree, so what exists of it decides where it lands.
std::wstring nearestExisting(const std::wstring& destination) {
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(destination), ec);
    if (ec) return {};
    // Each step drops one component, so the walk ends at the root at the latest.
    while (!path.empty()) {
        if (fs::exists(path, ec)) return path.wstring();
        const fs::path parent = path.parent_path();
        if (parent == path) break;
        path = parent;
    }
    return {};
}

}  // namespace

platform::SourceMedium DiskMedium(int diskNumber) { return {platform::physicalDrivePath(diskNumber), true}; }

platform::SourceMedium ImageFileMedium(const std::wstring& path) { return {path, false}; }

DestinationCheck CheckDestination(const platform::SourceMedium& source, const std::wstring& destination) {
    DestinationCheck check;
    if (source.path.empty()) return check;
    const std::vector<std::wstring> sourceDisks = platform::disksOfSource(source);
    if (sourceDisks.empty()) return check;
    const std::wstring existing = nearestExisting(destination);
    if (existing.empty()) return check;
    for (const std::wstring& disk : platform::disksHoldingPath(existing)) {
        if (std::find(sourceDisks.begin(), sourceDisks.end(), disk) == sourceDisks.end()) continue;
        check.onSource = true;
        check.device = disk;
        check.reason = L"the destination " + destination + L" lies on the medium being recovered (" + disk +
                       L"); choose a folder on another disk";
        break;
    }
    return check;
}

}  // namespace qm
