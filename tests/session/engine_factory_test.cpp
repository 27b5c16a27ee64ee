#include <gtest/gtest.h>

#include "session/engine_factory.h"
#include "engines/fast_ext_recovery.h"
#include "engines/fat/fast_fat_recovery.h"
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/professional/professional_recovery.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

template <class Engine>
bool isA(const std::unique_ptr<IFileRecoveryParse>& engine) {
    return dynamic_cast<Engine*>(engine.get()) != nullptr;
}

TEST(EngineFactory, FastModeFollowsTheFileSystem) {
    EXPECT_TRUE(isA<CFastFatRecovery>(CreateEngineForImage(test::fixturePath("fat12.img"), 1, 0)));
    EXPECT_TRUE(isA<CFastFatRecovery>(CreateEngineForImage(test::fixturePath("fat16.img"), 1, 0)));
    EXPECT_TRUE(isA<CFastFatRecovery>(CreateEngineForImage(test::fixturePath("fat32.img"), 1, 0)));
    EXPECT_TRUE(isA<CFastNtfsRecovery>(CreateEngineForImage(test::fixturePath("ntfs.img"), 1, 0)));
    EXPECT_TRUE(isA<CFastExtRecovery>(CreateEngineForImage(test::fixturePath("ext4.img"), 1, 0)));
    // A medium without a file system gets no engine in the fast mode.
    EXPECT_EQ(nullptr, CreateEngineForImage(test::fixturePath("blank.img"), 1, 0));
}

TEST(EngineFactory, ProfessionalModeTakesEverySource) {
    test::TempDir state;
    test::ScopedEnv appData("QUILLMERE_APPDATA", state.path());
    for (const char* image : {"fat32.img", "ntfs.img", "ext4.img", "blank.img"})
        EXPECT_TRUE(isA<CProfessionalRecovery>(CreateEngineForImage(test::fixturePath(image), 1, 1)))
            << image;
}

TEST(EngineFactory, UnreadableSourcesGetNoEngine) {
    // Too short for the 16 KiB probe, missing, or a disk that does not exist.
    EXPECT_EQ(nullptr, CreateEngineForImage(test::fixturePath("short.img"), 1, 1));
    EXPECT_EQ(nullptr, CreateEngineForImage(test::fixturePath("missing.img"), 1, 1));
    EXPECT_EQ(nullptr, CreateEngineForPartition(9999, 0, 100, 0, 1));
}

TEST(EngineFactory, ExtStubFindsNothing) {
    CFastExtRecovery ext;
    EXPECT_EQ(0, ext.OpenImage(test::fixturePath("ext4.img"), 7));
    EXPECT_EQ(0, ext.Scan(nullptr));
    EXPECT_EQ(0u, ext.GetFoundCount());
    std::vector<ScanRecord> list;
    EXPECT_EQ(0, ext.ListByType(L"*.jpg|.other", list));
    EXPECT_TRUE(list.empty());
    uint64_t position = 5, length = 9;
    EXPECT_EQ(0, ext.NextFreeExtent(position, length));
    EXPECT_EQ(5u, position);
    EXPECT_EQ(9u, length);
    // It remembers what it was opened with, even when the disk cannot be opened.
    EXPECT_NE(0, ext.OpenPartition(9999, 2048, 4096, 'E'));
    EXPECT_EQ(9999, ext.diskNumber());
    EXPECT_EQ(2048u, ext.firstSector());
    EXPECT_EQ(4096u, ext.sectorCount());
    EXPECT_EQ('E', ext.driveLetter());
}

TEST(EngineFactory, ChoiceTable) {
    EXPECT_EQ(EngineChoice::None, ChooseEngine(FileSystemKind::Unknown, false));
    EXPECT_EQ(EngineChoice::Professional, ChooseEngine(FileSystemKind::Unknown, true));
    EXPECT_EQ(EngineChoice::Professional, ChooseEngine(FileSystemKind::Fat, true));
    EXPECT_EQ(nullptr, MakeEngine(EngineChoice::None));
}

}  // namespace
}  // namespace qm
