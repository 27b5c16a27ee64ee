#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "disk/image_copy.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

constexpr int kCancel = -9527;

std::vector<uint8_t> patternMedium(size_t sectors) {
    std::vector<uint8_t> bytes(sectors * 512);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i / 512) * 13 + i % 241 + 1);
    return bytes;
}

// A medium in memory whose reads fail wherever they touch one of the given sectors, the way a
// failing disk refuses a whole request that covers a bad sector.
class FaultySource : public IImageSource {
public:
    FaultySource(std::vector<uint8_t> bytes, std::set<uint64_t> bad, int error = kErrorIoDevice)
        : bytes_(std::move(bytes)), bad_(std::move(bad)), error_(error) {}
    int Describe(uint32_t& sectorSize, uint64_t& totalSectors) override {
        sectorSize = 512;
        totalSectors = bytes_.size() / 512;
        return 0;
    }
    int Seek(uint64_t offset) override {
        if (offset > bytes_.size()) return kErrorInvalidParameter;
        pos_ = offset;
        return 0;
    }
    int Read(void* buffer, uint32_t length, uint32_t& got) override {
        got = 0;
        ++reads;
        const uint64_t n = std::min<uint64_t>(length, bytes_.size() - pos_);
        for (uint64_t s = pos_ / 512; s * 512 < pos_ + n; ++s)
            if (bad_.count(s)) return error_;
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        got = static_cast<uint32_t>(n);
        return 0;
    }
    std::wstring Path() const override { return L"faulty medium"; }
    int reads = 0;

private:
    std::vector<uint8_t> bytes_;
    std::set<uint64_t> bad_;
    int error_;
    uint64_t pos_ = 0;
};

struct ProgressCall {
    int percent;
    uint64_t done, total;
    int secondsLeft;
};

struct Recorder {
    std::vector<ProgressCall> calls;
    int stopAtCall = 0;  // 1-based; 0 never
    static int QM_STDCALL Fn(void* user, int percent, uint32_t doneLow, uint32_t doneHigh, uint32_t totalLow,
                             uint32_t totalHigh, int secondsLeft) {
        auto* self = static_cast<Recorder*>(user);
        self->calls.push_back({percent, doneLow | (static_cast<uint64_t>(doneHigh) << 32),
                               totalLow | (static_cast<uint64_t>(totalHigh) << 32), secondsLeft});
        return static_cast<int>(self->calls.size()) == self->stopAtCall ? kCancel : 0;
    }
};

class ImageCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        medium = patternMedium(300);  // two full 64 KiB pieces and a short one
        sourcePath = dir.file(L"disk.img");
        imagePath = dir.file(L"copy.img");
        test::writeWholeFile(sourcePath, medium);
        job.progress = Recorder::Fn;
    }
    std::unique_ptr<IImageSource> fileSource() {
        auto s = std::make_unique<FileImageSource>();
        EXPECT_EQ(0, s->OpenImageFile(sourcePath));
        return s;
    }
    std::vector<uint8_t> slice(uint64_t first, uint64_t count) const {
        return {medium.begin() + static_cast<long>(first * 512), medium.begin() + static_cast<long>((first + count) * 512)};
    }
    test::TempDir dir;
    std::vector<uint8_t> medium;
    std::wstring sourcePath, imagePath;
    ImageCopyJob job;
    Recorder recorder;
};

TEST_F(ImageCopyTest, WholeMediumIsCopiedExactlyOverALongerOldImage) {
    test::writeWholeFile(imagePath, std::vector<uint8_t>(1 << 20, 0xEE));  // a stale, longer image
    test::writeWholeFile(BadSectorMapPath(imagePath), {'1', ' ', '1', '\n'});
    ASSERT_EQ(0, CopySourceToImage(job, fileSource(), 0, 0, imagePath, &recorder));
    EXPECT_EQ(medium, test::readWholeFile(imagePath));
    EXPECT_EQ(300u, job.sectorCount);
    EXPECT_EQ(0u, job.unreadableSectors);
    EXPECT_FALSE(platform::pathExists(BadSectorMapPath(imagePath))) << "an old map would describe another copy";
    ASSERT_EQ(3u, recorder.calls.size());  // one report per piece
    EXPECT_EQ(128u, recorder.calls[0].done);
    EXPECT_EQ(42, recorder.calls[0].percent);
    EXPECT_EQ(100, recorder.calls.back().percent);
    EXPECT_EQ(300u, recorder.calls.back().done);
    EXPECT_EQ(300u, recorder.calls.back().total);
}

TEST_F(ImageCopyTest, PartitionStretchCopiesExactlyItsSectors) {
    ASSERT_EQ(0, CopySourceToImage(job, fileSource(), 10, 150, imagePath, &recorder));
    EXPECT_EQ(slice(10, 150), test::readWholeFile(imagePath));
    EXPECT_EQ(150u, recorder.calls.back().total);
    EXPECT_EQ(100, recorder.calls.back().percent);
}

TEST_F(ImageCopyTest, StretchPastTheEndIsRefused) {
    EXPECT_EQ(kErrorInvalidParameter, CopySourceToImage(job, fileSource(), 200, 101, imagePath, &recorder));
    EXPECT_EQ(kErrorInvalidParameter, CopySourceToImage(job, fileSource(), 300, 0, imagePath, &recorder));
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(ImageCopyTest, UnreadableSectorsBecomeZerosCountedAndMapped) {
    auto source = std::make_unique<FaultySource>(medium, std::set<uint64_t>{15, 16, 210, 299});
    ASSERT_EQ(0, CopySourceToImage(job, std::move(source), 10, 290, imagePath, &recorder));
    std::vector<uint8_t> expected = slice(10, 290);
    for (uint64_t s : {5, 6, 200, 289}) std::memset(expected.data() + s * 512, 0, 512);
    EXPECT_EQ(expected, test::readWholeFile(imagePath));
    EXPECT_EQ(4u, job.unreadableSectors);
    const auto map = test::readWholeFile(BadSectorMapPath(imagePath));
    EXPECT_EQ("5 2\n200 1\n289 1\n", std::string(map.begin(), map.end()));  // counted within the image
    EXPECT_EQ(100, recorder.calls.back().percent);
}

TEST_F(ImageCopyTest, MediumThatIsGoneEndsTheCopy) {
    auto source = std::make_unique<FaultySource>(medium, std::set<uint64_t>{130}, kErrorNotReady);
    EXPECT_EQ(kErrorReadFault, CopySourceToImage(job, std::move(source), 0, 0, imagePath, &recorder));
    EXPECT_EQ(slice(0, 128), test::readWholeFile(imagePath));  // what was copied stays
    EXPECT_EQ(1u, recorder.calls.size());
}

TEST_F(ImageCopyTest, CancelStopsAfterTheCurrentPiece) {
    recorder.stopAtCall = 2;
    EXPECT_EQ(kCancel, CopySourceToImage(job, fileSource(), 0, 0, imagePath, &recorder));
    EXPECT_EQ(2u, recorder.calls.size());
    EXPECT_EQ(slice(0, 256), test::readWholeFile(imagePath));
}

TEST_F(ImageCopyTest, ImageIsNeverWrittenOverItsSource) {
    EXPECT_EQ(kErrorInvalidParameter, CopySourceToImage(job, fileSource(), 0, 0, sourcePath, &recorder));
    const std::wstring sameAnotherWay = platform::joinPath(platform::joinPath(dir.path(), L"."), L"disk.img");
    EXPECT_EQ(kErrorInvalidParameter, CopySourceToImage(job, fileSource(), 0, 0, sameAnotherWay, &recorder));
    EXPECT_EQ(medium, test::readWholeFile(sourcePath));
    EXPECT_TRUE(IsSameFile(sourcePath, sameAnotherWay));
    EXPECT_FALSE(IsSameFile(sourcePath, imagePath));
}

TEST_F(ImageCopyTest, EstimateAppearsAfterFiveSecondsAndIsRenewedEveryFive) {
    medium = patternMedium(128 * 20);
    test::writeWholeFile(sourcePath, medium);
    uint64_t now = 0;
    job.clock = [&now] {
        const uint64_t t = now;
        now += 1000;  // every piece takes a second
        return t;
    };
    ASSERT_EQ(0, CopySourceToImage(job, fileSource(), 0, 0, imagePath, &recorder));
    ASSERT_EQ(20u, recorder.calls.size());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(-1, recorder.calls[static_cast<size_t>(i)].secondsLeft) << i;
    EXPECT_EQ(15, recorder.calls[4].secondsLeft);  // 5 pieces in 5 s, 15 to go
    EXPECT_EQ(15, recorder.calls[8].secondsLeft);  // not renewed before another 5 s
    EXPECT_EQ(10, recorder.calls[9].secondsLeft);
    EXPECT_EQ(0, recorder.calls[19].secondsLeft);
}

TEST_F(ImageCopyTest, ReadFullyCountsWholeSectorsAndFailsOnTheEnd) {
    std::vector<uint8_t> shortMedium = patternMedium(3);
    shortMedium.resize(2 * 512 + 100);
    FaultySource source(shortMedium, {});
    std::vector<uint8_t> buffer(3 * 512);
    uint32_t read = 0;
    EXPECT_EQ(kErrorReadFault, ReadFully(3, source, buffer.data(), 512, read));
    EXPECT_EQ(2u, read);
    ASSERT_EQ(0, source.Seek(0));
    EXPECT_EQ(0, ReadFully(2, source, buffer.data(), 512, read));
    EXPECT_EQ(2u, read);

    platform::File out;
    ASSERT_EQ(0, out.open(imagePath, platform::OpenMode::CreateAlways));
    uint32_t written = 0;
    EXPECT_EQ(0, WriteFully(out, buffer.data(), 512, 2, written));
    EXPECT_EQ(2u, written);
    out.close();
    EXPECT_EQ(std::vector<uint8_t>(shortMedium.begin(), shortMedium.begin() + 1024), test::readWholeFile(imagePath));
}

TEST_F(ImageCopyTest, OpenFailuresAreReturned) {
    EXPECT_NE(0, OpenImageCopy(job, imagePath, 100000, 0, 0, nullptr, nullptr));
    auto missing = std::make_unique<FileImageSource>();
    EXPECT_EQ(kErrorFileNotFound, missing->OpenImageFile(dir.file(L"none.img")));
    EXPECT_EQ(kErrorInvalidHandle, CopySourceToImage(job, std::move(missing), 0, 0, imagePath, nullptr));
    EXPECT_NE(0, CopySourceToImage(job, fileSource(), 0, 0, dir.file(L"no/such/folder.img"), nullptr));
}

}  // namespace
}  // namespace qm
