// The deep scan of public disk images whose volume does not start at sector 0 (an MBR or GPT
// disk, a volume one sector in): nothing names the volume, so the deep pass alone must find
// every file a reference tool lists there. Native only: the images are unpacked with gunzip.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "engines/professional/professional_recovery.h"
#include "platform/text.h"
#include "results/scan_history.h"
#include "tests/engines/fls_listing.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/support/test_support.h"

namespace qm::test {
namespace {

// Regular files of an "fls -r -p" listing, by name: not file-system metadata ($...), not
// alternate streams, not orphan placeholders.
[[maybe_unused]] std::set<std::string> regularFilesOfListing(const std::string& listing) {
    std::set<std::string> names;
    forEachListingEntry(listing, [&](const std::string& meta, const std::string& path) {
        const std::string name = baseNameOf(path);
        if (meta.compare(0, 3, "r/r") != 0 || name.empty() || name[0] == '$' || name.find(':') != std::string::npos ||
            path.find("$OrphanFiles") != std::string::npos || path.find("(Volume Label Entry)") != std::string::npos)
            return;
        names.insert(name);
    });
    return names;
}

TEST(DeepScanSharedImages, FindsEveryFileOfVolumesInsideDisks) {
#ifdef _WIN32
    GTEST_SKIP() << "the sample images are unpacked with gunzip, natively only";
#else
    struct Sample {
        const char* image;
        const char* listing;
    };
    const Sample samples[] = {
        {"images/nps-2010-emails/nps-2010-emails.raw.gz", "images/nps-2010-emails/nps-2010-emails.raw.o1.fls.txt"},
        {"images/dfir_ntfs/ntfs_index.raw.gz", "images/dfir_ntfs/ntfs_index.raw.o128.fls.txt"},
        {"images/velociraptor/test_vhdx.raw.gz", "images/velociraptor/test_vhdx.raw.o128.fls.txt"},
        {"images/tsk/imageformat_mmls_1.raw.gz", "images/tsk/imageformat_mmls_1.raw.o128.fls.txt"},
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

        CScanHistory history(dir.path());
        history.Load();
        CProfessionalRecovery deep(history);
        ASSERT_EQ(0, deep.OpenImage(disk, 'S'));
        ASSERT_EQ(0, deep.Scan(nullptr));
        std::set<std::string> found;
        for (const auto& [path, item] : walkTree(deep))
            if (!item.record.isFolder) found.insert(baseNameOf(path));

        const auto bytes = readWholeFile(listing);
        const std::set<std::string> expected = regularFilesOfListing(std::string(bytes.begin(), bytes.end()));
        ASSERT_FALSE(expected.empty());
        for (const std::string& name : expected) EXPECT_TRUE(found.count(name)) << "not found: " << name;
        ++scanned;
    }
    if (scanned == 0) GTEST_SKIP() << "../shared/data is not beside the project";
#endif
}

}  // namespace
}  // namespace qm::test
