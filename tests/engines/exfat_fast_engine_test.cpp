#include "engines/exfat/fast_exfat_recovery.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "disk/exfat_boot_sector.h"
#include "engines/exfat/exfat_entry_set.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_time.h"
#include "tests/engines/fls_listing.h"
#include "tests/support/sha256.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> f;
    size_t p = 0;
    for (size_t tab; (tab = line.find('\t', p)) != std::string::npos; p = tab + 1) f.push_back(line.substr(p, tab - p));
    f.push_back(line.substr(p));
    return f;
}

std::string fixtureText(const std::string& name) {
    const auto bytes = test::readWholeFile(test::fixturePath("exfat/" + name));
    return std::string(bytes.begin(), bytes.end());
}

// "path -> size" of the regular files fls lists as deleted (it lists the files of deleted
// folders as deleted too, as their entry sets are).
std::map<std::string, uint64_t> deletedFilesOfFls(const std::string& image) {
    std::map<std::string, uint64_t> out;
    test::forEachListingEntry(fixtureText(image + ".fls-deleted.tsv"), [&](const std::string& meta, const std::string& rest) {
        const auto f = splitTabs(rest);
        if (meta.rfind("r/r *", 0) == 0 && f.size() >= 6) out[f[0]] = std::stoull(f[5]);
    });
    return out;
}

// "path -> sha256" of the builder's listing.
std::map<std::string, std::string> expectedHashes(const std::string& image) {
    std::map<std::string, std::string> out;
    test::forEachListingEntry(fixtureText(image + ".expected.tsv"), [&](const std::string& state, const std::string& rest) {
        const auto f = splitTabs(rest);
        if (state[0] != '#' && f.size() == 3) out[f[0]] = f[2];
    });
    return out;
}

struct Listed {
    ScanRecord record;
    int level = 0;  // what its children are listed with
};

std::map<std::string, Listed> listTree(CFastExFatRecovery& engine) {
    std::map<std::string, Listed> out;
    std::vector<std::pair<std::string, Listed>> queue{{"", Listed{}}};
    for (size_t i = 0; i < queue.size() && i < 1000; ++i) {
        const auto [prefix, folder] = queue[i];
        std::vector<ScanRecord> children;
        EXPECT_EQ(0, engine.ListFolder(i == 0 ? nullptr : &folder.record, folder.level, children));
        for (const ScanRecord& child : children) {
            const std::string path = prefix + recordName(child);
            out[path] = Listed{child, folder.level + 1};
            if (child.isFolder) queue.push_back({path + "/", out[path]});
        }
    }
    return out;
}

std::unique_ptr<CFastExFatRecovery> scanImage(const std::wstring& image, const test::TempDir& logs) {
    auto engine = std::make_unique<CFastExFatRecovery>();
    engine->SetLogFolder(logs.path());
    EXPECT_EQ(0, engine->OpenImage(image, 'X'));
    EXPECT_EQ(0, engine->Scan(nullptr));
    return engine;
}

int separatorCount(const std::wstring& path) {
    int n = 0;
    for (wchar_t c : path) n += c == L'/' || c == L'\\';
    return n;
}

std::wstring nativePath(const std::wstring& folder, const std::string& slashed) {
    std::wstring out = platform::joinPath(folder, platform::fromUtf8(slashed));
    for (auto& c : out)
        if (c == L'/') c = platform::kPathSeparator;
    return out;
}

bool deletedSet(const ScanRecord& r) { return (r.reserved[exfatrecord::kFlags] & exfatrecord::kFlagDeleted) != 0; }

const char* const kImages[] = {"exfat-512-c4k", "exfat-4k-c128k"};
// An intact deleted file of each image.
const char* const kIntactDeleted[] = {"gone at root.txt", "Sub/removed.bin"};

TEST(FastExFat, ListsTheDeletedFilesTheReferenceToolLists) {
    for (const char* name : kImages) {
        SCOPED_TRACE(name);
        test::TempDir logs;
        auto engine = scanImage(test::fixturePath(std::string("exfat/") + name + ".img"), logs);
        const auto tree = listTree(*engine);
        std::map<std::string, uint64_t> files;
        for (const auto& [path, item] : tree) {
            if (item.record.isFolder) continue;
            EXPECT_TRUE(deletedSet(item.record)) << path;
            EXPECT_EQ(+item.record.sourceKind, kSourceFastExFat);
            EXPECT_EQ(+item.record.condition, path == "Frag/f2.bin" ? 0 : 1) << path;
            files[path] = item.record.size;
        }
        EXPECT_EQ(files, deletedFilesOfFls(name));
        EXPECT_EQ(engine->SystemEntries().upcase.length, 5836u);
    }
    test::TempDir logs;
    auto engine = scanImage(test::fixturePath("exfat/exfat-512-c4k.img"), logs);
    const auto tree = listTree(*engine);
    // The folders on the way: a live one as live, a deleted one and the folders below it as deleted.
    EXPECT_EQ(tree.at("Docs/Reports/2024").record.reserved[exfatrecord::kInDeletedFolder], 0);
    EXPECT_EQ(tree.at("Trash").record.reserved[exfatrecord::kInDeletedFolder], 1);
    EXPECT_EQ(tree.at("Trash/Sub/Deeper").record.reserved[exfatrecord::kInDeletedFolder], 1);
    EXPECT_FALSE(tree.count("Names/Ελληνικά.doc"));
    // fls gives whole seconds of the 2-second stamp.
    const ScanRecord gone = tree.at("gone at root.txt").record;
    EXPECT_EQ(FormatFileTimeIso(gone.modified - gone.modified % 20000000u), "2026-12-07T22:35:30Z");
    EXPECT_EQ(FormatFileTimeIso(gone.created - gone.created % 20000000u), "2026-12-07T22:35:30Z");
    uint32_t count = 0;
    ASSERT_EQ(0, engine->CountFiles(&tree.at("Trash").record, 1, count));
    EXPECT_EQ(count, 3u);  // with the files of the folders below
}

TEST(FastExFat, RecoversIntactDeletedFilesByteIdenticalOneByOneAndByFolder) {
    for (const char* name : kImages) {
        SCOPED_TRACE(name);
        test::TempDir logs, out;
        auto engine = scanImage(test::fixturePath(std::string("exfat/") + name + ".img"), logs);
        const auto tree = listTree(*engine);
        const auto hashes = expectedHashes(name);
        size_t checked = 0;
        for (const auto& [path, item] : tree) {
            if (item.record.isFolder || item.record.condition == 0) continue;
            SCOPED_TRACE(path);
            const std::wstring target = nativePath(out.path(), path);
            ASSERT_EQ(0, engine->RecoverItem(&item.record, target, 0));
            EXPECT_EQ(test::Sha256Hex(test::readWholeFile(target)), hashes.at(path));
            ++checked;
        }
        EXPECT_GE(checked, 1u);
        for (const auto& [path, item] : tree) {
            if (!item.record.isFolder || path.find('/') != std::string::npos) continue;
            const std::wstring target = nativePath(out.path(), "byFolder/" + path);
            ASSERT_EQ(0, engine->RecoverItem(&item.record, target, separatorCount(target) - 1));
        }
        for (const auto& [path, item] : tree) {
            if (item.record.isFolder || item.record.condition == 0 || path.find('/') == std::string::npos) continue;
            EXPECT_EQ(test::Sha256Hex(test::readWholeFile(nativePath(out.path(), "byFolder/" + path))), hashes.at(path))
                << path;
        }
    }
    test::TempDir logs;
    auto engine = scanImage(test::fixturePath("exfat/exfat-4k-c128k.img"), logs);
    const ScanRecord removed = listTree(*engine).at("Sub/removed.bin").record;
    std::vector<uint8_t> memory(removed.size);
    uint64_t count = memory.size();
    std::wstring temp;
    ASSERT_EQ(0, engine->ExtractItem(&removed, temp, memory.data(), count, nullptr, nullptr));
    EXPECT_TRUE(temp.empty());
    EXPECT_EQ(test::Sha256Hex(memory), expectedHashes("exfat-4k-c128k").at("Sub/removed.bin"));
}

// The real image's bytes, to damage by hand.
struct ImageBytes {
    std::vector<uint8_t> bytes = test::readWholeFile(test::fixturePath("exfat/exfat-512-c4k.img"));
    ExFatBootFields boot;
    ImageBytes() { EXPECT_EQ(0, DecodeExFatBootSector(ByteView(bytes.data(), bytes.size()), boot)); }
    uint8_t* cluster(uint32_t c) { return bytes.data() + boot.clusterOffset(c); }
    uint8_t* fatEntry(uint32_t c) { return bytes.data() + (uint64_t{boot.fatOffset} << boot.bytesPerSectorShift) + 4 * c; }
    // The entry set of `name` in the one-cluster folder at `folder`.
    uint8_t* set(uint32_t folder, const std::wstring& name, ExFatEntrySet& found) {
        uint8_t* at = nullptr;
        ForEachEntrySet(ByteView(cluster(folder), boot.bytesPerCluster()), [&](const ExFatEntrySet& s) {
            if (s.name == name) {
                found = s;
                at = cluster(folder) + s.offset;
            }
        });
        EXPECT_NE(at, nullptr);
        return at;
    }
    static void reseal(uint8_t* set, const ExFatEntrySet& s) {
        putU16(set + exfatentry::kSetChecksum, ExFatSetChecksum(ByteView(set, s.entryCount * exfatentry::kSize)));
    }
};

TEST(FastExFat, HostileTreeScansToTheEndAndAnOverlongFileComesBackInPart) {
    ImageBytes image;
    const uint32_t root = image.boot.rootCluster;
    putU32(image.fatEntry(root), root);  // the root directory's chain loops onto itself
    ExFatEntrySet docs, reports, gone;
    image.set(root, L"Docs", docs);
    uint8_t* reportsSet = image.set(docs.firstCluster, L"Reports", reports);
    putU32(reportsSet + exfatentry::kSize + exfatentry::kFirstCluster, root);  // leads back up
    ImageBytes::reseal(reportsSet, reports);
    uint8_t* goneSet = image.set(root, L"gone at root.txt", gone);
    putU64(goneSet + exfatentry::kSize + exfatentry::kDataLength, uint64_t{1} << 40);  // far past the volume
    ImageBytes::reseal(goneSet, gone);
    test::TempDir dir;
    const std::wstring damaged = dir.file(L"damaged.img");
    test::writeWholeFile(damaged, image.bytes);

    auto engine = scanImage(damaged, dir);
    const auto tree = listTree(*engine);
    EXPECT_TRUE(tree.count("Trash/Sub/Deeper/photo.jpg"));
    for (const auto& [path, item] : tree) EXPECT_NE(path.rfind("Docs/Reports/", 0), 0u) << path;
    const ScanRecord overlong = tree.at("gone at root.txt").record;
    EXPECT_EQ(+overlong.condition, 0);
    const std::wstring target = dir.file(L"gone.txt");
    EXPECT_EQ(kErrorReadFault, engine->RecoverItem(&overlong, target, 0));
    auto copied = test::readWholeFile(target);
    ASSERT_GT(copied.size(), 1500u);
    EXPECT_LT(copied.size(), image.bytes.size());
    copied.resize(1500);
    EXPECT_EQ(test::Sha256Hex(copied), expectedHashes("exfat-512-c4k").at("gone at root.txt"));
}

TEST(FastExFat, UnreadableBootRegionsFailWithTheReason) {
    ImageBytes image;
    image.bytes[exfatboot::kNumberOfFats] = 3;  // in the main boot sector and in its backup
    image.bytes[exfatboot::kBootRegionSectors * 512 + exfatboot::kNumberOfFats] = 3;
    test::TempDir dir;
    test::writeWholeFile(dir.file(L"bad.img"), image.bytes);
    CFastExFatRecovery engine;
    EXPECT_EQ(kErrorInvalidParameter, engine.OpenImage(dir.file(L"bad.img"), 'X'));
    EXPECT_FALSE(engine.IsOpen());
    ASSERT_NE(engine.OpenProblem(), nullptr);
    EXPECT_STREQ(engine.OpenProblem(), "its number of FATs is not 1 or 2");
}

TEST(FastExFat, FreeExtentsCoverExactlyTheClustersTheBitmapMarksFree) {
    for (size_t i = 0; i < 2; ++i) {
        const std::string name = kImages[i];
        SCOPED_TRACE(name);
        test::TempDir logs;
        auto engine = scanImage(test::fixturePath("exfat/" + name + ".img"), logs);
        ASSERT_EQ(0, engine->BuildFreeMap());
        const ExFatVolume& volume = engine->Volume();
        // Counted here from the image's own bitmap bytes.
        const auto bytes = test::readWholeFile(test::fixturePath("exfat/" + name + ".img"));
        const ExFatStreamPlace bitmap = engine->SystemEntries().bitmap;
        uint64_t freeClusters = 0;
        for (uint32_t k = 0; k < volume.boot.clusterCount; ++k)
            freeClusters += (bytes[volume.ClusterOffset(bitmap.firstCluster) + k / 8] >> (k % 8)) & 1 ? 0 : 1;
        const uint64_t perCluster = volume.ClusterBytes() / 512;  // an image's sectors
        const ScanRecord gone = listTree(*engine).at(kIntactDeleted[i]).record;
        const uint64_t goneSector = volume.ClusterOffset(static_cast<uint32_t>(gone.fsId)) / 512;
        uint64_t total = 0, extents = 0;
        bool goneInside = false;
        for (uint64_t next = 0; extents < 100000; ++extents) {
            uint64_t at = next, length = 0;
            ASSERT_EQ(1, engine->NextFreeExtent(at, length));
            if (length == 0) break;
            ASSERT_GE(at, next);
            EXPECT_EQ((at - volume.HeapSector() * volume.SectorBytes() / 512) % perCluster, 0u);
            goneInside = goneInside || (goneSector >= at && goneSector < at + length);
            total += length;
            next = at + length;
        }
        EXPECT_EQ(total, freeClusters * perCluster);
        EXPECT_TRUE(goneInside);
    }
}

}  // namespace
}  // namespace qm
