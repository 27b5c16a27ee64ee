// The disks behind a path and behind a source, from sysfs: a device's folder there names its
// disk (a partition's parent), the devices a device-mapper or RAID volume is built from
// (slaves/), and the file a loop device presents (loop/backing_file).
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/disk_enumeration.h"
#include "platform/posix/mount_table.h"
#include "platform/same_medium.h"
#include "platform/text.h"

namespace qm::platform {
namespace {

namespace fs = std::filesystem;

// Stacks of volumes are a few levels deep; a made-up or looping tree must still end.
constexpr int kMaxDepth = 16;
constexpr size_t kMaxDevices = 256;

struct Tree {
    fs::path sys;
    fs::path sysBlock;
    std::string mountInfo;
    std::string devFolder;
};

Tree currentTree() {
    const BlockDeviceRoots roots = blockDeviceRoots();
    return {fs::path(roots.sysBlock).parent_path(), roots.sysBlock, roots.mountInfo, roots.devFolder};
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (in) std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

fs::path canonicalOrEmpty(const fs::path& path) {
    std::error_code ec;
    fs::path real = fs::canonical(path, ec);
    return ec ? fs::path() : real;
}

std::string numberText(dev_t device) { return std::to_string(major(device)) + ":" + std::to_string(minor(device)); }

fs::path nodeOfNumber(const Tree& tree, dev_t device) {
    return canonicalOrEmpty(tree.sys / "dev" / "block" / numberText(device));
}

// "/dev/sda2", "/dev/mapper/vg-home": by device number when it is a block device here, otherwise by name.
fs::path nodeOfDevicePath(const Tree& tree, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
        if (fs::path node = nodeOfNumber(tree, st.st_rdev); !node.empty()) return node;
    }
    const fs::path real = canonicalOrEmpty(path);
    const std::string name = (real.empty() ? fs::path(path) : real).filename().string();
    return name.empty() ? fs::path() : canonicalOrEmpty(tree.sys / "class" / "block" / name);
}

// A file system's device folder. btrfs and others give their files a device number of no
// block device; the mount table still names the device they were mounted from.
fs::path nodeOfFileSystem(const Tree& tree, dev_t device) {
    if (fs::path node = nodeOfNumber(tree, device); !node.empty()) return node;
    const std::string number = numberText(device);
    for (const MountTableEntry& e : ReadMountTable(tree.mountInfo))
        if (e.number == number && e.source.rfind('/', 0) == 0) return nodeOfDevicePath(tree, e.source);
    return {};
}

// Walks from a device down to the disks it is stored on.
class DiskWalk {
public:
    DiskWalk(const Tree& tree, bool intoBackingFiles) : tree_(tree), intoBackingFiles_(intoBackingFiles) {}

    void visit(fs::path node, int depth) {
        std::error_code ec;
        if (node.empty() || depth > kMaxDepth || seen_.size() >= kMaxDevices) return;
        if (fs::exists(node / "partition", ec)) node = node.parent_path();
        if (!seen_.insert(node.string()).second) return;
        disks.push_back(fromUtf8(tree_.devFolder + "/" + node.filename().string()));
        for (const auto& slave : fs::directory_iterator(node / "slaves", ec))
            visit(canonicalOrEmpty(slave.path()), depth + 1);
        // Writing into a loop device's file system writes into its backing file, and so
        // onto whatever disk holds that file.
        if (!intoBackingFiles_) return;
        const std::string backing = firstLine(node / "loop" / "backing_file");
        struct stat st {};
        if (!backing.empty() && ::stat(backing.c_str(), &st) == 0)
            visit(nodeOfFileSystem(tree_, st.st_dev), depth + 1);
    }

    std::vector<std::wstring> disks;

private:
    const Tree& tree_;
    bool intoBackingFiles_;
    std::set<std::string> seen_;
};

}  // namespace

std::vector<std::wstring> disksHoldingPath(const std::wstring& existingPath) {
    const Tree tree = currentTree();
    struct stat st {};
    if (::stat(toUtf8(existingPath).c_str(), &st) != 0) return {};
    DiskWalk walk(tree, true);
    walk.visit(nodeOfFileSystem(tree, st.st_dev), 0);
    return walk.disks;
}

std::vector<std::wstring> disksOfSource(const SourceMedium& source) {
    const Tree tree = currentTree();
    const std::string path = toUtf8(source.path);
    struct stat st {};
    const bool known = ::stat(path.c_str(), &st) == 0;
    if (source.isDevice || (known && S_ISBLK(st.st_mode))) {
        DiskWalk walk(tree, false);
        walk.visit(nodeOfDevicePath(tree, path), 0);
        return walk.disks;
    }
    // An image file: every loop device presenting that file, whatever name it was attached by.
    std::error_code ec;
    fs::path absolute = fs::weakly_canonical(path, ec);
    if (ec) absolute = path;
    std::vector<std::wstring> loops;
    for (const auto& entry : fs::directory_iterator(tree.sysBlock, ec)) {
        const std::string backing = firstLine(entry.path() / "loop" / "backing_file");
        if (backing.empty()) continue;
        struct stat bs {};
        const bool same = known && ::stat(backing.c_str(), &bs) == 0
                              ? bs.st_dev == st.st_dev && bs.st_ino == st.st_ino
                              : fs::path(backing) == absolute;
        if (same) loops.push_back(fromUtf8(tree.devFolder + "/" + entry.path().filename().string()));
        if (loops.size() >= kMaxDevices) break;
    }
    std::sort(loops.begin(), loops.end());
    return loops;
}

}  // namespace qm::platform
