// A file system the probe recognises but whose own structures cannot be used: the fast mode
// says why instead of reporting "nothing found", and the deep mode still reads every sector.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "disk/byte_view.h"
#include "disk/ntfs_boot_sector.h"
#include "engines/professional/professional_recovery.h"
#include "platform/file.h"
#include "results/scan_history.h"
#include "session/engine_factory.h"
#include "session/recovery_job.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

const std::wstring kEverything = L"*.jpg|*.png|*.pdf|*.wav|*.doc|*.txt|.other";

std::set<std::string> namesOf(IFileRecoveryParse& engine) {
    std::vector<ScanRecord> found;
    engine.ListByType(kEverything, found);
    std::set<std::string> names;
    for (const ScanRecord& r : found) names.insert(recordName(r));
    return names;
}

class UnusableFileSystem : public ::testing::Test {
protected:
    void SetUp() override { history.Load(); }

    // A copy of a fixture with some bytes changed.
    std::wstring damaged(const std::string& fixture, const std::function<void(std::vector<uint8_t>&)>& edit) {
        auto bytes = test::readWholeFile(test::fixturePath(fixture));
        edit(bytes);
        const std::wstring path = dir.file(L"damaged.img");
        test::writeWholeFile(path, bytes);
        return path;
    }
    // The deleted files the fast mode finds on the intact fixture.
    std::set<std::string> fastNames(const std::string& fixture) {
        auto fast = CreateEngine(SourceLocation::Image(test::fixturePath(fixture), 1), false, nullptr, &history);
        EXPECT_NE(nullptr, fast);
        if (!fast || fast->Scan(nullptr) != 0) return {};
        return namesOf(*fast);
    }
    // The deep scan of an image through the factory, as the front ends run it.
    std::unique_ptr<IFileRecoveryParse> deepScan(const std::wstring& image) {
        EngineRefusal refusal;
        auto deep = CreateEngine(SourceLocation::Image(image, 1), true, &refusal, &history);
        EXPECT_NE(nullptr, deep);
        if (deep) {
            EXPECT_EQ(0, deep->Scan(nullptr));
        }
        return deep;
    }

    test::TempDir dir;
    CScanHistory history{dir.path()};
};

void expectAllFound(const std::set<std::string>& wanted, const std::set<std::string>& found) {
    ASSERT_FALSE(wanted.empty());
    for (const std::string& name : wanted) EXPECT_TRUE(found.count(name)) << name << " among " << found.size();
}

TEST_F(UnusableFileSystem, Fat16WithoutRootEntriesIsRefusedWithItsReasonAndReadInDeepMode) {
    const std::wstring image = damaged("profat/fat16.img", [](std::vector<uint8_t>& b) { putU16(&b[0x11], 0); });
    EngineRefusal refusal;
    EXPECT_EQ(nullptr, CreateEngine(SourceLocation::Image(image, 1), false, &refusal, &history));
    EXPECT_EQ(FileSystemKind::Fat, refusal.kind);
    EXPECT_NE(std::string::npos, refusal.problem.find("root folder")) << refusal.problem;

    auto deep = deepScan(image);
    ASSERT_NE(nullptr, deep);
    // The fixed root is not read without its size; the folders in the data area are.
    EXPECT_TRUE(namesOf(*deep).count("Annual report.txt"));
    EXPECT_FALSE(static_cast<CProfessionalRecovery&>(*deep).FileSystemProblem().empty());
}

TEST_F(UnusableFileSystem, Fat32WithRootClusterZeroGivesItsFilesInDeepMode) {
    const auto wanted = fastNames("deep/deep-fat32.img");
    // The copy of the boot sector at sector 6 too, or the fast engine would use the copy.
    const std::wstring image = damaged("deep/deep-fat32.img", [](std::vector<uint8_t>& b) {
        putU32(&b[0x2C], 0);
        putU32(&b[6 * 512 + 0x2C], 0);
    });
    auto deep = deepScan(image);
    ASSERT_NE(nullptr, deep);
    expectAllFound(wanted, namesOf(*deep));
    EXPECT_NE(std::string::npos,
              static_cast<CProfessionalRecovery&>(*deep).FileSystemProblem().find("root folder cluster"));
}

// Points the first run of $MFT's own $DATA far past the volume's end.
void breakMftRunList(std::vector<uint8_t>& b) {
    const ByteView boot(b.data(), b.size());
    NtfsBootFields fields;
    ASSERT_EQ(0, DecodeNtfsBootSector(boot.sub(0, 512), fields));
    const size_t record = static_cast<size_t>(fields.mftCluster * fields.sectorsPerCluster * fields.bytesPerSector);
    const ByteView r = boot.sub(record, 1024);
    size_t at = r.u16(0x14);
    while (at + 8 < 1024 && r.u32(at) != 0x80 && r.u32(at) != 0xFFFFFFFF) at += r.u32(at + 4) ? r.u32(at + 4) : 1024;
    ASSERT_EQ(0x80u, r.u32(at));
    ASSERT_EQ(1, r.u8(at + 8));  // non-resident
    const size_t runs = record + at + r.u16(at + 0x20);
    const size_t lengthBytes = b[runs] & 0x0F;
    // A three-byte offset of 0x7FFFFF clusters, then the end of the list.
    ASSERT_LE(runs + 1 + lengthBytes + 4, record + at + r.u32(at + 4));
    b[runs] = static_cast<uint8_t>(0x30 | lengthBytes);
    const uint8_t offset[] = {0xFF, 0xFF, 0x7F, 0x00};
    for (size_t i = 0; i < sizeof offset; ++i) b[runs + 1 + lengthBytes + i] = offset[i];
}

TEST_F(UnusableFileSystem, NtfsWithItsMftRunListPastTheEndGivesItsFilesInDeepMode) {
    const auto wanted = fastNames("ntfs-512-c4k.img");
    const std::wstring image = damaged("ntfs-512-c4k.img", breakMftRunList);
    auto deep = deepScan(image);
    ASSERT_NE(nullptr, deep);
    expectAllFound(wanted, namesOf(*deep));
    EXPECT_FALSE(static_cast<CProfessionalRecovery&>(*deep).FileSystemProblem().empty());
}

TEST_F(UnusableFileSystem, NtfsWithItsMftPastTheVolumeIsRefusedWithItsReason) {
    const std::wstring image = damaged("ntfs.img", [](std::vector<uint8_t>& b) {
        const uint64_t total = ByteView(b.data(), 512).u64(ntfsboot::kTotalSectors);
        putU32(&b[ntfsboot::kMftCluster], static_cast<uint32_t>(total));
    });
    EngineRefusal refusal;
    EXPECT_EQ(nullptr, CreateEngine(SourceLocation::Image(image, 1), false, &refusal, &history));
    EXPECT_EQ(FileSystemKind::Ntfs, refusal.kind);
    EXPECT_NE(std::string::npos, refusal.problem.find("MFT")) << refusal.problem;
}

struct OpenCount {
    std::wstring path;
    int opens = 0;
    static void Fn(const std::wstring& opened, void* user) {
        auto* self = static_cast<OpenCount*>(user);
        if (opened == self->path) ++self->opens;
    }
};

TEST_F(UnusableFileSystem, ADeepScanAndRecoveryOpenTheSourceOnce) {
    const std::wstring image = damaged("deep/deep-fat32.img", [](std::vector<uint8_t>&) {});
    OpenCount count{image, 0};
    platform::setOpenObserver(OpenCount::Fn, &count);
    auto deep = deepScan(image);
    std::vector<ScanRecord> found;
    if (deep) deep->ListByType(kEverything, found);
    for (const ScanRecord& record : found) deep->RecoverItem(&record, dir.file(L"out"), 0);
    platform::setOpenObserver(nullptr, nullptr);
    EXPECT_FALSE(found.empty());
    EXPECT_EQ(1, count.opens);
}

}  // namespace
}  // namespace qm
