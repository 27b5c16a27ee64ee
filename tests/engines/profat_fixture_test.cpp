// Formatted, stripped and moved FAT volumes made by mkfs.fat and mtools, fed sector by sector
// as the deep scan does: the files that were there are listed in their folders and come back
// byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/engines/fat_test_support.h"
#include "tests/engines/profat_test_support.h"

namespace qm {
namespace {

using profattest::ListTree;
using profattest::ScanImage;
using profattest::Val;

struct Expected {
    std::string path;
    uint64_t size = 0;
    std::string sha256;
    bool inRoot = false;
};

std::vector<Expected> LoadExpected() {
    const std::vector<uint8_t> bytes = test::readWholeFile(test::fixturePath("profat/expected.tsv"));
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<Expected> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Expected e;
        std::string size, where;
        std::getline(fields, e.path, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, e.sha256, '\t');
        std::getline(fields, where, '\t');
        e.size = std::stoull(size);
        e.inRoot = where == "root";
        out.push_back(e);
    }
    return out;
}

struct Case {
    const char* image;
    // The old root directory is still there: first-level folders keep their names. A format
    // with another cluster size puts the new root elsewhere and leaves the old one.
    bool rootKept;
    uint32_t sectorsPerCluster;  // of the volume the files were written to
};

class ProFatFixture : public ::testing::TestWithParam<Case> {};

// The listed path of an expected one: a format loses the root, so a first-level folder
// becomes "LostFolder" and its cluster.
const profattest::ListedItem* Find(const std::map<std::string, profattest::ListedItem>& tree, const Expected& e,
                                   bool rootKept, std::string& listedPath) {
    if (rootKept) {
        const auto it = tree.find(e.path);
        listedPath = e.path;
        return it == tree.end() ? nullptr : &it->second;
    }
    const std::string rest = e.path.substr(e.path.find('/'));
    for (const auto& [path, item] : tree) {
        if (path.rfind("LostFolder", 0) != 0 || path.size() <= rest.size()) continue;
        if (path.compare(path.size() - rest.size(), rest.size(), rest) != 0) continue;
        const std::string top = path.substr(0, path.size() - rest.size());
        if (top.find('/') != std::string::npos) continue;
        listedPath = path;
        return &item;
    }
    return nullptr;
}

TEST_P(ProFatFixture, ListsEveryFileInItsFolderAndRecoversItByteForByte) {
    const Case c = GetParam();
    test::TempDir temp;
    auto engine = ScanImage(test::fixturePath(std::string("profat/") + c.image), temp.file(L"logs"));
    ASSERT_FALSE(engine->Geometries().empty());
    bool oldGeometry = false;
    for (const auto& g : engine->Geometries().all()) oldGeometry |= g.sectorsPerCluster == c.sectorsPerCluster;
    EXPECT_TRUE(oldGeometry) << "the old cluster size is learned from the folders' first sectors";
    const auto tree = ListTree(*engine);

    size_t checked = 0;
    for (const Expected& e : LoadExpected()) {
        if (e.inRoot && !c.rootKept) continue;
        std::string listed;
        const profattest::ListedItem* item = Find(tree, e, c.rootKept, listed);
        ASSERT_NE(nullptr, item) << c.image << ": " << e.path;
        EXPECT_EQ(0, Val(item->record.isFolder)) << listed;
        EXPECT_EQ(kSourceProFat, Val(item->record.sourceKind));
        EXPECT_EQ('P', Val(item->record.driveLetter));
        EXPECT_EQ(e.size, Val(item->record.size)) << listed;
        if (!c.rootKept) {
            // The lost folder is named after the cluster it lies in.
            const std::string top = listed.substr(0, listed.find('/'));
            const auto folder = tree.find(top);
            ASSERT_NE(tree.end(), folder);
            EXPECT_EQ("LostFolder" + std::to_string(Val(folder->second.record.fsId)), top);
            EXPECT_EQ(-1, Val(folder->second.record.clusterBytes));
        }
        const std::wstring target = temp.file(L"out" + std::to_wstring(checked));
        ASSERT_EQ(0, engine->RecoverItem(&item->record, target, 0)) << listed;
        EXPECT_EQ(e.sha256, fattest::Sha256Hex(test::readWholeFile(target))) << c.image << ": " << listed;
        ++checked;
    }
    EXPECT_GT(checked, 20u);
}

TEST(ProFatFixtureBoot, AnIntactFat16VolumeIsPlacedByItsBootSectorAndListsDeletedFilesToo) {
    test::TempDir temp;
    auto engine = ScanImage(test::fixturePath("profat/fat16.img"), temp.file(L"logs"));
    ASSERT_GE(engine->Geometries().size(), 1u);
    EXPECT_EQ(4u, engine->Geometries()[0].sectorsPerCluster);
    EXPECT_EQ(0u, engine->Geometries()[0].volumeStart);
    const auto tree = ListTree(*engine);
    ASSERT_TRUE(tree.count("Docs"));
    EXPECT_EQ(0, Val(tree.at("Docs").record.reserved[0])) << "a live folder";
    EXPECT_TRUE(tree.count("Docs/!one.txt")) << "deleted";
    EXPECT_TRUE(tree.count("Docs/Annual report.txt")) << "live";
    EXPECT_TRUE(tree.count("root.txt"));
    std::wstring path;
    EXPECT_EQ(0, engine->GetItemPath(tree.at("Docs/Sub/Deep/deep data.bin").record, path));
    const std::wstring sep(1, platform::kPathSeparator);
    EXPECT_EQ(L"Docs" + sep + L"Sub" + sep + L"Deep" + sep, path);
}

INSTANTIATE_TEST_SUITE_P(Volumes, ProFatFixture,
                         ::testing::Values(Case{"fat16.img", true, 4}, Case{"fat16-wiped.img", true, 4},
                                           Case{"fat12-same.img", false, 2}, Case{"fat16-same.img", false, 4},
                                           Case{"fat16-cluster.img", true, 4}, Case{"fat32-same.img", false, 1},
                                           Case{"fat32-cluster.img", true, 1}, Case{"fat32-wiped.img", false, 2},
                                           Case{"moved.img", false, 4}),
                         [](const auto& info) {
                             std::string name = info.param.image;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace qm
