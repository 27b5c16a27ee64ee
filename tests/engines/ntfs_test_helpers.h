// Helpers of the NTFS engine tests: the expected listings beside the fixture images, a
// SHA-256 to compare recovered bytes with them, and a walk over a scanned tree.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "platform/text.h"
#include "tests/support/test_support.h"
#include "tests/support/sha256.h"

namespace qm::test {

struct ExpectedEntry {
    std::string state;  // deleted / live
    std::string path;   // '/' separated from the root
    uint64_t size = 0;
    std::string sha256;
    bool exact = false;
};

inline std::vector<ExpectedEntry> loadExpected(const std::string& image) {
    std::vector<ExpectedEntry> out;
    const auto bytes = readWholeFile(fixturePath(image + ".expected.tsv"));
    std::string text(bytes.begin(), bytes.end());
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        size_t p = 0;
        for (size_t tab; (tab = line.find('\t', p)) != std::string::npos; p = tab + 1) f.push_back(line.substr(p, tab - p));
        f.push_back(line.substr(p));
        if (f.size() != 5) continue;
        out.push_back({f[0], f[1], std::stoull(f[2]), f[3], f[4] == "1"});
    }
    return out;
}

// SHA-256 of a byte string, as lower-case hex.
inline std::string sha256Hex(const std::vector<uint8_t>& data) { return test::Sha256Hex(data); }

struct FoundItem {
    ScanRecord record;
    int level = 0;  // the level its own children are listed with (folders)
};

// Every entry below the root by path ('/' separated), listed through ListFolder.
inline std::map<std::string, FoundItem> walkTree(IFileRecoveryParse& engine) {
    std::map<std::string, FoundItem> out;
    struct Pending {
        ScanRecord folder;
        bool root;
        int level;
        std::string path;
    };
    std::vector<Pending> work{{ScanRecord{}, true, 0, ""}};
    while (!work.empty()) {
        Pending p = work.back();
        work.pop_back();
        std::vector<ScanRecord> children;
        EXPECT_EQ(0, engine.ListFolder(p.root ? nullptr : &p.folder, p.level, children));
        for (const ScanRecord& child : children) {
            const std::string path = p.path + (p.path.empty() ? "" : "/") + recordName(child);
            out[path] = {child, p.level + 1};
            if (child.isFolder && p.level < 64) work.push_back({child, false, p.level + 1, path});
        }
    }
    return out;
}

}  // namespace qm::test
