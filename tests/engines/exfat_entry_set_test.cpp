#include "engines/exfat/exfat_entry_set.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "disk/exfat_boot_sector.h"
#include "engines/exfat/exfat_time.h"
#include "engines/exfat/exfat_upcase.h"
#include "platform/text.h"
#include "results/file_time.h"
#include "tests/engines/fls_listing.h"
#include "tests/support/sha256.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

// One name as both sides list it: the reference from the fls listing, ours from the sets.
struct Listed {
    bool deleted = false, directory = false;
    uint64_t size = 0;
    std::string modified, created;  // ISO text
    bool operator==(const Listed&) const = default;
};
void PrintTo(const Listed& l, std::ostream* os) {
    *os << (l.deleted ? "deleted " : "live ") << (l.directory ? "folder " : "file ") << l.size << " modified "
        << l.modified << " created " << l.created;
}

std::string flsTimeToIso(const std::string& t) {  // "2026-12-07 22:35:30 (UTC)"
    return t.rfind("0000", 0) == 0 ? std::string() : t.substr(0, 10) + "T" + t.substr(11, 8) + "Z";
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> f;
    size_t p = 0;
    for (size_t tab; (tab = line.find('\t', p)) != std::string::npos; p = tab + 1) f.push_back(line.substr(p, tab - p));
    f.push_back(line.substr(p));
    return f;
}

// fls -r -p -l: "r/r * 405:<TAB>path<TAB>mtime<TAB>atime<TAB>ctime<TAB>crtime<TAB>size<TAB>uid<TAB>gid".
// The file system's own files ($...) and the label entry are not entry sets of files; names
// found without a folder are listed under $OrphanFiles.
std::map<std::string, Listed> loadFls(const std::string& image) {
    const auto bytes = test::readWholeFile(test::fixturePath("exfat/" + image + ".fls.tsv"));
    std::map<std::string, Listed> out;
    test::forEachListingEntry(std::string(bytes.begin(), bytes.end()), [&](const std::string& meta, const std::string& rest) {
        auto f = splitTabs(rest);
        const std::string orphans = "$OrphanFiles/";
        if (f[0].rfind(orphans, 0) == 0) f[0] = f[0].substr(orphans.size());
        if (f.size() < 6 || f[0][0] == '$' || f[0].find("(Volume Label Entry)") != std::string::npos) return;
        Listed l;
        l.deleted = meta.find('*') != std::string::npos;
        l.directory = meta[0] == 'd';
        l.modified = flsTimeToIso(f[1]);
        l.created = flsTimeToIso(f[4]);
        l.size = std::stoull(f[5]);
        out[f[0]] = l;
    });
    return out;
}

// The image builder's own listing: state, path, size, sha256 per line.
std::vector<std::vector<std::string>> loadExpected(const std::string& image) {
    const auto bytes = test::readWholeFile(test::fixturePath("exfat/" + image + ".expected.tsv"));
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::vector<std::string>> out;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (text[at] != '#' && end > at) out.push_back(splitTabs(text.substr(at, end - at)));
    }
    return out;
}

class ExFatImage {
public:
    explicit ExFatImage(const std::string& name) : bytes_(test::readWholeFile(test::fixturePath("exfat/" + name))) {
        ok_ = DecodeExFatBootSector(view(), boot_) == 0;
    }
    bool ok() const { return ok_; }
    const ExFatBootFields& boot() const { return boot_; }
    ByteView view() const { return ByteView(bytes_.data(), bytes_.size()); }
    ByteView cluster(uint32_t c) const { return view().sub(boot_.clusterOffset(c), boot_.bytesPerCluster()); }

    // A directory's or file's bytes: one run when it has no FAT chain, else along the chain
    // (a deleted file's chain is freed: then the clusters that follow are the best guess).
    std::vector<uint8_t> read(uint32_t first, uint64_t length, bool contiguous) const {
        std::vector<uint8_t> out;
        uint32_t c = first;
        for (uint32_t steps = 0; out.size() < length && steps <= boot_.clusterCount; ++steps) {
            if (c < 2 || c - 2 >= boot_.clusterCount) break;
            const ByteView piece = cluster(c);
            out.insert(out.end(), piece.data(), piece.data() + piece.size());
            const uint32_t next = view().u32((uint64_t{boot_.fatOffset} << boot_.bytesPerSectorShift) + 4ull * c);
            if (!contiguous && next >= 0xFFFFFFF7u) break;  // end of the chain
            c = contiguous || next < 2 || next - 2 >= boot_.clusterCount ? c + 1 : next;
        }
        if (out.size() > length) out.resize(length);
        return out;
    }
    std::vector<uint8_t> root() const { return read(boot_.rootCluster, uint64_t{boot_.bytesPerCluster()} * 64, false); }

private:
    std::vector<uint8_t> bytes_;
    ExFatBootFields boot_;
    bool ok_ = false;
};

std::vector<uint16_t> upcaseTableOf(const ExFatImage& image) {
    const auto root = image.root();
    const ByteView dir(root.data(), root.size());
    for (size_t at = 0; dir.has(at, 32); at += 32)
        if (dir.u8(at) == 0x82) {
            const auto stored = image.read(dir.u32(at + 20), dir.u64(at + 24), true);
            return ExpandExFatUpcaseTable(ByteView(stored.data(), stored.size()));
        }
    return {};
}

// The reference tool leaves out the 10 ms increments: compare at the 2-second steps of the stamp.
std::string twoSecondIso(uint64_t fileTime) { return FormatFileTimeIso(fileTime - fileTime % 20000000u); }

// Every entry set under the root, by path, walked as deep as the folders go (bounded).
void listTree(const ExFatImage& image, const std::vector<uint8_t>& dir, const std::string& prefix, int depth,
              const std::vector<uint16_t>& upcase, std::map<std::string, ExFatEntrySet>& out) {
    ASSERT_LT(depth, 16);
    std::vector<ExFatEntrySet> children;
    const ExFatDirectoryWalk walk = ForEachEntrySet(ByteView(dir.data(), dir.size()), [&](const ExFatEntrySet& s) {
        children.push_back(s);
    });
    EXPECT_EQ(walk.damaged, 0u) << prefix;
    EXPECT_EQ(walk.cut, 0u) << prefix;
    for (const ExFatEntrySet& s : children) {
        const std::string path = prefix + platform::toUtf8(s.name);
        EXPECT_TRUE(s.checksumOk) << path;
        EXPECT_EQ(ExFatNameHash(s.rawName, &upcase), s.nameHash) << path;
        out[path] = s;
        if (s.directory) listTree(image, image.read(s.firstCluster, s.dataLength, s.contiguous), path + "/", depth + 1, upcase, out);
    }
}

TEST(ExFatEntrySet, ImagesListAsTheReferenceToolListsThem) {
    for (const char* name : {"exfat-512-c4k", "exfat-4k-c128k"}) {
        SCOPED_TRACE(name);
        const ExFatImage image(std::string(name) + ".img");
        ASSERT_TRUE(image.ok());
        const auto upcase = upcaseTableOf(image);
        ASSERT_EQ(upcase.size(), 0x10000u);
        std::map<std::string, ExFatEntrySet> sets;
        listTree(image, image.root(), "", 0, upcase, sets);
        std::map<std::string, Listed> ours;
        for (const auto& [path, s] : sets)
            ours[path] = Listed{s.deleted, s.directory, s.dataLength, twoSecondIso(s.modified), twoSecondIso(s.created)};
        const auto reference = loadFls(name);
        ASSERT_GE(reference.size(), 5u);
        for (const auto& [path, listed] : reference) {
            SCOPED_TRACE(path);
            ASSERT_TRUE(ours.count(path));
            EXPECT_EQ(ours[path], listed);
        }
        for (const auto& [path, listed] : ours) EXPECT_TRUE(reference.count(path)) << "not in the reference: " << path;
        // The live files' extents give back the bytes the image builder wrote.
        for (const auto& e : loadExpected(name)) {
            SCOPED_TRACE(e[1]);
            ASSERT_TRUE(sets.count(e[1]));
            const ExFatEntrySet& s = sets[e[1]];
            EXPECT_EQ(s.deleted, e[0] == "deleted");
            EXPECT_EQ(std::to_string(s.dataLength), e[2]);
            if (!s.deleted) {
                EXPECT_EQ(test::Sha256Hex(image.read(s.firstCluster, s.dataLength, s.contiguous)), e[3]);
            }
        }
    }
}

TEST(ExFatEntrySet, DecodesStreamDetailsAndHashesAsciiWithoutATable) {
    const ExFatImage image("exfat-512-c4k.img");
    ASSERT_TRUE(image.ok());
    std::map<std::string, ExFatEntrySet> byName;
    const auto root = image.root();
    ForEachEntrySet(ByteView(root.data(), root.size()), [&](const ExFatEntrySet& s) { byName[platform::toUtf8(s.name)] = s; });
    ASSERT_TRUE(byName.count("Frag"));
    const ExFatEntrySet frag = byName["Frag"];
    const auto dir = image.read(frag.firstCluster, frag.dataLength, frag.contiguous);
    ForEachEntrySet(ByteView(dir.data(), dir.size()), [&](const ExFatEntrySet& s) { byName[platform::toUtf8(s.name)] = s; });
    // f1 was written a cluster at a time alternately with f2: its clusters follow a FAT chain.
    const ExFatEntrySet f1 = byName["f1.bin"];
    EXPECT_FALSE(f1.deleted);
    EXPECT_FALSE(f1.contiguous);
    EXPECT_TRUE(f1.allocationPossible);
    EXPECT_EQ(f1.validDataLength, 49152u);
    EXPECT_TRUE(byName["f2.bin"].deleted);
    EXPECT_TRUE(byName["top.txt"].contiguous);
    EXPECT_EQ(ExFatNameHash(byName["top.txt"].rawName, nullptr), byName["top.txt"].nameHash);
    EXPECT_EQ(ExFatNameHash(u"TOP.TXT", nullptr), ExFatNameHash(u"top.txt", nullptr));
    EXPECT_NE(ExFatNameHash(u"top.txu", nullptr), ExFatNameHash(u"top.txt", nullptr));
    // The file's first bytes are its path, as the image builder wrote them.
    const auto data = image.read(byName["top.txt"].firstCluster, 8, true);
    EXPECT_EQ(std::string(data.begin(), data.end()), "top.txt\n");
}

TEST(ExFatEntrySet, SweepOfAQuickFormattedHeapFindsTheOldNames) {
    const ExFatImage image("exfat-quickformat.img");
    ASSERT_TRUE(image.ok());
    std::set<std::string> found;
    for (uint32_t c = 2; c < image.boot().clusterCount + 2; ++c)
        ForEachEntrySet(image.cluster(c), [&](const ExFatEntrySet& s) { found.insert(platform::toUtf8(s.name)); });
    const auto reference = loadFls("exfat-quickformat");
    ASSERT_GE(reference.size(), 10u);
    for (const auto& [path, listed] : reference) {
        EXPECT_TRUE(listed.deleted) << path;
        EXPECT_TRUE(found.count(test::baseNameOf(path))) << path;
    }
}

// The first in-use set of a real directory, to damage by hand.
std::vector<uint8_t> firstSetOf(const std::vector<uint8_t>& dir, const std::string& name) {
    std::vector<uint8_t> out;
    ForEachEntrySet(ByteView(dir.data(), dir.size()), [&](const ExFatEntrySet& s) {
        if (out.empty() && platform::toUtf8(s.name) == name)
            out.assign(dir.begin() + s.offset, dir.begin() + s.offset + s.entryCount * 32);
    });
    return out;
}

TEST(ExFatEntrySet, DamagedAndCutSetsAreSkippedAndTheWalkGoesOn) {
    const ExFatImage image("exfat-512-c4k.img");
    ASSERT_TRUE(image.ok());
    auto good = firstSetOf(image.root(), "top.txt");
    ASSERT_EQ(good.size(), 3u * 32);
    auto countBad = good, longName = good, mixed = good, deleted = good;
    countBad[1] = 19;
    longName[32 + 3] = 16;  // more units than one name entry holds
    mixed[0] = 0x05;        // a deleted File entry over in-use secondaries
    for (size_t e = 0; e < 3; ++e) deleted[e * 32] &= 0x7F;

    ExFatEntrySet set;
    for (const auto* bad : {&countBad, &longName, &mixed})
        EXPECT_EQ(ParseExFatEntrySet(ByteView(bad->data(), bad->size()), 0, set), ExFatSetStatus::Damaged);
    EXPECT_EQ(ParseExFatEntrySet(ByteView(good.data(), good.size() - 1), 0, set), ExFatSetStatus::Cut);
    ASSERT_EQ(ParseExFatEntrySet(ByteView(deleted.data(), deleted.size()), 0, set), ExFatSetStatus::Ok);
    EXPECT_TRUE(set.deleted);
    EXPECT_TRUE(set.checksumOk);  // summed as it was before the delete
    auto flipped = good;
    flipped[32 + 24] ^= 1;
    ASSERT_EQ(ParseExFatEntrySet(ByteView(flipped.data(), flipped.size()), 0, set), ExFatSetStatus::Ok);
    EXPECT_FALSE(set.checksumOk);

    std::vector<uint8_t> dir;
    for (const auto* part : {&countBad, &longName, &mixed, &good}) dir.insert(dir.end(), part->begin(), part->end());
    dir.insert(dir.end(), good.begin(), good.end() - 32);  // ends inside its last entry set
    std::vector<std::wstring> names;
    const auto walk = ForEachEntrySet(ByteView(dir.data(), dir.size()), [&](const ExFatEntrySet& s) { names.push_back(s.name); });
    EXPECT_EQ(names, std::vector<std::wstring>{L"top.txt"});
    EXPECT_EQ(walk.damaged, 3u);
    EXPECT_EQ(walk.cut, 1u);
}

TEST(ExFatEntrySet, HostileDirectoryIsWalkedWithinItsBytes) {
    std::vector<uint8_t> dir(64 * 1024);
    for (size_t at = 0; at < dir.size(); at += 32) {
        dir[at] = 0x85;
        dir[at + 1] = 18;
    }
    size_t sets = 0;
    const auto walk = ForEachEntrySet(ByteView(dir.data(), dir.size()), [&](const ExFatEntrySet&) { ++sets; });
    EXPECT_EQ(sets, 0u);
    EXPECT_EQ(walk.damaged + walk.cut, dir.size() / 32);
    EXPECT_EQ(walk.cut, 18u);
}

TEST(ExFatEntrySet, TimesTakeTheirUtcOffsetAndTenMilliseconds) {
    // 2024-02-03 04:05:06 local: date (44 << 9 | 2 << 5 | 3), time (4 << 11 | 5 << 5 | 3).
    const uint32_t stamp = (uint32_t{(44u << 9) | (2u << 5) | 3u} << 16) | ((4u << 11) | (5u << 5) | 3u);
    EXPECT_EQ(FormatFileTimeIso(ExFatTimeToFileTime(stamp, 0, 0)), "2024-02-03T04:05:06Z");
    EXPECT_EQ(FormatFileTimeIso(ExFatTimeToFileTime(stamp, 150, 0)), "2024-02-03T04:05:07Z");
    EXPECT_EQ(FormatFileTimeIso(ExFatTimeToFileTime(stamp, 0, 0x80 | 8)), "2024-02-03T02:05:06Z");    // UTC+2
    EXPECT_EQ(FormatFileTimeIso(ExFatTimeToFileTime(stamp, 0, 0x80 | 0x7C)), "2024-02-03T05:05:06Z"); // UTC-1
    EXPECT_EQ(ExFatTimeToFileTime(0, 0, 0), 0u);
}

}  // namespace
}  // namespace qm
