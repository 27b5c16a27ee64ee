// The deep scan as users run it, on real volumes: quick-formatted NTFS, an NTFS volume moved
// inside a larger image, and one disk holding a quick-formatted FAT card and an NTFS volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "engines/professional/professional_recovery.h"
#include "results/scan_history.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/support/sha256.h"
#include "tests/support/test_support.h"

namespace qm::test {
namespace {

constexpr const char* kNtfsSource = "ntfs-512-c4k";

struct DeepScan {
    TempDir dir;
    CScanHistory history{dir.path()};
    std::unique_ptr<CProfessionalRecovery> deep;
    std::map<std::string, FoundItem> tree;

    explicit DeepScan(const std::string& image) {
        history.Load();
        deep = std::make_unique<CProfessionalRecovery>(history);
        EXPECT_EQ(0, deep->OpenImage(fixturePath(image), 'Q'));
        EXPECT_EQ(0, deep->Scan(nullptr));
        tree = walkTree(*deep);
    }

    std::string recoveredHash(const ScanRecord& record) {
        const std::wstring out = dir.file(L"out" + std::to_wstring(record.recordNo) + L"_" +
                                          std::to_wstring(record.sourceKind));
        if (deep->RecoverItem(&record, out, 0) != 0) return "recovery failed";
        return Sha256Hex(readWholeFile(out));
    }
};

// The NTFS fixture's files (all but the deliberately damaged one) under their paths; content
// identical for at least `minimumIdentical` of the uncompressed ones.
void expectNtfsFiles(DeepScan& scan, const std::string& prefix, size_t minimumIdentical) {
    size_t identical = 0;
    for (const ExpectedEntry& e : loadExpected(kNtfsSource)) {
        if (e.state == "damaged") continue;
        const auto it = scan.tree.find(prefix + e.path);
        if (it == scan.tree.end()) {
            ADD_FAILURE() << "not listed: " << prefix + e.path;
            continue;
        }
        const uint64_t size = it->second.record.size;
        EXPECT_EQ(e.size, size) << e.path;
        if (!e.exact || e.path.rfind("Packed/", 0) == 0) continue;
        if (scan.recoveredHash(it->second.record) == e.sha256) ++identical;
    }
    EXPECT_GE(identical, minimumIdentical);
}

class QuickFormattedNtfs : public ::testing::TestWithParam<const char*> {};

TEST_P(QuickFormattedNtfs, DeepScanListsTheOldFilesUnderTheirFolders) {
    DeepScan scan(GetParam());
    expectNtfsFiles(scan, "", 20);
    // Nothing on these volumes is carved twice: the NTFS names stand for the carved copies.
    std::vector<ScanRecord> byType;
    ASSERT_EQ(0, scan.deep->ListByType(L"*.jpg|*.png|*.pdf|*.txt|*.bin|.other", byType));
    std::set<std::string> seen;
    for (const ScanRecord& r : byType) {
        const int32_t kind = r.sourceKind;
        if (kind != kSourceCarving) continue;
        const std::string name = recordName(r);
        EXPECT_TRUE(seen.insert(name).second) << "carved twice: " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, QuickFormattedNtfs,
                         ::testing::Values("prontfs-qf-c4k.img", "prontfs-qf-c1k.img", "prontfs-moved.img"));

TEST(DeepScanBothFileSystems, FindsTheFatCardAndTheNtfsVolumeOfOneDisk) {
    DeepScan scan("deep/both.img");
    EXPECT_EQ(nullptr, scan.deep->fastEngine()) << "sector 0 holds no file system";
    expectNtfsFiles(scan, "", 20);

    // The FAT card was quick-formatted: its root is gone, the folder's files are found from its
    // directory sectors (under a lost folder, its name stood in the root) through the geometry
    // of the card's boot sector at 1 MiB; the file of the root is carved.
    const std::string demo = std::string(QM_SOURCE_DIR) + "/tests/data/demo/";
    for (const auto& [name, sample] : {std::pair{"Beach day.jpg", "baseball.jpg"}, {"Waves.wav", "testWAV.wav"}}) {
        const auto it = std::find_if(scan.tree.begin(), scan.tree.end(), [&](const auto& entry) {
            return entry.first.rfind("LostFolder", 0) == 0 && entry.first.ends_with(std::string("/") + name) &&
                   static_cast<int32_t>(entry.second.record.sourceKind) == kSourceProFat;
        });
        ASSERT_NE(scan.tree.end(), it) << "FAT file not listed: " << name;
        EXPECT_EQ(Sha256Hex(readWholeFile(hostPath(demo + sample))), scan.recoveredHash(it->second.record)) << name;
    }
    ASSERT_TRUE(scan.tree.count("2236.pdf"));
    EXPECT_EQ(Sha256Hex(readWholeFile(hostPath(demo + "testPDF.pdf"))), scan.recoveredHash(scan.tree["2236.pdf"].record));

    // By type, the carved copies of the FAT files are hidden behind their names.
    std::vector<ScanRecord> byType;
    ASSERT_EQ(0, scan.deep->ListByType(L"*.jpg|*.wav|*.pdf", byType));
    std::set<std::string> listed;
    for (const ScanRecord& r : byType) listed.insert(recordName(r));
    EXPECT_TRUE(listed.count("Beach day.jpg"));
    EXPECT_TRUE(listed.count("2236.pdf"));
    EXPECT_FALSE(listed.count("2152.jpg"));
    EXPECT_FALSE(listed.count("2228.wav"));
}

}  // namespace
}  // namespace qm::test
