// The deep scan of exFAT cards made by mkfs.exfat and exfat-fuse: a quick-formatted card gives
// its files back by name under their folders, a whole volume's deleted files are found with
// their paths, and damaged entry sets are passed over.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "disk/source.h"
#include "engines/professional/professional_recovery.h"
#include "results/scan_history.h"
#include "tests/engines/fls_listing.h"
#include "tests/engines/ntfs_test_helpers.h"

namespace qm::test {
namespace {

struct ExFatDeepScan {
    TempDir dir;
    CScanHistory history{dir.path()};
    std::unique_ptr<CProfessionalRecovery> deep;
    std::map<std::string, FoundItem> tree;

    explicit ExFatDeepScan(const std::wstring& image) {
        history.Load();
        deep = std::make_unique<CProfessionalRecovery>(history);
        Source source;
        EXPECT_EQ(0, OpenSource(SourceLocation::Image(image, 'Q'), source));
        // No fast engine reads exFAT here: the deep pass reads the whole area.
        EXPECT_EQ(0, deep->Attach(source, nullptr, ""));
        EXPECT_EQ(0, deep->Scan(nullptr));
        tree = walkTree(*deep);
    }

    // The listed path that ends with `rest` below a lost folder in the root.
    const FoundItem* UnderLostFolder(const std::string& rest) const {
        for (const auto& [path, item] : tree) {
            const size_t slash = path.find('/');
            if (path.rfind("LostFolder", 0) == 0 && slash != std::string::npos && path.substr(slash + 1) == rest)
                return &item;
        }
        return nullptr;
    }

    std::string RecoveredHash(const ScanRecord& record) {
        const std::wstring out = dir.file(L"out" + std::to_wstring(record.recordNo));
        if (deep->RecoverItem(&record, out, 0) != 0) return "recovery failed";
        return Sha256Hex(readWholeFile(out));
    }
};

// state, path, size, sha256 per line.
std::vector<ExpectedEntry> loadWritten(const std::string& image) {
    const auto bytes = readWholeFile(fixturePath("exfat/" + image + ".expected.tsv"));
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<ExpectedEntry> out;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ExpectedEntry e;
        std::string size;
        std::getline(fields, e.state, '\t');
        std::getline(fields, e.path, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, e.sha256, '\t');
        e.size = std::stoull(size);
        out.push_back(e);
    }
    return out;
}

// The format rewrote the root directory at the heap's start: "top.txt" and "gone at root.txt",
// and the sets of the first-level folders, are gone with it; everything below those folders
// survives under a lost folder. Frag/f1.bin and f2.bin were written a cluster at a time in
// turn: their chains lived only in the FAT the format cleared, so they are listed but cannot
// come back whole.
TEST(ProExFatDeepScan, QuickFormattedCardGivesItsFilesBackUnderTheirFolders) {
    ExFatDeepScan scan(fixturePath("exfat/exfat-quickformat.img"));
    const auto written = loadWritten("exfat-quickformat");
    ASSERT_EQ(16u, written.size());
    for (const ExpectedEntry& e : written) {
        const size_t slash = e.path.find('/');
        if (slash == std::string::npos) {
            EXPECT_FALSE(scan.tree.count(e.path)) << "a root file cannot survive the format: " << e.path;
            continue;
        }
        const FoundItem* item = scan.UnderLostFolder(e.path.substr(slash + 1));
        if (!item) {
            ADD_FAILURE() << "not listed: " << e.path;
            continue;
        }
        const ScanRecord r = item->record;
        EXPECT_EQ(kSourceProExFat, +r.sourceKind) << e.path;
        EXPECT_EQ(e.size, +r.size) << e.path;
        if (e.path.rfind("Frag/", 0) == 0) continue;
        EXPECT_EQ(e.sha256, scan.RecoveredHash(r)) << e.path;
    }
    // By type, each surviving file once (the card's contents are text: nothing is carved).
    std::vector<ScanRecord> byType;
    ASSERT_EQ(0, scan.deep->ListByType(L"*.txt|*.bin|*.jpg|*.md|*.doc|.other", byType));
    std::set<std::string> names;
    for (const ScanRecord& r : byType) EXPECT_TRUE(names.insert(recordName(r)).second) << "twice: " << recordName(r);
    EXPECT_EQ(14u, names.size());
}

TEST(ProExFatDeepScan, WholeVolumeListsTheDeletedFilesWithTheirPaths) {
    ExFatDeepScan scan(fixturePath("exfat/exfat-512-c4k.img"));
    const auto bytes = readWholeFile(fixturePath("exfat/exfat-512-c4k.fls-deleted.tsv"));
    size_t deleted = 0;
    forEachListingEntry(std::string(bytes.begin(), bytes.end()), [&](const std::string&, const std::string& rest) {
        const std::string path = rest.substr(0, rest.find('\t'));
        const auto it = scan.tree.find(path);
        ++deleted;
        ASSERT_NE(scan.tree.end(), it) << "not listed: " << path;
        EXPECT_EQ(kSourceProExFat, +it->second.record.sourceKind) << path;
    });
    EXPECT_EQ(10u, deleted);
}

// A copy of the card with two damaged sets: keep.txt's checksum no longer matches, and the
// long-named file claims 18 secondaries, more than its sector and the next hold.
TEST(ProExFatDeepScan, DamagedSetsArePassedOverAndTheRestIsFound) {
    TempDir work;
    std::vector<uint8_t> image = readWholeFile(fixturePath("exfat/exfat-quickformat.img"));
    ASSERT_GT(image.size(), 0x20e200u);
    ASSERT_EQ(0x85, image[0x205000]);  // keep.txt, first set of the Docs folder's cluster
    image[0x205000 + 2] ^= 0x5A;
    ASSERT_EQ(0x85, image[0x20e180]);  // the long name, last set of the Names folder's first sector
    image[0x20e180 + 1] = 18;
    const std::wstring copy = work.file(L"damaged.img");
    writeWholeFile(copy, image);

    ExFatDeepScan scan(copy);
    EXPECT_EQ(nullptr, scan.UnderLostFolder("keep.txt"));
    EXPECT_EQ(nullptr, scan.UnderLostFolder("A rather long file name that needs several name entries.txt"));
    for (const char* rest : {"report café.txt", "Reports/2024/Q1/deep.bin", "Привет мир.txt", "emoji 😀.txt"})
        EXPECT_NE(nullptr, scan.UnderLostFolder(rest)) << rest;
}

}  // namespace
}  // namespace qm::test
