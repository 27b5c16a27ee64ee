// The fast NTFS scan against a reference listing: every deleted file that a reference tool
// names from its own MFT record must be found too. Native only (the listings come from
// POSIX tools and compressed images).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "platform/text.h"
#include "tests/engines/fls_listing.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

#ifndef _WIN32
std::string runCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}
#endif

// Names of deleted files in an "fls -r -p" listing that still have an MFT record of their
// own: not orphan placeholders, not entries whose record went to another file.
[[maybe_unused]] std::multiset<std::string> deletedFilesOfListing(const std::string& listing) {
    std::multiset<std::string> names;
    test::forEachListingEntry(listing, [&](const std::string& meta, const std::string& path) {
        if (meta.size() < 3 || meta[2] != 'r' || meta.find(" * ") == std::string::npos) return;
        if (meta.find("realloc") != std::string::npos || meta.find(" * 0:") != std::string::npos) return;
        if (path.rfind("$OrphanFiles/OrphanFile-", 0) == 0 || path.find(':') != std::string::npos) return;
        names.insert(test::baseNameOf(path));
    });
    return names;
}

class NtfsReferenceTest : public ::testing::Test {
protected:
    void SetUp() override { env_ = std::make_unique<test::ScopedEnv>("QUILLMERE_APPDATA", dir_.path()); }

    std::multiset<std::string> scanNames(const std::wstring& image) {
        CFastNtfsRecovery engine;
        engine.SetLogFolder(dir_.file(L"logs"));
        EXPECT_EQ(0, engine.OpenImage(image, 0));
        EXPECT_EQ(0, engine.Scan(nullptr));
        // Every file record of the log: listings would hide photos judged damaged.
        engine.store()->flush();
        const auto log = test::readWholeFile(engine.store()->logPath());
        std::multiset<std::string> names;
        for (size_t at = 0; at + kScanRecordBytes <= log.size(); at += kScanRecordBytes) {
            ScanRecord r;
            std::memcpy(&r, log.data() + at, kScanRecordBytes);
            if (!r.isFolder) names.insert(recordName(r));
        }
        return names;
    }

    static void expectCovered(const std::multiset<std::string>& reference, const std::multiset<std::string>& ours) {
        for (const std::string& name : reference) EXPECT_EQ(1u, ours.count(name)) << name;
    }

    test::TempDir dir_;
    std::unique_ptr<test::ScopedEnv> env_;
};

TEST_F(NtfsReferenceTest, FindsWhatTheReferenceToolListsOnTheFixtures) {
#ifdef _WIN32
    GTEST_SKIP() << "the reference tool runs natively only";
#else
    if (runCommand("command -v fls").empty()) GTEST_SKIP() << "fls (sleuthkit) is not installed";
    for (const char* image : {"ntfs-512-c4k", "ntfs-4k-c4k", "ntfs-512-c512", "ntfs-512-c16k", "ntfs-many"}) {
        SCOPED_TRACE(image);
        const std::wstring path = test::fixturePath(std::string(image) + ".img");
        const auto reference = deletedFilesOfListing(runCommand("fls -r -p '" + platform::toUtf8(path) + "'"));
        EXPECT_FALSE(reference.empty());
        const auto ours = scanNames(path);
        expectCovered(reference, ours);
        EXPECT_GE(ours.size(), reference.size());
    }
#endif
}

TEST_F(NtfsReferenceTest, ScansTheSharedSampleVolumes) {
#ifdef _WIN32
    GTEST_SKIP() << "the sample images are unpacked with gunzip, natively only";
#else
    struct Sample {
        const char* image;
        const char* listing;
        int offsetSectors;
    };
    const Sample samples[] = {
        {"images/velociraptor/test.ntfs.raw.gz", "images/velociraptor/test.ntfs.raw.fls.txt", 0},
        {"images/velociraptor/partition_image.raw.gz", "images/velociraptor/partition_image.raw.fls.txt", 0},
        {"images/dfvfs/windows_volume.raw.gz", "images/dfvfs/windows_volume.raw.fls.txt", 0},
        {"images/colinfinck-ntfs/testfs1.gz", "images/colinfinck-ntfs/testfs1.fls.txt", 0},
        {"images/dfir_ntfs/ntfs_index.raw.gz", "images/dfir_ntfs/ntfs_index.raw.o128.fls.txt", 128},
        {"images/velociraptor/test_vhdx.raw.gz", "images/velociraptor/test_vhdx.raw.o128.fls.txt", 128},
        {"images/tsk/imageformat_mmls_1.raw.gz", "images/tsk/imageformat_mmls_1.raw.o128.fls.txt", 128},
    };
    int scanned = 0;
    for (const Sample& s : samples) {
        const std::wstring packed = test::sharedDataPath(s.image);
        const std::wstring listing = test::sharedDataPath(s.listing);
        if (packed.empty() || listing.empty()) continue;
        SCOPED_TRACE(s.image);
        const std::wstring volume = dir_.file(L"volume.img");
        runCommand("gunzip -c '" + platform::toUtf8(packed) + "' | tail -c +" + std::to_string(s.offsetSectors * 512 + 1) +
                   " > '" + platform::toUtf8(volume) + "'");
        const auto bytes = test::readWholeFile(listing);
        expectCovered(deletedFilesOfListing(std::string(bytes.begin(), bytes.end())), scanNames(volume));
        ++scanned;
    }
    if (scanned == 0) GTEST_SKIP() << "../shared/data is not beside the project";
#endif
}

}  // namespace
}  // namespace qm
