// Files as cameras, backup programs and editors leave them: no archive bit, read-only +
// system + hidden, and a JPEG that opens with its quantisation table. The fast pass must list
// them deleted, the deep pass inside a quick-formatted volume, and both bring them back whole.
#include <gtest/gtest.h>

#include "engines/professional/professional_recovery.h"
#include "results/scan_history.h"
#include "tests/engines/fat_test_support.h"
#include "tests/engines/ntfs_test_helpers.h"

namespace qm {
namespace {

struct Original {
    const char* listedAs;  // the name as the scan lists it (a deleted short name loses its first letter)
    const char* source;    // the file in fat/attr-src
};

// The entry listed under that name in any folder: the deep pass cannot know the name of a
// folder whose parent the format wiped.
template <class Tree>
auto FindByName(const Tree& tree, const std::string& name) {
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        const std::string& path = it->first;
        if (path.size() >= name.size() + 1 && path.compare(path.size() - name.size(), name.size(), name) == 0 &&
            path[path.size() - name.size() - 1] == '/')
            return it;
    }
    return tree.end();
}

std::vector<uint8_t> OriginalBytes(const char* source) {
    return test::readWholeFile(test::fixturePath(std::string("fat/attr-src/") + source));
}

void ExpectRecoveredWhole(IFileRecoveryParse& engine, const ScanRecord& record, const test::TempDir& dir,
                          const Original& original) {
    EXPECT_EQ(1, static_cast<int>(record.condition)) << original.listedAs;
    const std::wstring out = dir.file(platform::fromUtf8(original.source));
    ASSERT_EQ(0, engine.RecoverItem(&record, out, 0)) << original.listedAs;
    EXPECT_EQ(OriginalBytes(original.source), test::readWholeFile(out)) << original.listedAs;
}

TEST(FatFileAttributes, DeletedFilesWithoutArchiveBitAreListedAndRecovered) {
    test::TempDir dir;
    auto engine = fattest::ScanImage(test::fixturePath("fat/attributes.img"), dir.path());
    const auto tree = fattest::ListTree(*engine);
    for (const Original& o : {Original{"!oarch.txt", "noarch.txt"}, Original{"!ystem.txt", "system.txt"},
                              Original{"!qt.jpg", "dqt.jpg"}}) {
        const auto it = FindByName(tree, o.listedAs);
        ASSERT_NE(tree.end(), it) << "not listed: " << o.listedAs;
        ExpectRecoveredWhole(*engine, it->second.record, dir, o);
    }
}

TEST(FatFileAttributes, DeepPassFindsThemInAQuickFormattedVolume) {
    test::TempDir dir;
    CScanHistory history(dir.path());
    history.Load();
    CProfessionalRecovery deep(history);
    ASSERT_EQ(0, deep.OpenImage(test::fixturePath("fat/attributes-formatted.img"), 'Q'));
    ASSERT_EQ(0, deep.Scan(nullptr));
    const auto tree = test::walkTree(deep);
    for (const Original& o : {Original{"noarch.txt", "noarch.txt"}, Original{"system.txt", "system.txt"},
                              Original{"dqt.jpg", "dqt.jpg"}}) {
        const auto it = FindByName(tree, o.listedAs);
        ASSERT_NE(tree.end(), it) << "not listed: " << o.listedAs;
        ExpectRecoveredWhole(deep, it->second.record, dir, o);
    }
}

}  // namespace
}  // namespace qm
