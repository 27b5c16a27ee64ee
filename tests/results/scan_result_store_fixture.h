// A scan result store in a fresh temporary folder, with helpers to file records.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "results/scan_result_store.h"
#include "tests/support/test_support.h"

namespace qm::test {

// prefix + n + suffix, e.g. numbered("f", 7, ".txt") = "f7.txt".
inline std::string numbered(const char* prefix, long long n, const char* suffix = "") {
    char text[64];
    std::snprintf(text, sizeof text, "%s%lld%s", prefix, n, suffix);
    return text;
}

inline constexpr const wchar_t* kTestLogName = L"Fast_63_2027319 7";

struct RecordSpec {
    std::string name;
    bool folder = false;
    int32_t fsId = 0;
    int32_t condition = 1;
    bool keepName = false;  // file the folder's name in the folder-name file
};

class StoreTest : public ::testing::Test {
public:
    std::wstring folder() const { return dir_.file(L"ScanLog"); }
    std::wstring logPath() const { return platform::joinPath(folder(), kTestLogName); }

    int open(ScanResultStore& store) { return store.openIn(folder(), kTestLogName); }

    // Appends a record and files it under parent; returns its record number.
    static int32_t add(ScanResultStore& store, ParentKey parent, const RecordSpec& spec) {
        ScanRecord* slot = store.appendRecord();
        slot->sourceKind = kSourceFastNtfs;
        slot->isFolder = spec.folder ? 1 : 0;
        slot->condition = spec.condition;
        slot->fsId = spec.fsId;
        slot->size = spec.folder ? 0 : 1000;
        setRecordName(*slot, spec.name);
        const int32_t recordNo = store.count();
        store.addChild(parent, recordNo, spec.fsId, spec.keepName ? spec.name.c_str() : nullptr);
        return recordNo;
    }
    static int32_t addFile(ScanResultStore& store, ParentKey parent, const std::string& name, int32_t condition = 1) {
        return add(store, parent, {name, false, 0, condition, false});
    }
    static int32_t addFolder(ScanResultStore& store, ParentKey parent, const std::string& name, int32_t fsId,
                             bool keepName = true) {
        return add(store, parent, {name, true, fsId, 1, keepName});
    }

    static std::vector<std::string> namesOf(const std::vector<ScanRecord>& records) {
        std::vector<std::string> names;
        for (const auto& r : records) names.push_back(recordName(r));
        return names;
    }

protected:
    TempDir dir_;
};

}  // namespace qm::test
