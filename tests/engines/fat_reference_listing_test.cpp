// The fast scan against a reference tool's listing of deleted files: sleuthkit's fls, run
// here on the fixtures when it is installed, and stored with the shared sample images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "tests/engines/fat_test_support.h"

namespace qm {
namespace {

// fls shows a lost first letter as "_" and short names in capitals; the scan shows "!" and
// small letters.
std::string Normalize(std::string path) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] >= 'A' && path[i] <= 'Z') path[i] = static_cast<char>(path[i] - 'A' + 'a');
        if (path[i] == '!' && (i == 0 || path[i - 1] == '/')) path[i] = '_';
    }
    return path;
}

// Deleted regular files of an "fls -r -p" listing (entries marked "*"), normalized.
[[maybe_unused]] std::set<std::string> DeletedFilesOfListing(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("r/r * ", 0) != 0) continue;
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find("$OrphanFiles") != std::string::npos) continue;
        out.insert(Normalize(line.substr(tab + 1)));
    }
    return out;
}

[[maybe_unused]] std::set<std::string> ScannedFiles(CFastFatRecovery& engine) {
    std::set<std::string> out;
    for (const auto& [path, item] : fattest::ListTree(engine))
        if (!item.record.isFolder) out.insert(Normalize(path));
    return out;
}

TEST(FatReferenceListing, FixturesAgreeWithFls) {
#ifdef _WIN32
    GTEST_SKIP() << "fls runs on the build host only";
#else
    if (std::system("command -v fls >/dev/null 2>&1") != 0) GTEST_SKIP() << "fls (sleuthkit) is not installed";
    for (const std::string& image : fattest::FixtureImages()) {
        test::TempDir logs;
        const std::wstring path = test::fixturePath("fat/" + image);
        const std::wstring listing = logs.file(L"fls.txt");
        const std::string command =
            "fls -r -p -d '" + platform::toUtf8(path) + "' > '" + platform::toUtf8(listing) + "' 2>/dev/null";
        ASSERT_EQ(0, std::system(command.c_str())) << command;
        const std::vector<uint8_t> text = test::readWholeFile(listing);
        std::set<std::string> reference = DeletedFilesOfListing(std::string(text.begin(), text.end()));
        auto engine = fattest::ScanImage(path, logs.path());
        std::set<std::string> scanned = ScannedFiles(*engine);
        // The one difference: the photo whose first cluster was reused is hidden as damaged.
        for (const auto& e : fattest::LoadExpected())
            if (e.expect == "damaged") {
                EXPECT_EQ(1u, reference.erase(Normalize(e.path))) << e.path;
            }
        EXPECT_EQ(reference, scanned) << image;
    }
#endif
}

// Sample volumes made by other systems, with the listings stored beside them.
TEST(FatReferenceListing, SharedImagesAgreeWithTheirStoredListings) {
#ifdef _WIN32
    GTEST_SKIP() << "the samples are unpacked with gunzip on the build host";
#else
    const char* images[] = {"fatcat/deleted.img", "dfir_ntfs/fat_deleted_dir.raw", "dfir_ntfs/fat_deleted_dir_2.raw",
                            "dftt2/fat-img-kw.dd", "dftt9/9-fat-label.dd", "dftt5/daylight.dd"};
    if (test::sharedDataPath("images").empty()) GTEST_SKIP() << "../shared/data is not beside the clone";
    int compared = 0;
    for (const char* name : images) {
        const std::wstring packed = test::sharedDataPath(std::string("images/") + name + ".gz");
        const std::wstring listingPath = test::sharedDataPath(std::string("images/") + name + ".fls.txt");
        if (packed.empty() || listingPath.empty()) continue;
        test::TempDir dir;
        const std::wstring image = dir.file(L"image.raw");
        const std::string command = "gunzip -c '" + platform::toUtf8(packed) + "' > '" + platform::toUtf8(image) + "'";
        ASSERT_EQ(0, std::system(command.c_str())) << command;
        const std::vector<uint8_t> text = test::readWholeFile(listingPath);
        const std::set<std::string> reference = DeletedFilesOfListing(std::string(text.begin(), text.end()));
        auto engine = fattest::ScanImage(image, dir.path());
        const std::set<std::string> scanned = ScannedFiles(*engine);
        // fls stops a deleted folder at its first cluster and shows the rest as orphans; the
        // scan follows the erased chain, so it finds every listed file and at most the orphans more.
        for (const std::string& path : reference) EXPECT_TRUE(scanned.count(path)) << name << ": " << path;
        uint32_t found = 0;
        EXPECT_EQ(0, engine->CountFiles(nullptr, 0, found));
        const std::string listing(text.begin(), text.end());
        size_t deleted = 0;
        for (size_t at = listing.find("r/r * "); at != std::string::npos; at = listing.find("r/r * ", at + 1)) ++deleted;
        for (size_t at = listing.find("-/r * "); at != std::string::npos; at = listing.find("-/r * ", at + 1)) ++deleted;
        EXPECT_LE(found, deleted) << name;
        EXPECT_GE(found, reference.size()) << name;
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "no FAT sample images found";
#endif
}

}  // namespace
}  // namespace qm
