// Public disk images whose volumes start past sector 0 (an MBR or GPT disk, a volume one
// sector in): their partition tables place the volumes, and the fast mode reads each volume
// and finds every deleted file a reference tool lists there. Native only: the images are
// unpacked with gunzip.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "disk/image_layout.h"
#include "platform/text.h"
#include "results/type_classification.h"
#include "results/scan_history.h"
#include "session/engine_factory.h"
#include "tests/engines/fls_listing.h"
#include "tests/support/test_support.h"

namespace qm::test {
namespace {

TEST(WholeDiskImages, TheFastModeReadsTheVolumesTheirTablesPlace) {
#ifdef _WIN32
    GTEST_SKIP() << "the sample images are unpacked with gunzip, natively only";
#else
    struct Sample {
        const char* image;
        const char* listing;  // "fls -r -p" of the volume at sector `offset`
        uint64_t offset;
    };
    const Sample samples[] = {
        {"images/nps-2010-emails/nps-2010-emails.raw.gz", "images/nps-2010-emails/nps-2010-emails.raw.o1.fls.txt", 1},
        {"images/dfir_ntfs/ntfs_index.raw.gz", "images/dfir_ntfs/ntfs_index.raw.o128.fls.txt", 128},
        {"images/velociraptor/test_vhdx.raw.gz", "images/velociraptor/test_vhdx.raw.o128.fls.txt", 128},
        {"images/tsk/imageformat_mmls_1.raw.gz", "images/tsk/imageformat_mmls_1.raw.o128.fls.txt", 128},
    };
    int scanned = 0;
    for (const Sample& s : samples) {
        const std::wstring packed = sharedDataPath(s.image);
        const std::wstring listing = sharedDataPath(s.listing);
        if (packed.empty() || listing.empty()) continue;
        SCOPED_TRACE(s.image);
        TempDir dir;
        const std::wstring disk = dir.file(L"disk.img");
        ASSERT_EQ(0, std::system(("gunzip -c '" + platform::toUtf8(packed) + "' > '" + platform::toUtf8(disk) + "'").c_str()));

        ImageLayout layout;
        ASSERT_EQ(0, ReadImageLayout(disk, layout));
        ASSERT_TRUE(layout.IsDisk());
        uint64_t first = 0, count = 0;
        ASSERT_TRUE(layout.PartitionArea(1, first, count));
        EXPECT_EQ(s.offset, first);

        // Deleted files the reference tool lists with a record of their own (inode 0 marks a
        // name seen only in a folder index's slack, which no record backs).
        std::set<std::string> wanted;
        const auto bytes = readWholeFile(listing);
        forEachListingEntry(std::string(bytes.begin(), bytes.end()), [&](const std::string& meta, const std::string& path) {
            if (meta.compare(0, 5, "r/r *") == 0 && meta.find(" 0:") == std::string::npos) wanted.insert(baseNameOf(path));
        });
        CScanHistory history(dir.path());
        history.Load();
        EngineRefusal refusal;
        auto engine = CreateEngine(SourceLocation::ImagePartition(disk, 1, first, count), false, &refusal, &history);
        ASSERT_NE(nullptr, engine) << refusal.problem;
        ASSERT_EQ(0, engine->Scan(nullptr));
        std::vector<ScanRecord> found;
        engine->ListByType(BuildTypePattern(std::vector<std::wstring>{}) + L"|*.other", found);
        std::set<std::string> names;
        for (const ScanRecord& r : found) names.insert(recordName(r));
        for (const std::string& name : wanted) EXPECT_TRUE(names.count(name)) << name;
        ++scanned;
    }
    if (scanned == 0) GTEST_SKIP() << "../shared/data is not beside the project";
#endif
}

}  // namespace
}  // namespace qm::test
