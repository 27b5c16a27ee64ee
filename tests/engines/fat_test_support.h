// Helpers of the FAT engine tests: content hashes, the fixture manifest, a scanned tree as
// paths, and small hand-made volumes.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/fat/fast_fat_recovery.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

#include "tests/support/sha256.h"

namespace qm::fattest {

inline std::string Sha256Hex(const std::vector<uint8_t>& data) { return test::Sha256Hex(data); }

// One line of tests/fixtures/fat/expected.tsv.
struct ExpectedFile {
    std::string path;  // "/"-separated, as the scan lists it
    uint64_t size = 0;
    std::string sha256;
    std::string expect;  // intact, prefix, damaged, overwritten
    std::string source;  // the original in fixtures/fat/src
};

inline std::vector<ExpectedFile> LoadExpected() {
    const std::vector<uint8_t> bytes = test::readWholeFile(test::fixturePath("fat/expected.tsv"));
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<ExpectedFile> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ExpectedFile e;
        std::string size;
        std::getline(fields, e.path, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, e.sha256, '\t');
        std::getline(fields, e.expect, '\t');
        std::getline(fields, e.source, '\t');
        e.size = std::stoull(size);
        out.push_back(e);
    }
    return out;
}

// The images every fixture test runs over.
inline const std::vector<std::string>& FixtureImages() {
    static const std::vector<std::string> images = {"fat12-512.img", "fat12-64k.img", "fat16-2k.img", "fat32-512.img",
                                                    "fat32-4k-sector.img"};
    return images;
}

// An engine over an image, its logs in `logs`, scanned.
inline std::unique_ptr<CFastFatRecovery> ScanImage(const std::wstring& image, const std::wstring& logs,
                                                   int* scanResult = nullptr) {
    auto engine = std::make_unique<CFastFatRecovery>();
    engine->SetLogFolder(logs);
    const int open = engine->OpenImage(image, 'Q');
    EXPECT_EQ(0, open) << platform::toUtf8(image);
    const int rc = engine->Scan(nullptr);
    if (scanResult)
        *scanResult = rc;
    else
        EXPECT_EQ(0, rc);
    return engine;
}

struct ListedItem {
    ScanRecord record;
    int level = 0;  // the level its children are listed with
};

// Every record reachable from the root, by "/"-separated path.
inline std::map<std::string, ListedItem> ListTree(CFastFatRecovery& engine) {
    std::map<std::string, ListedItem> out;
    struct Pending {
        const ScanRecord* record;
        int level;
        std::string path;
    };
    std::vector<ScanRecord> storage;
    storage.reserve(4096);
    std::vector<Pending> queue{{nullptr, 0, ""}};
    for (size_t i = 0; i < queue.size() && i < 4096; ++i) {
        std::vector<ScanRecord> children;
        EXPECT_EQ(0, engine.ListFolder(queue[i].record, queue[i].level, children));
        for (const ScanRecord& child : children) {
            const std::string path = queue[i].path + recordName(child);
            out[path] = ListedItem{child, queue[i].level + 1};
            if (child.isFolder && storage.size() < storage.capacity()) {
                storage.push_back(child);
                queue.push_back({&storage.back(), queue[i].level + 1, path + "/"});
            }
        }
    }
    return out;
}

inline std::wstring NativePath(const std::string& slashed) {
    std::wstring out = platform::fromUtf8(slashed);
    for (auto& c : out)
        if (c == L'/') c = platform::kPathSeparator;
    return out;
}

}  // namespace qm::fattest
