// The exact ends of JPEG, PNG, GIF, PDF, bzip2, ZIP packages, RAR and 7z files, and the EPUB and OpenDocument
// rows: real files identified at a sector boundary and measured whatever follows them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/identification.h"
#include "engines/carving/measures.h"
#include "tests/engines/carving_test_media.h"

namespace qm {

using namespace carving;
namespace {

using test::Bytes;
using test::MeasureAt;
using test::MemoryRun;
using test::TestMedium;

constexpr uint32_t S = 512;

uint64_t RoundUp(uint64_t bytes) { return (bytes + S - 1) / S * S; }

uint64_t ZipEndMarker(CarveContext& ctx, ByteView) { return MeasureZipEndMarker(ctx, 4 * kGiB); }

enum class Trailer { NoiseInItsLastSector, Zeros, OtherHeader };

// The file at a sector boundary of `medium`, followed by `trailer`; returns its first sector.
uint64_t Place(TestMedium& medium, const Bytes& file, Trailer trailer) {
    medium.Append(test::Noise(2 * S, 60));
    if (trailer == Trailer::NoiseInItsLastSector) {
        const uint64_t at = medium.Append(test::Noise(RoundUp(file.size()) + 8 * S, 61));
        std::memcpy(medium.bytes().data() + at * S, file.data(), file.size());
        return at;
    }
    const uint64_t at = medium.Append(file);
    if (trailer == Trailer::Zeros) medium.AppendZeros(8);
    else medium.Append(test::PngHeaderSector());
    medium.Append(test::Noise(8 * S, 62));
    return at;
}

TEST(CarvingPackages, RealFilesAreIdentifiedAndMeasuredExactly) {
    struct Case {
        const char* path;
        int code;
    };
    const Case cases[] = {
        {"jpg/testJPEG_EXIF.jpg", kTypeJpg},
        {"jpg/exif_thumbnail.jpg", kTypeJpg},  // the thumbnail's end marker lies inside the photo
        {"jpg/progressive.jpg", kTypeJpg},
        {"png/testPNG.png", kTypePng},
        {"gif/testGIF.gif", kTypeGif},
        {"pdf/incremental_update.pdf", kTypePdf},
        {"pdf/testPDF_Version.11.x.PDFA-1b.pdf", kTypePdf},  // linearized: two end markers
        {"zip/test-documents.zip", kTypeZip},
        {"zip/nested.zip", kTypeZip},  // packages stored inside, each with its own end record
        {"zip/sector_aligned.zip", kTypeZip},  // its second entry's header starts a sector
        {"zip/stored_png.zip", kTypeZip},  // a stored picture's data starts a sector
        {"docx/testWORD.docx", kTypeDocx},
        {"epub/book.epub", kTypeEpub},
        {"odt/sample.odt", kTypeOdt},
        {"ods/OpenDoc.ods", kTypeOds},
        {"odp/sample.odp", kTypeOdp},
        {"rar/test-documents.rar", kTypeRar},
        {"7z/test-documents.7z", kType7z},
        {"bz2/GPL-3.bz2", kTypeBz2},        // its end mark lies at no byte boundary
        {"bz2/two_streams.bz2", kTypeBz2},  // two streams one after the other
    };
    for (const Case& c : cases) {
        const Bytes file = test::CarvingSample(c.path);
        ASSERT_FALSE(file.empty()) << c.path;
        for (Trailer trailer : {Trailer::NoiseInItsLastSector, Trailer::Zeros, Trailer::OtherHeader}) {
            TestMedium medium;
            const uint64_t at = Place(medium, file, trailer);
            MemoryRun run(medium);
            CarvedFile carved;
            ASSERT_EQ(0, IdentifyAndMeasure(run.ctx, medium.Sector(at), at, carved)) << c.path;
            EXPECT_EQ(c.code, carved.id.code) << c.path;
            EXPECT_EQ(file.size(), carved.length) << c.path << " trailer " << static_cast<int>(trailer);
        }
    }
}

// A file cut short and followed by another file's header: the walk breaks off and the former
// rule decides, which stops at the other header.
TEST(CarvingPackages, TruncatedFilesFallBackToTheFormerRule) {
    struct Case {
        const char* path;
        size_t cut;
        int code;
        MeasureFn former;
    };
    const Case cases[] = {
        {"jpg/exif_thumbnail.jpg", 9000, kTypeJpg, MeasureJpegEnd},
        {"zip/test-documents.zip", 40000, kTypeZip, ZipEndMarker},
        {"rar/test-documents.rar", 40000, kTypeRar, MeasureRarEnd},
        {"7z/test-documents.7z", 40000, kType7z, Measure7zEnd},
        {"pdf/incremental_update.pdf", 36000, kTypePdf, nullptr},  // inside the update: the next header
        {"bz2/two_streams.bz2", 5000, kTypeBz2, nullptr},  // inside the second stream: the next header
    };
    for (const Case& c : cases) {
        Bytes file = test::CarvingSample(c.path);
        ASSERT_GT(file.size(), c.cut) << c.path;
        file.resize(c.cut);
        TestMedium medium;
        const uint64_t at = Place(medium, file, Trailer::OtherHeader);
        MemoryRun run(medium);
        CarvedFile carved;
        ASSERT_EQ(0, IdentifyAndMeasure(run.ctx, medium.Sector(at), at, carved)) << c.path;
        EXPECT_EQ(c.code, carved.id.code) << c.path;
        const uint64_t former = c.former ? MeasureAt(medium, at, c.former) : RoundUp(c.cut);
        EXPECT_LE(former, RoundUp(c.cut)) << c.path;  // never into the other file
        EXPECT_EQ(former, carved.length) << c.path;
    }
}

// Version 5 signatures are RAR too; blocks that do not check out leave the former rule.
TEST(CarvingPackages, RarVersion5SignatureIsIdentifiedAndFallsBack) {
    Bytes file = test::CarvingSample("rar/test-documents.rar");
    ASSERT_FALSE(file.empty());
    file.insert(file.begin() + 6, 0x01);  // "Rar!\x1A\x07\x01\x00" over version 4 blocks
    TestMedium medium;
    const uint64_t at = Place(medium, file, Trailer::OtherHeader);
    MemoryRun run(medium);
    CarvedFile carved;
    ASSERT_EQ(0, IdentifyAndMeasure(run.ctx, medium.Sector(at), at, carved));
    EXPECT_EQ(kTypeRar, carved.id.code);
    EXPECT_EQ(MeasureAt(medium, at, MeasureRarEnd), carved.length);
}

void PutCrc(Bytes& b, size_t crcAt, size_t from, size_t to, bool low16) {
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), b.data() + from, static_cast<uInt>(to - from)));
    if (low16) putU16(b.data() + crcAt, static_cast<uint16_t>(crc));
    else putU32(b.data() + crcAt, crc);
}

// Sizes of 0, 2^32-1 and 2^64-1 in otherwise valid headers end at the former rule.
TEST(CarvingPackages, HostileSizesEndAtTheFormerRule) {
    struct Case {
        const char* name;
        Bytes head;
        MeasureFn walk;
        MeasureFn former;
    };
    Bytes sevenZip(32, 0);  // next header at 2^64-9, 256 bytes long
    std::memcpy(sevenZip.data(), "7z\xBC\xAF\x27\x1C\x00\x04", 8);
    putU64(sevenZip.data() + 12, UINT64_MAX - 8);
    putU64(sevenZip.data() + 20, 256);
    PutCrc(sevenZip, 8, 12, 32, false);

    Bytes rar4(7 + 13 + 36, 0);  // a file block whose 64-bit packed size is 2^64-1
    std::memcpy(rar4.data(), "Rar!\x1A\x07\x00", 7);
    rar4[9] = 0x73;
    rar4[12] = 13;
    PutCrc(rar4, 7, 9, 20, true);
    rar4[22] = 0x74;
    putU16(rar4.data() + 23, 0x8100);
    rar4[25] = 36;
    putU32(rar4.data() + 27, UINT32_MAX);
    putU32(rar4.data() + 52, UINT32_MAX);
    PutCrc(rar4, 20, 22, 56, true);

    Bytes rar5 = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00, 0, 0, 0, 0, 12, 2, 2};  // a file header
    for (int i = 0; i < 9; ++i) rar5.push_back(0xFF);  // its data size: 2^64-1
    rar5.push_back(0x01);
    PutCrc(rar5, 8, 12, rar5.size(), false);

    Bytes zip(1200, 0);  // an end record that points to ZIP64 records at 2^64-1
    std::memcpy(zip.data(), "PK\x03\x04\x14\x00", 6);
    std::memcpy(zip.data() + 1158, "PK\x06\x07", 4);
    putU64(zip.data() + 1166, UINT64_MAX);
    std::memcpy(zip.data() + 1178, "PK\x05\x06", 4);
    std::memset(zip.data() + 1182, 0xFF, 16);

    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00};  // a segment of length 0

    const Case cases[] = {
        {"7z", sevenZip, Measure7zHeaders, Measure7zEnd}, {"rar4", rar4, MeasureRarBlocks, MeasureRarEnd},
        {"rar5", rar5, MeasureRarBlocks, MeasureRarEnd},  {"zip", zip, MeasureZipEnd4G, ZipEndMarker},
        {"jpeg", jpeg, MeasureJpegSegments, MeasureJpegEnd},
    };
    for (const Case& c : cases) {
        TestMedium medium;
        const uint64_t at = medium.Append(c.head);
        medium.Append(test::Noise(16 * S, 63));
        const uint64_t former = MeasureAt(medium, at, c.former);
        EXPECT_LE(former, medium.bytes().size()) << c.name;
        EXPECT_EQ(former, MeasureAt(medium, at, c.walk)) << c.name;
    }
}

}  // namespace
}  // namespace qm
