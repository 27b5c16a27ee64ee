#include "platform/posix/mount_table.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qm::platform {
namespace {

// "\040" and friends stand for blanks and other bytes in the mount table's paths.
std::string unescapeMountPath(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto octal = [&](size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '7'; };
        if (text[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>(((text[i + 1] - '0') << 6) | ((text[i + 2] - '0') << 3) | (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::vector<MountTableEntry> ReadMountTable(const std::string& mountInfoPath) {
    std::vector<MountTableEntry> entries;
    std::ifstream in(mountInfoPath);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        std::string part;
        while (fields >> part) parts.push_back(part);
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto dash = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || dash == parts.end() || dash + 1 == parts.end()) continue;
        entries.push_back({parts[2], unescapeMountPath(parts[4]), *(dash + 1), dash + 2 < parts.end() ? *(dash + 2) : ""});
    }
    return entries;
}

}  // namespace qm::platform
