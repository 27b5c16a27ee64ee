// The times listed for an NTFS file are those the system shows for it, kept in
// $STANDARD_INFORMATION, not those of the $FILE_NAME copy made with its name: both engines, on
// a real volume whose file was given its own times.
#include <gtest/gtest.h>

#include "platform/folders.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/engines/prontfs_test_support.h"

namespace qm::test {
namespace {

constexpr uint64_t kCreated = 0x01D5000000000000ull, kModified = 0x01D6000000000000ull,
                   kAccessed = 0x01D7000000000000ull;

// A copy of the volume whose record `number` has its $STANDARD_INFORMATION times replaced.
std::wstring volumeWithOwnTimes(TempDir& dir, uint32_t number) {
    std::vector<uint8_t> image = readWholeFile(fixturePath("ntfs-512-c4k.img"));
    const ByteView v(image.data(), image.size());
    const uint64_t clusterBytes = uint64_t{v.u16(0x0B)} * v.u8(0x0D);
    // The MFT's first records lie in its first run, 1024 bytes each on this volume.
    const size_t record = static_cast<size_t>(v.u64(0x30) * clusterBytes + uint64_t{number} * 1024);
    const size_t attribute = record + v.u16(record + 0x14);
    EXPECT_EQ(0x10u, v.u32(attribute)) << "the first attribute is not $STANDARD_INFORMATION";
    const size_t content = attribute + v.u16(attribute + 0x14);
    setLe(image, content + 0x00, kCreated, 8);
    setLe(image, content + 0x08, kModified, 8);
    setLe(image, content + 0x18, kAccessed, 8);
    const std::wstring path = dir.file(L"times.img");
    writeWholeFile(path, image);
    return path;
}

void expectOwnTimes(const ScanRecord& r) {
    EXPECT_EQ(kCreated, +r.created);
    EXPECT_EQ(kModified, +r.modified);
    EXPECT_EQ(kAccessed, +r.accessed);
}

TEST(NtfsTimes, BothEnginesListStandardInformationTimes) {
    TempDir dir;
    // "Docs/gone.txt", deleted, is record 66 of this volume (fls: 66-128-2).
    const std::wstring image = volumeWithOwnTimes(dir, 66);

    CFastNtfsRecovery fast;
    fast.SetLogFolder(dir.file(L"fast"));
    ASSERT_EQ(0, fast.OpenImage(image, 'Q'));
    ASSERT_EQ(0, fast.Scan(nullptr));
    const auto fastTree = walkTree(fast);
    ASSERT_TRUE(fastTree.count("Docs/gone.txt"));
    expectOwnTimes(fastTree.at("Docs/gone.txt").record);

    CProfessionalNtfsRecovery deep;
    deep.SetLogFolder(dir.file(L"deep"));
    ASSERT_EQ(0, deep.OpenImage(image, 'Q'));
    ASSERT_EQ(0, deep.OpenLog(nullptr));
    feedArea(deep);
    const auto deepTree = walkTree(deep);
    ASSERT_TRUE(deepTree.count("Docs/gone.txt"));
    expectOwnTimes(deepTree.at("Docs/gone.txt").record);
}

}  // namespace
}  // namespace qm::test
