// The deep-scan NTFS engine fed every sector of real volumes made by mkntfs and ntfs-3g:
// quick-formatted again (same and another cluster size) and moved inside a larger image.
#include <gtest/gtest.h>

#include <memory>

#include "platform/folders.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/engines/prontfs_test_support.h"

namespace qm::test {
namespace {

constexpr const char* kSource = "ntfs-512-c4k";

struct Scan {
    TempDir dir;
    CProfessionalNtfsRecovery engine;
    std::map<std::string, FoundItem> tree;
    std::wstring image;

    explicit Scan(const std::string& name) : Scan(fixturePath(name)) {}
    explicit Scan(const std::wstring& path) : image(path) {
        engine.SetLogFolder(dir.file(L"logs"));
        EXPECT_EQ(0, engine.OpenImage(image, 'Q'));
        EXPECT_EQ(0, engine.OpenLog(nullptr));
        feedArea(engine);
        tree = walkTree(engine);
    }

    std::vector<uint8_t> recover(const ScanRecord& record, int& rc) {
        const std::wstring out = dir.file(L"out" + std::to_wstring(record.recordNo));
        rc = engine.RecoverItem(&record, out, 0);
        return rc == 0 ? readWholeFile(out) : std::vector<uint8_t>{};
    }

    // The file's clusters hold the same bytes in both images (nothing reused them).
    bool clustersUnchanged(const ScanRecord& record, const std::wstring& original) {
        RunList runs;
        const int rc = engine.findRunsInRecord(record.location, runs);
        if (rc == kNtfsNotResident) return true;
        if (rc != 0) return false;
        const auto a = readWholeFile(original), b = readWholeFile(image);
        int64_t lcn = 0;
        for (const DataRun& run : runs) {
            lcn += run.lcnDelta;
            if (run.sparse) continue;
            const uint64_t from = record.partitionStart * 512 + static_cast<uint64_t>(lcn) * record.clusterBytes;
            const uint64_t length = run.lengthClusters * static_cast<uint64_t>(record.clusterBytes);
            if (from + length > b.size() || !std::equal(b.begin() + from, b.begin() + from + length, a.begin() + from))
                return false;
        }
        return true;
    }
};

// Every file of the source volume is listed under its path, with its size; where its
// clusters were not reused its content comes back byte for byte.
void expectRecovered(Scan& scan, const std::wstring& original, size_t minimumIdentical) {
    size_t listed = 0, identical = 0;
    for (const ExpectedEntry& e : loadExpected(kSource)) {
        if (e.state == "damaged") continue;
        auto it = scan.tree.find(e.path);
        if (it == scan.tree.end()) {
            ADD_FAILURE() << "not listed: " << e.path;
            continue;
        }
        ++listed;
        const ScanRecord& r = it->second.record;
        EXPECT_EQ(0, +r.isFolder) << e.path;
        EXPECT_EQ(e.size, +r.size) << e.path;
        if (!e.exact || e.path.rfind("Packed/", 0) == 0) continue;  // compressed: judged by the fast engine's tests
        if (!scan.clustersUnchanged(r, original)) continue;
        int rc = 0;
        const auto bytes = scan.recover(r, rc);
        EXPECT_EQ(0, rc) << e.path;
        EXPECT_EQ(e.sha256, sha256Hex(bytes)) << e.path;
        if (sha256Hex(bytes) == e.sha256) ++identical;
    }
    EXPECT_GE(identical, minimumIdentical);
    EXPECT_GT(listed, 0u);
}

TEST(ProNtfsFixture, QuickFormatSameClusterSize) {
    Scan scan("prontfs-qf-c4k.img");
    expectRecovered(scan, fixturePath(std::string(kSource) + ".img"), 20);
    // The metafiles of $Extend are the system's, not lost files of the user.
}

// A volume whose boot sector is gone: its live metafiles of $Extend ($Quota, $ObjId, $Reparse)
// are the system's, not lost files of the user.
TEST(ProNtfsFixture, MetafilesAreNotListedAsLostFiles) {
    TempDir dir;
    auto bytes = readWholeFile(fixturePath(std::string(kSource) + ".img"));
    ASSERT_GT(bytes.size(), 512u);
    std::fill(bytes.begin(), bytes.begin() + 512, uint8_t{0});
    const std::wstring damaged = dir.file(L"no-boot.img");
    writeWholeFile(damaged, bytes);
    Scan scan(damaged);
    EXPECT_TRUE(scan.tree.count("Docs/gone.txt"));
    std::vector<ScanRecord> others;
    scan.engine.ListByType(L"*.other", others);
    for (const ScanRecord& r : others) EXPECT_NE('$', r.name[0]) << r.name;
    EXPECT_FALSE(others.empty());
}

TEST(ProNtfsFixture, QuickFormatOtherClusterSize) {
    Scan scan("prontfs-qf-c1k.img");
    expectRecovered(scan, fixturePath(std::string(kSource) + ".img"), 20);
}

TEST(ProNtfsFixture, VolumeMovedInsideALargerImageIsFound) {
    Scan scan("prontfs-moved.img");
    // The "$MFT" record places every record, so files carry the moved volume's start.
    EXPECT_GE(scan.engine.MftMapSize(), 1u);
    ASSERT_TRUE(scan.tree.count("Docs/gone.txt"));
    EXPECT_EQ(6151u, +scan.tree["Docs/gone.txt"].record.partitionStart);
    size_t identical = 0;
    for (const ExpectedEntry& e : loadExpected(kSource)) {
        if (e.state == "damaged" || !e.exact || e.path.rfind("Packed/", 0) == 0) continue;
        auto it = scan.tree.find(e.path);
        if (it == scan.tree.end()) {
            ADD_FAILURE() << "not listed: " << e.path;
            continue;
        }
        int rc = 0;
        const auto bytes = scan.recover(it->second.record, rc);
        EXPECT_EQ(e.sha256, sha256Hex(bytes)) << e.path;
        identical += sha256Hex(bytes) == e.sha256;
    }
    EXPECT_GE(identical, 20u);
}

}  // namespace
}  // namespace qm::test
