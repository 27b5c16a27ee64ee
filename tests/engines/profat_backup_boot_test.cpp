// FAT32 volumes made by mkfs.fat and mtools whose first boot sector is damaged (zeroed, or
// one field broken) while its copy at sector 6 is intact, and volumes with both intact: the
// deep scan places each volume where it starts, at the image's start or further in, so every
// file is listed once and comes back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engines/professional/professional_recovery.h"
#include "platform/text.h"
#include "results/scan_history.h"
#include "results/type_classification.h"
#include "tests/engines/profat_test_support.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

// The volume moved into a larger image starts here, after an empty stretch.
constexpr uint64_t kMovedStart = 2048;

enum class Damage { None, Zeroed, BytesPerSector, SectorsPerCluster, FatCount, TotalSectors };

struct Volume {
    std::vector<uint8_t> bytes;
    std::map<std::string, std::vector<uint8_t>> files;  // path -> content
};

// Built by the fixture script: a PDF and a deleted text file in the root, a photo in a folder.
const Volume& TheVolume() {
    static const Volume volume = [] {
        Volume v;
        const std::string demo = std::string(QM_SOURCE_DIR) + "/tests/data/demo/";
        v.bytes = test::readWholeFile(test::fixturePath("backupboot/volume.img"));
        v.files["Statement.pdf"] = test::readWholeFile(test::hostPath(demo + "testPDF.pdf"));
        v.files["Meeting notes.txt"] = test::readWholeFile(test::fixturePath("backupboot/notes.txt"));
        v.files["Photos/Ball game.jpg"] = test::readWholeFile(test::hostPath(demo + "testJPEG_EXIF.jpg"));
        return v;
    }();
    return volume;
}

// The volume with its first boot sector damaged, at `start` sectors into an image.
std::wstring WriteImage(const test::TempDir& dir, Damage damage, uint64_t start) {
    std::vector<uint8_t> bytes(start * 512, 0);
    const std::vector<uint8_t>& volume = TheVolume().bytes;
    EXPECT_GT(volume.size(), 512u);
    bytes.insert(bytes.end(), volume.begin(), volume.end());
    uint8_t* boot = bytes.data() + start * 512;
    switch (damage) {
        case Damage::None: break;
        case Damage::Zeroed: std::fill(boot, boot + 512, uint8_t{0}); break;
        case Damage::BytesPerSector: putU16(boot + 0x0B, 0); break;
        case Damage::SectorsPerCluster: boot[0x0D] = 3; break;
        case Damage::FatCount: boot[0x10] = 0; break;
        case Damage::TotalSectors: putU32(boot + 0x20, 0); break;
    }
    const std::wstring path = dir.file(L"image" + std::to_wstring(start) + L".img");
    test::writeWholeFile(path, bytes);
    return path;
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

class BackupBootSector : public ::testing::TestWithParam<Damage> {
protected:
    test::TempDir dir;
};

TEST_P(BackupBootSector, DeepEnginePlacesTheVolumeAtItsStartAndRecoversEveryFile) {
    for (const uint64_t start : {uint64_t{0}, kMovedStart}) {
        test::TempDir logs;
        auto engine = profattest::ScanImageWithBootSectors(WriteImage(dir, GetParam(), start), logs.path());
        // One volume: a copy of the boot sector must not add another one 6 sectors further on.
        ASSERT_EQ(1u, engine->Geometries().size()) << start;
        EXPECT_EQ(start, engine->Geometries()[0].volumeStart);
        const auto tree = profattest::ListTree(*engine);
        for (const auto& [path, content] : TheVolume().files) {
            const auto item = tree.find(path);
            ASSERT_NE(tree.end(), item) << start << ": " << path;
            EXPECT_EQ(1, std::count_if(tree.begin(), tree.end(), [&](const auto& entry) {
                          return NameOf(entry.first) == NameOf(path);
                      })) << path;
            const std::wstring out = logs.file(platform::fromUtf8(NameOf(path)));
            ASSERT_EQ(0, engine->RecoverItem(&item->second.record, out, 0)) << path;
            EXPECT_TRUE(content == test::readWholeFile(out)) << start << ": " << path;
            EXPECT_EQ(1, profattest::Val(item->second.record.condition)) << path;
        }
    }
}

// As `recover --deep` runs: a volume at the image's start gets the fast pass through the copy
// of its boot sector; a moved one is read whole. Nothing is listed twice and nothing is carved.
TEST_P(BackupBootSector, DeepScanListsEachFileOnceWithItsBytes) {
    for (const uint64_t start : {uint64_t{0}, kMovedStart}) {
        test::TempDir state;
        CScanHistory history{state.path()};
        history.Load();
        CProfessionalRecovery deep(history);
        ASSERT_EQ(0, deep.OpenImage(WriteImage(dir, GetParam(), start), 'B'));
        EXPECT_EQ(start == 0, deep.fastEngine() != nullptr) << start;
        ASSERT_EQ(0, deep.Scan(nullptr));
        std::vector<ScanRecord> found;
        ASSERT_EQ(0, deep.ListByType(BuildTypePattern(std::vector<std::wstring>{}) + L"|*.other", found));
        std::map<std::string, int> listed;
        for (const ScanRecord& r : found) {
            const std::string name = recordName(r);
            ASSERT_NE(kSourceCarving, profattest::Val(r.sourceKind)) << start << ": carved " << name;
            ++listed[name];
            const auto original = std::find_if(TheVolume().files.begin(), TheVolume().files.end(),
                                               [&](const auto& file) { return NameOf(file.first) == name; });
            ASSERT_NE(TheVolume().files.end(), original) << start << ": " << name;
            const std::wstring out =
                state.file(L"out" + std::to_wstring(r.recordNo) + L"_" + std::to_wstring(r.sourceKind));
            ASSERT_EQ(0, deep.RecoverItem(&r, out, 0)) << name;
            EXPECT_TRUE(original->second == test::readWholeFile(out)) << start << ": " << name;
        }
        // The fast pass lists deleted files; the pass over the whole moved volume lists all.
        EXPECT_EQ(1, listed["Meeting notes.txt"]) << start;
        for (const auto& [name, count] : listed) EXPECT_EQ(1, count) << start << ": " << name;
        if (start != 0) {
            EXPECT_EQ(TheVolume().files.size(), listed.size());
        }
    }
}

std::string DamageName(const ::testing::TestParamInfo<Damage>& info) {
    static const char* const kNames[] = {"Intact",         "Zeroed",           "BytesPerSectorBroken",
                                         "SectorsPerClusterBroken", "FatCountBroken", "TotalSectorsBroken"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(FirstBootSector, BackupBootSector,
                         ::testing::Values(Damage::None, Damage::Zeroed, Damage::BytesPerSector,
                                           Damage::SectorsPerCluster, Damage::FatCount, Damage::TotalSectors),
                         DamageName);

}  // namespace
}  // namespace qm
