// The one MFT record decoder on the records of a volume made by mkntfs and ntfs-3g: the fast
// and the deep scan read every record alike, save where their rules differ.
#include <gtest/gtest.h>

#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_record_decode.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

class NtfsRecordDecodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_ = test::readWholeFile(test::fixturePath("ntfs-512-c4k.img"));
        ASSERT_GE(bytes_.size(), 512u);
        geometry_ = readGeometry(ByteView(bytes_.data(), 512), 0, bytes_.size() / 512, 512);
        ASSERT_TRUE(geometry_.usable());
        // Record 0 lies where the boot sector says; every other record where its runs say.
        std::vector<uint8_t> buffer;
        const NtfsRecordSummary mft = decode(0, kFastRecordRules, buffer);
        ASSERT_TRUE(mft.signatureOk && mft.hasData && !mft.dataResident);
        mft_ = mft.dataRuns;
        records_ = static_cast<uint32_t>(totalClusters(mft_) * geometry_.clusterBytes / geometry_.recordBytes);
        ASSERT_GT(records_, kNtfsFirstNonReservedRecord);
    }

    // Decodes a record from a copy of its bytes kept in `buffer` (resident data points there).
    NtfsRecordSummary decode(uint32_t number, const NtfsRecordRules& rules, std::vector<uint8_t>& buffer) const {
        const uint64_t sector = number == 0 ? geometry_.mftStartSector : recordToSector(number, mft_, geometry_);
        const size_t at = static_cast<size_t>(sector) * geometry_.bytesPerSector;
        buffer.assign(bytes_.begin() + at, bytes_.begin() + at + geometry_.recordBytes);
        return decodeFileRecord(buffer.data(), buffer.size(), geometry_, rules);
    }

    std::vector<uint8_t> bytes_;
    NtfsVolumeGeometry geometry_;
    RunList mft_;
    uint32_t records_ = 0;
};

TEST_F(NtfsRecordDecodeTest, HeaderTimesAndRunsAgreeWithWhatTheVolumeSaysElsewhere) {
    std::vector<uint8_t> buffer, parentBuffer;
    const NtfsRecordSummary mft = decode(0, kDeepRecordRules, buffer);
    EXPECT_EQ(u"$MFT", mft.fileName.name);
    EXPECT_EQ(kNtfsRootRecord, mft.fileName.parentRecord);
    EXPECT_EQ(geometry_.mftStartSector,
              geometry_.volumeStartSector + static_cast<uint64_t>(mft.firstRunCluster) * geometry_.sectorsPerCluster);
    // Had the runs been read wrong, records would be looked for in the wrong places.
    uint32_t inUse = 0;
    for (uint32_t n = 0; n < records_; ++n) {
        const NtfsRecordSummary s = decode(n, kFastRecordRules, buffer);
        if (!s.signatureOk || (s.flags & kRecordInUse) == 0) continue;
        EXPECT_EQ(n, s.ownNumber);
        ++inUse;
    }
    EXPECT_GT(inUse, kNtfsFirstNonReservedRecord);

    // Every name in use carries the sequence number of the folder it names as its parent, and
    // a file made once keeps the creation time of its name in $STANDARD_INFORMATION.
    int checked = 0;
    for (uint32_t n = kNtfsFirstNonReservedRecord; n < records_; ++n) {
        const NtfsRecordSummary s = decode(n, kFastRecordRules, buffer);
        if (!s.signatureOk || (s.flags & kRecordInUse) == 0 || s.names.empty()) continue;
        EXPECT_EQ(0u, s.baseRecord);
        EXPECT_EQ(s.names.size(), s.linkCount) << n;
        ASSERT_TRUE(s.hasStandardInfo) << n;
        EXPECT_EQ(s.fileName.created, s.standardInfo.created) << n;
        const NtfsRecordSummary parent = decode(s.fileName.parentRecord, kFastRecordRules, parentBuffer);
        ASSERT_TRUE(parent.isDirectory()) << n;
        EXPECT_EQ(parent.sequence, s.fileName.parentSequence) << n;
        ++checked;
    }
    EXPECT_GT(checked, 10);
}

TEST_F(NtfsRecordDecodeTest, FastAndDeepRulesDifferOnlyOnMetafileNamesAndParentLookups) {
    std::vector<uint8_t> fastBuffer, deepBuffer, parentBuffer;
    int extendNames = 0, files = 0;
    for (uint32_t n = kNtfsFirstNonReservedRecord; n < records_; ++n) {
        const NtfsRecordSummary fast = decode(n, kFastRecordRules, fastBuffer);
        const NtfsRecordSummary deep = decode(n, kDeepRecordRules, deepBuffer);
        const NtfsRecordSummary parent = decode(n, kDeepParentRules, parentBuffer);
        ASSERT_EQ(fast.signatureOk, deep.signatureOk);
        ASSERT_EQ(fast.names.size(), deep.names.size());
        if (!fast.hasFileName) continue;
        // A parent lookup reads the first name and nothing after it.
        ASSERT_TRUE(parent.hasFileName);
        EXPECT_EQ(fast.names.front().parentRecord, parent.fileName.parentRecord);
        EXPECT_FALSE(parent.hasData);
        if (fast.fileName.parentRecord == kNtfsExtendRecord) {
            EXPECT_FALSE(deep.hasFileName) << n;
            ++extendNames;
            continue;
        }
        ASSERT_TRUE(deep.hasFileName) << n;
        EXPECT_EQ(fast.fileName.name, deep.fileName.name);
        EXPECT_EQ(fast.fileName.parentRecord, deep.fileName.parentRecord);
        ASSERT_EQ(fast.hasData, deep.hasData) << n;
        EXPECT_EQ(fast.dataResident, deep.dataResident);
        EXPECT_EQ(fast.dataSize, deep.dataSize);
        EXPECT_EQ(fast.firstRunCluster, deep.firstRunCluster);
        ASSERT_EQ(fast.residentData.size(), deep.residentData.size());
        if (fast.residentData.size() != 0) {
            EXPECT_TRUE(deep.residentData.equals(0, fast.residentData.data(), fast.residentData.size()));
        }
        if (fast.hasData && !fast.isDirectory()) ++files;
    }
    EXPECT_GT(extendNames, 0);
    EXPECT_GT(files, 20);
}

}  // namespace
}  // namespace qm
