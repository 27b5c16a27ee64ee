#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "disk/byte_view.h"
#include "disk/partition_table.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

// A fixture image read through the table reader's callback, with bytes changed in memory.
class PatchedImage {
public:
    explicit PatchedImage(const std::string& fixture) {
        EXPECT_EQ(0, file_.open(test::fixturePath(fixture), platform::OpenMode::ReadExisting)) << fixture;
        EXPECT_EQ(0, file_.size(size_));
    }

    uint64_t size() const { return size_; }
    void put(uint64_t offset, uint8_t value) { patches_[offset] = value; }
    void put32(uint64_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i) put(offset + i, static_cast<uint8_t>(value >> (8 * i)));
    }
    std::vector<uint8_t> read(uint64_t offset, size_t length) {
        std::vector<uint8_t> bytes(length);
        size_t got = 0;
        EXPECT_EQ(0, readAt(offset, bytes.data(), length, got));
        bytes.resize(got);
        return bytes;
    }

    PartitionTable table(uint64_t mediumBytes = 0) {
        const MediumReadFn fn = [this](uint64_t offset, void* buffer, size_t length, size_t& got) {
            return readAt(offset, buffer, length, got);
        };
        return ReadPartitionTable(fn, mediumBytes != 0 ? mediumBytes : size_);
    }

private:
    int readAt(uint64_t offset, void* buffer, size_t length, size_t& got) {
        got = 0;
        if (int rc = file_.seek(offset); rc != 0) return rc;
        if (int rc = platform::readFully(file_, buffer, length, got); rc != 0) return rc;
        auto* bytes = static_cast<uint8_t*>(buffer);
        for (auto it = patches_.lower_bound(offset); it != patches_.end() && it->first < offset + got; ++it)
            bytes[it->first - offset] = it->second;
        return 0;
    }

    platform::File file_;
    uint64_t size_ = 0;
    std::map<uint64_t, uint8_t> patches_;
};

// The listing the fixture builder took from fdisk: number, first sector, count, type, name.
struct Listed {
    int number;
    uint64_t first;
    uint64_t count;
    std::string type;
    std::string name;
};

std::vector<Listed> listingOf(const std::string& fixture) {
    const std::vector<uint8_t> bytes = test::readWholeFile(test::fixturePath(fixture + ".expected"));
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<Listed> listed;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Listed l;
        fields >> l.number >> l.first >> l.count >> l.type;
        fields.ignore(1);
        std::getline(fields, l.name);
        listed.push_back(l);
    }
    EXPECT_FALSE(listed.empty()) << fixture;
    return listed;
}

void expectListed(const PartitionTable& table, const std::string& fixture) {
    const std::vector<Listed> listed = listingOf(fixture);
    ASSERT_EQ(listed.size(), table.entries.size()) << fixture;
    for (size_t i = 0; i < listed.size(); ++i) {
        const PartitionEntry& e = table.entries[i];
        SCOPED_TRACE(fixture + " partition " + std::to_string(listed[i].number));
        EXPECT_EQ(listed[i].number, e.number);
        EXPECT_EQ(listed[i].first, e.firstSector);
        EXPECT_EQ(listed[i].count, e.sectorCount);
        if (table.scheme == PartitionScheme::Gpt) {
            EXPECT_EQ(listed[i].type, platform::toUtf8(GuidText(e.typeGuid)));
            EXPECT_EQ(listed[i].name, platform::toUtf8(e.name));
        } else {
            EXPECT_EQ(std::stoul(listed[i].type, nullptr, 16), e.mbrType);
        }
    }
}

TEST(PartitionTable, MbrPrimariesAndLogicalChainAsFdiskReadsThem) {
    PatchedImage image("disks/mbr.img");
    const PartitionTable table = image.table();
    EXPECT_EQ(PartitionScheme::Mbr, table.scheme);
    EXPECT_TRUE(table.problems.empty());
    expectListed(table, "disks/mbr.img");
    for (const PartitionEntry& e : table.entries) EXPECT_EQ(e.number >= 5, e.logical) << e.number;
    ASSERT_FALSE(table.entries.empty());
    EXPECT_EQ(L"FAT32 (LBA)", table.entries[0].typeName);
}

TEST(PartitionTable, GptEntriesAsFdiskReadsThem) {
    for (const char* fixture : {"disks/gpt.img", "disks/gpt-4k.img"}) {
        PatchedImage image(fixture);
        const PartitionTable table = image.table();
        EXPECT_EQ(PartitionScheme::Gpt, table.scheme) << fixture;
        EXPECT_FALSE(table.usedBackupGpt) << fixture;
        EXPECT_TRUE(table.problems.empty()) << fixture;
        expectListed(table, fixture);
    }
    PatchedImage image("disks/gpt.img");
    const PartitionTable table = image.table();
    ASSERT_FALSE(table.entries.empty());
    EXPECT_EQ(L"Microsoft basic data", table.entries[0].typeName);
}

TEST(PartitionTable, GptWithoutItsProtectiveMbrIsFoundByItsHeader) {
    for (const char* fixture : {"disks/gpt.img", "disks/gpt-4k.img"}) {
        PatchedImage image(fixture);
        for (uint64_t at = 446; at < 512; ++at) image.put(at, 0);
        const PartitionTable table = image.table();
        EXPECT_EQ(PartitionScheme::Gpt, table.scheme) << fixture;
        expectListed(table, fixture);
    }
}

TEST(PartitionTable, SectorSizeIsTheOneTheHeaderWasWrittenFor) {
    PatchedImage small("disks/gpt.img");
    PatchedImage large("disks/gpt-4k.img");
    EXPECT_EQ(512u, small.table().sectorSize);
    EXPECT_EQ(4096u, large.table().sectorSize);
}

TEST(PartitionTable, DamagedPrimaryGptFallsBackToTheBackup) {
    for (const auto& [fixture, sectorSize] : {std::pair{"disks/gpt.img", 512u}, std::pair{"disks/gpt-4k.img", 4096u}}) {
        for (const uint64_t damaged : {uint64_t{sectorSize},               // the header's signature
                                       uint64_t{sectorSize + 39},          // the backup's sector number
                                       uint64_t{2 * sectorSize + 56}}) {  // the first entry's name
            PatchedImage image(fixture);
            image.put(damaged, image.read(damaged, 1).at(0) ^ 0xFF);
            const PartitionTable table = image.table();
            SCOPED_TRACE(std::string(fixture) + " byte " + std::to_string(damaged));
            EXPECT_EQ(PartitionScheme::Gpt, table.scheme);
            EXPECT_TRUE(table.usedBackupGpt);
            EXPECT_EQ(sectorSize, table.sectorSize);
            EXPECT_FALSE(table.problems.empty());
            expectListed(table, fixture);
        }
    }
}

TEST(PartitionTable, BothGptHeadersDamagedListNothing) {
    PatchedImage image("disks/gpt.img");
    // A byte of the disk's GUID, which is random: flipped, so the headers' checksums fail.
    for (const uint64_t at : {uint64_t{512 + 0x40}, image.size() - 512 + 0x40})
        image.put(at, static_cast<uint8_t>(image.read(at, 1).at(0) ^ 0xFF));
    const PartitionTable table = image.table();
    EXPECT_EQ(PartitionScheme::Gpt, table.scheme);
    EXPECT_TRUE(table.entries.empty());
    EXPECT_FALSE(table.usedBackupGpt);
    EXPECT_GE(table.problems.size(), 2u);
}

TEST(PartitionTable, VolumeAtSectorZeroIsNoTable) {
    // mkfs.fat --mbr=y writes a partition entry into the FAT boot sector itself.
    PatchedImage fake("disks/fat-fake-mbr.img");
    const std::vector<uint8_t> boot = fake.read(0, 512);
    ASSERT_EQ(512u, boot.size());
    ASSERT_TRUE(boot[510] == 0x55 && boot[511] == 0xAA && boot[446 + 4] != 0);
    for (const char* fixture : {"disks/fat-fake-mbr.img", "fat12.img", "fat32.img", "fat32-4k.img", "ntfs.img",
                                "ext4.img", "blank.img"}) {
        PatchedImage image(fixture);
        const PartitionTable table = image.table();
        EXPECT_EQ(PartitionScheme::None, table.scheme) << fixture;
        EXPECT_TRUE(table.entries.empty()) << fixture;
    }
}

TEST(PartitionTable, EntriesWithAStatusOtherThan0Or80AreNoTable) {
    PatchedImage image("disks/mbr.img");
    image.put(446 + 16, 0x12);  // boot code, not an entry
    const PartitionTable table = image.table();
    EXPECT_EQ(PartitionScheme::None, table.scheme);
    EXPECT_TRUE(table.entries.empty());
    EXPECT_EQ(1u, table.problems.size());
}

// The EBRs of mbr.img, found by following its own links.
struct Chain {
    uint64_t extendedStart;
    uint64_t extendedCount;
    uint64_t secondEbr;
};

Chain chainOf(PatchedImage& image) {
    const std::vector<uint8_t> mbr = image.read(0, 512);
    const ByteView m(mbr.data(), mbr.size());
    Chain chain{m.u32(446 + 2 * 16 + 8), m.u32(446 + 2 * 16 + 12), 0};
    const std::vector<uint8_t> ebr = image.read(chain.extendedStart * 512, 512);
    chain.secondEbr = chain.extendedStart + ByteView(ebr.data(), ebr.size()).u32(446 + 16 + 8);
    EXPECT_GT(chain.secondEbr, chain.extendedStart);
    return chain;
}

TEST(PartitionTable, EbrChainThatLoopsOrLeavesStops) {
    PatchedImage probe("disks/mbr.img");
    const Chain chain = chainOf(probe);
    const uint64_t relativeLinks[] = {0,                                           // back to the first EBR
                                      chain.secondEbr - chain.extendedStart,       // to itself
                                      chain.extendedCount + 100};                  // outside the extended partition
    for (const uint64_t relative : relativeLinks) {
        PatchedImage image("disks/mbr.img");
        // Past the extended partition, a sector that would pass for one more EBR.
        const uint64_t outside = (chain.extendedStart + chain.extendedCount + 100) * 512;
        image.put(outside + 510, 0x55);
        image.put(outside + 511, 0xAA);
        image.put(outside + 446 + 4, 0x06);
        image.put32(outside + 446 + 8, 1);
        image.put32(outside + 446 + 12, 1);
        const uint64_t link = chain.secondEbr * 512 + 446 + 16;
        image.put(link + 4, 0x05);
        image.put32(link + 8, static_cast<uint32_t>(relative));
        image.put32(link + 12, 2048);
        const PartitionTable table = image.table();
        SCOPED_TRACE("link to +" + std::to_string(relative));
        expectListed(table, "disks/mbr.img");  // both logicals once, nothing more
        EXPECT_EQ(1u, table.problems.size());
    }
}

TEST(PartitionTable, EbrChainIsBoundedAt128Links) {
    PatchedImage image("disks/mbr.img");
    const Chain chain = chainOf(image);
    // 200 EBRs, one sector apart, each with a one-sector logical volume after it.
    for (uint64_t k = 0; k < 200; ++k) {
        const uint64_t ebr = (chain.extendedStart + 2 * k) * 512;
        image.put(ebr + 510, 0x55);
        image.put(ebr + 511, 0xAA);
        image.put(ebr + 446 + 4, 0x06);
        image.put32(ebr + 446 + 8, 1);
        image.put32(ebr + 446 + 12, 1);
        image.put(ebr + 446 + 16 + 4, 0x05);
        image.put32(ebr + 446 + 16 + 8, static_cast<uint32_t>(2 * (k + 1)));
        image.put32(ebr + 446 + 16 + 12, 2);
    }
    const PartitionTable table = image.table();
    size_t logicals = 0;
    for (const PartitionEntry& e : table.entries) logicals += e.logical;
    EXPECT_EQ(128u, logicals);
    ASSERT_FALSE(table.entries.empty());
    EXPECT_EQ(132, table.entries.back().number);
    EXPECT_EQ(1u, table.problems.size());
}

TEST(PartitionTable, EntriesPastTheMediumEndAreKeptAndNoted) {
    // mbr.img cut inside partition 2: the extended partition's chain cannot be read either.
    PatchedImage mbr("disks/mbr.img");
    const PartitionTable cut = mbr.table(90000 * 512);
    ASSERT_EQ(2u, cut.entries.size());
    EXPECT_EQ(2, cut.entries[1].number);
    EXPECT_EQ(2u, cut.problems.size());
    // gpt.img cut inside partition 3: its backup header is gone, the primary still holds.
    PatchedImage gpt("disks/gpt.img");
    const PartitionTable gptCut = gpt.table(110000 * 512);
    EXPECT_EQ(PartitionScheme::Gpt, gptCut.scheme);
    expectListed(gptCut, "disks/gpt.img");
    EXPECT_EQ(1u, gptCut.problems.size());
}

}  // namespace
}  // namespace qm
