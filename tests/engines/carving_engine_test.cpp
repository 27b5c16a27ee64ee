#include <gtest/gtest.h>

#include "engines/carving/file_type_recovery.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "results/preview_target.h"
#include "tests/engines/carving_test_media.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

using test::Bytes;

// An image file on disk built from a TestMedium, and an engine opened on it.
class CarvingEngineTest : public ::testing::Test {
protected:
    void Open(test::TestMedium& medium) {
        imagePath = dir.file(L"medium.img");
        test::writeWholeFile(imagePath, medium.bytes());
        engine.SetLogFolder(dir.file(L"logs"));
        ASSERT_EQ(0, engine.OpenImage(imagePath, 'Q'));
        bytes = medium.bytes();
    }
    int Carve(uint64_t sector, uint64_t& skip) {
        return engine.CarveAt(512, bytes.data() + sector * 512, 512, sector, CarveProgress{}, found, skip);
    }
    test::TempDir dir;
    std::wstring imagePath;
    Bytes bytes;
    CFileTypeRecovery engine;
    uint64_t found = 0;
};

TEST_F(CarvingEngineTest, JpegAtSector5000IsRecordedUnderTheFlatRoot) {
    const Bytes jpeg = test::CarvingSample("jpg/testJPEG_EXIF.jpg");
    if (jpeg.empty()) GTEST_SKIP() << "sample missing";
    test::TestMedium medium;
    medium.AppendZeros(5000);
    const uint64_t at = medium.Append(jpeg);
    medium.Append(test::NtfsFileRecord());
    Open(medium);
    uint64_t skip = 0;
    ASSERT_EQ(0, Carve(at, skip));
    EXPECT_EQ(1u, found);
    EXPECT_EQ((jpeg.size() + 511) / 512, skip);

    std::vector<ScanRecord> root;
    ASSERT_EQ(0, engine.ListFolder(nullptr, 0, root));
    ASSERT_EQ(1u, root.size());
    const ScanRecord& r = root[0];
    // Fields are copied out before comparing: the record is packed.
    const int32_t kind = r.sourceKind, condition = r.condition, isFolder = r.isFolder, clusterBytes = r.clusterBytes;
    const uint64_t location = r.location, size = r.size;
    const uint16_t tag = r.driveLetter;
    EXPECT_EQ("5000.jpg", recordName(r));
    EXPECT_EQ(kSourceCarving, kind);
    EXPECT_EQ(1, condition);
    EXPECT_EQ(0, isFolder);
    EXPECT_EQ(-1, clusterBytes);
    EXPECT_EQ(5000u, location);
    EXPECT_EQ('Q', tag);
    EXPECT_EQ(jpeg.size(), size);

    // Carved files have no folders.
    std::vector<ScanRecord> none;
    EXPECT_EQ(0, engine.ListFolder(&r, 1, none));
    EXPECT_TRUE(none.empty());
    uint32_t count = 9;
    EXPECT_EQ(0, engine.CountFiles(nullptr, 0, count));
    EXPECT_EQ(1u, count);
    std::wstring path = L"x";
    EXPECT_EQ(0, engine.GetItemPath(r, path));
    EXPECT_TRUE(path.empty());

    // Copy-out gives the file back exactly.
    const std::wstring out = dir.file(L"out/photo/5000.jpg");
    EXPECT_EQ(0, engine.RecoverItem(&r, out, 0));
    EXPECT_EQ(jpeg, test::readWholeFile(out));
    // ...and never overwrites what is there.
    EXPECT_EQ(kErrorFileExists, engine.RecoverItem(&r, out, 0));
    EXPECT_EQ(jpeg, test::readWholeFile(out));
}

TEST_F(CarvingEngineTest, SkipsFollowTheFormat) {
    const Bytes zip = test::CarvingSample("zip/test-documents.zip");
    const Bytes wav = test::CarvingSample("wav/testWAV.wav");
    if (zip.empty() || wav.empty()) GTEST_SKIP() << "samples missing";
    test::TestMedium medium;
    medium.AppendZeros(100);
    const uint64_t zipAt = medium.Append(zip);
    const uint64_t wavAt = medium.Append(wav);
    Bytes pe(512, 0);
    pe[0] = 'M';
    pe[1] = 'Z';
    pe[0x3C] = 0x80;
    std::memcpy(pe.data() + 0x80, "PE\0\0", 4);
    const uint64_t peAt = medium.Append(pe);
    medium.AppendZeros(4);
    Open(medium);

    uint64_t skip = 0;
    ASSERT_EQ(0, Carve(zipAt, skip));
    EXPECT_EQ((zip.size() + 511) / 512, skip);
    ASSERT_EQ(0, Carve(wavAt, skip));
    EXPECT_EQ(1u, skip);  // containers and header-sized formats move on one sector
    EXPECT_EQ(kErrorInvalidParameter, Carve(peAt, skip));
    EXPECT_EQ(kErrorInvalidParameter, Carve(peAt + 1, skip));  // zeros
    EXPECT_EQ(2u, found);
    EXPECT_EQ(2u, engine.GetFoundCount());
}

TEST_F(CarvingEngineTest, CopyOutOfAThousandByteFileWritesExactlyThat) {
    // A 1,000-byte file recorded by hand: two sectors are read, 1,000 bytes written.
    test::TestMedium medium;
    const uint64_t at = medium.Append(test::RandomBytes(1024, 7));
    medium.AppendZeros(2);
    Open(medium);
    ScanRecord r{};
    r.sourceKind = kSourceCarving;
    r.size = 1000;
    r.location = at;
    setRecordName(r, "0.pdf");
    const std::wstring out = dir.file(L"0.pdf");
    ASSERT_EQ(0, engine.RecoverItem(&r, out, 0));
    const Bytes written = test::readWholeFile(out);
    ASSERT_EQ(1000u, written.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), medium.bytes().begin()));
}

struct ItemLog {
    std::vector<std::pair<int, int>> calls;  // percent, error
    static int QM_STDCALL Fn(void* user, int percent, int, int error, const wchar_t*) {
        static_cast<ItemLog*>(user)->calls.push_back({percent, error});
        return 0;
    }
};

TEST_F(CarvingEngineTest, FileRunningPastTheMediumEndIsCopiedAsFarAsItGoesAndSaysTheMediumEnded) {
    test::TestMedium medium;
    const uint64_t at = medium.Append(test::RandomBytes(2048, 3));
    Open(medium);
    ScanRecord r{};
    r.size = 10000;  // claims more than the medium holds
    r.location = at;
    setRecordName(r, "1.bin");
    ItemLog log;
    engine.SetCallbacks(nullptr, ItemLog::Fn, &log, 100);
    const std::wstring out = dir.file(L"1.bin");
    EXPECT_EQ(kErrorHandleEof, engine.RecoverItem(&r, out, 0));
    EXPECT_EQ(2048u, test::readWholeFile(out).size());
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(std::make_pair(100, static_cast<int>(kErrorHandleEof)), log.calls.back());
}

TEST_F(CarvingEngineTest, ExtractToMemoryStopsAtTheBufferCapacity) {
    test::TestMedium medium;
    const uint64_t at = medium.Append(test::RandomBytes(4096, 11));
    Open(medium);
    ScanRecord r{};
    r.size = 4096;
    r.location = at;
    setRecordName(r, "9.bin");  // not a preview type: extracted into memory
    Bytes memory(1500, 0);
    uint64_t count = memory.size();
    std::wstring temp;
    EXPECT_EQ(0, engine.ExtractItem(&r, temp, memory.data(), count, nullptr, nullptr));
    EXPECT_TRUE(temp.empty());
    EXPECT_EQ(1500u, count);
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), medium.bytes().begin()));
    EXPECT_EQ(kErrorInvalidParameter, engine.ExtractItem(nullptr, temp, memory.data(), count, nullptr, nullptr));
}

TEST_F(CarvingEngineTest, HostileNamesStayInsideThePreviewFolder) {
    test::TempDir appData;
    test::ScopedEnv env("QUILLMERE_APPDATA", appData.path());
    test::TestMedium medium;
    const uint64_t at = medium.Append(test::RandomBytes(1024, 5));
    Open(medium);
    const std::wstring folder = PreviewTargetFolder();
    for (const char* name : {"..\\..\\x.doc", "../../x.doc", "a/b:c.doc", "\x7f\x01.doc"}) {
        ScanRecord r{};
        r.size = 1024;
        r.location = at;
        setRecordName(r, name);
        std::wstring temp;
        uint64_t count = 0;
        ASSERT_EQ(0, engine.ExtractItem(&r, temp, nullptr, count, nullptr, nullptr)) << name;
        EXPECT_EQ(platform::joinPath(folder, platform::fileNameOf(temp)), temp) << name;
        EXPECT_EQ(1024u, test::readWholeFile(temp).size()) << name;
    }
    std::vector<std::wstring> names;
    ASSERT_EQ(0, platform::listFolder(appData.path(), names));
    EXPECT_EQ(std::vector<std::wstring>{L"OrlynDataRecovery"}, names);
}

TEST(CarvingEngine, WithoutStoreOrSourceNothingHappens) {
    CFileTypeRecovery engine;
    uint64_t found = 0, skip = 0;
    uint8_t sector[512] = {0xFF, 0xD8, 0xFF, 0xE0};
    EXPECT_EQ(kErrorInvalidParameter, engine.CarveAt(512, sector, 512, 0, CarveProgress{}, found, skip));
    EXPECT_EQ(1u, skip);
    EXPECT_EQ(0u, engine.GetFoundCount());
    std::vector<ScanRecord> list;
    EXPECT_EQ(0, engine.ListFolder(nullptr, 0, list));
    EXPECT_EQ(kErrorInvalidParameter, engine.SetListCallback(nullptr, nullptr));
}

}  // namespace
}  // namespace qm
