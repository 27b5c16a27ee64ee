// Pictures of today's cameras and phones: HEIF, AVIF, CR3, M4A/M4V, WebP and camera raw files,
// identified at a sector boundary and measured by their own structures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engines/carving/formats_pictures.h"
#include "engines/carving/identification.h"
#include "engines/carving/matches_extension.h"
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

enum class Rule {
    Exact,      // the file's own length whatever follows
    Value,      // a length the structure gives, shorter than the file
    Structure,  // the sample's data was cut out: the length its structure still gives, past its end
};

struct RealCase {
    const char* path;
    const char* extension;
    Rule rule = Rule::Exact;
    uint64_t value = 0;
};

enum class Trailer { OtherHeader, FileRecord, Zeros, Noise };

TEST(CarvingPictures, RealFilesFollowedByOtherContent) {
    const RealCase cases[] = {
        {"heic/plasma.heic", "heic"},
        {"heic/QuickTime.heic", "heic"},  // the generic HEIF brand first
        {"avif/plasma.avif", "avif"},
        {"m4a/QuickTime.m4a", "m4a"},
        {"m4v/testsrc.m4v", "m4v"},
        {"cr3/CanonRaw.cr3", "cr3"},
        {"webp/plasma_lossy.webp", "webp"},
        {"webp/plasma_lossless.webp", "webp"},
        {"webp/RIFF.webp", "webp"},
        {"cr2/CanonRaw.cr2", "cr2", Rule::Value, 8706},  // then 18 bytes of text that nothing names
        {"nef/Nikon.nef", "nef"},
        {"dng/DNG.dng", "dng"},
        {"rw2/Panasonic.rw2", "rw2", Rule::Structure, 12322 + 20511792},  // raw data offset + strip size
        {"raf/FujiFilm.raf", "raf"},
    };
    const Trailer trailers[] = {Trailer::OtherHeader, Trailer::FileRecord, Trailer::Zeros, Trailer::Noise};
    for (const RealCase& c : cases) {
        Bytes file = test::CarvingSample(c.path);
        ASSERT_FALSE(file.empty()) << c.path;
        if (c.rule == Rule::Structure) {
            ASSERT_LT(file.size(), c.value) << c.path;
            const Bytes rest = test::Noise(c.value - file.size(), 7);
            file.insert(file.end(), rest.begin(), rest.end());
        }
        const uint64_t expected = c.rule == Rule::Value ? c.value : file.size();
        for (Trailer trailer : trailers) {
            TestMedium medium;
            medium.Append(test::Noise(3 * S, 5));
            const uint64_t at = medium.Append(file);
            switch (trailer) {
                case Trailer::OtherHeader: medium.Append(test::PngHeaderSector()); break;
                case Trailer::FileRecord: medium.Append(test::NtfsFileRecord()); break;
                case Trailer::Zeros: medium.AppendZeros(8); break;
                case Trailer::Noise: medium.Append(test::Noise(8 * S, 6)); break;
            }
            MemoryRun run(medium);
            CarvedFile carved;
            ASSERT_EQ(0, IdentifyAndMeasure(run.ctx, medium.Sector(at), at, carved)) << c.path;
            EXPECT_STREQ(c.extension, carved.id.extension) << c.path;
            EXPECT_EQ(expected, carved.length) << c.path << " trailer " << static_cast<int>(trailer);
        }
    }
}

// A file whose structure runs past the medium's end falls back to the next-header rule.
TEST(CarvingPictures, CutShortFallsBackToTheNextHeader) {
    struct Case {
        const char* path;
        size_t keep;     // 0: the sample as it is, whose data was cut out
        uint64_t claim;  // the length its structure gives
        MeasureFn walk;
        MeasureFn former;
    };
    const Case cases[] = {
        {"heic/plasma.heic", 4000, 8204, MeasureIsoBoxes, MeasureNextHeader6G},
        {"cr3/CanonRaw.cr3", 30000, 52502, MeasureIsoBoxes, MeasureNextHeader6G},
        {"nef/Nikon.nef", 3000, 6188, MeasureCameraRawExtent, MeasureNextHeader256M},
        {"rw2/Panasonic.rw2", 0, 12322 + 20511792, MeasureCameraRawExtent, MeasureNextHeader256M},
    };
    for (const Case& c : cases) {
        Bytes file = test::CarvingSample(c.path);
        ASSERT_FALSE(file.empty()) << c.path;
        if (c.keep != 0) file.resize(c.keep);
        TestMedium medium;
        medium.Append(test::Noise(2 * S, 8));
        const uint64_t at = medium.Append(file);
        const uint64_t former = MeasureAt(medium, at, c.former);
        EXPECT_LT(former, c.claim) << c.path;
        EXPECT_EQ(former, MeasureAt(medium, at, c.walk)) << c.path;
    }
}

// Sizes of zero, of all ones and loops give the former rule, bounded, instead of a claim.
TEST(CarvingPictures, HostileSizesEndAtTheFormerRule) {
    struct Case {
        const char* path;
        size_t patchAt;
        Bytes patch;
        MeasureFn measure;
        MeasureFn former;
    };
    const Bytes ones(8, 0xFF);
    const Case cases[] = {
        {"webp/plasma_lossy.webp", 4, {0xFF, 0xFF, 0xFF, 0xFF}, MeasureWebpLength, MeasureNextHeader256M},
        {"webp/plasma_lossy.webp", 4, {0, 0, 0, 0}, MeasureWebpLength, MeasureNextHeader256M},
        {"raf/FujiFilm.raf", 100, ones, MeasureFujifilmRawLength, MeasureNextHeader256M},
        // The mdat with a 64-bit size of 2^64-1, then of 0 (up to the end of the medium).
        {"heic/plasma.heic", 350, {0, 0, 0, 1, 'm', 'd', 'a', 't', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         MeasureIsoBoxes, MeasureNextHeader6G},
        {"heic/plasma.heic", 350, {0, 0, 0, 0}, MeasureIsoBoxes, MeasureNextHeader6G},
        {"nef/Nikon.nef", 310, {8, 0, 0, 0}, MeasureCameraRawExtent, MeasureNextHeader256M},  // IFD0 next: IFD0
        {"dng/DNG.dng", 162, {0xFF, 0xFF, 0xFF, 0xFF}, MeasureCameraRawExtent, MeasureNextHeader256M},  // a strip size
    };
    for (const Case& c : cases) {
        Bytes file = test::CarvingSample(c.path);
        ASSERT_GE(file.size(), c.patchAt + c.patch.size()) << c.path;
        std::memcpy(file.data() + c.patchAt, c.patch.data(), c.patch.size());
        TestMedium medium;
        const uint64_t at = medium.Append(file);
        medium.Append(test::Noise(16 * S, 9));
        const uint64_t former = MeasureAt(medium, at, c.former);
        EXPECT_EQ(medium.bytes().size() - at * S, former) << c.path;
        EXPECT_EQ(former, MeasureAt(medium, at, c.measure)) << c.path;
    }
}

// A file system's name is judged by the first row of its extension.
TEST(CarvingPictures, NamedFilesPassTheContentCheck) {
    const std::pair<const char*, const char*> cases[] = {
        {"heic/plasma.heic", "heic"}, {"heic/QuickTime.heic", "heif"}, {"avif/plasma.avif", "avif"},
        {"cr3/CanonRaw.cr3", "cr3"},  {"m4a/QuickTime.m4a", "m4a"},    {"webp/RIFF.webp", "webp"},
        {"cr2/CanonRaw.cr2", "cr2"},  {"nef/Nikon.nef", "nef"},        {"dng/DNG.dng", "dng"},
        {"rw2/Panasonic.rw2", "rw2"}, {"raf/FujiFilm.raf", "raf"},
    };
    for (const auto& [path, extension] : cases) {
        TestMedium medium;
        const uint64_t at = medium.Append(test::CarvingSample(path));
        MemoryRun run(medium);
        EXPECT_EQ(1, MatchesExtension(run.ctx, medium.Sector(at), extension, &run.source, S, at)) << path;
    }
}

// A TIFF header and a first directory whose maker and model strings lie past the first
// sector, so the detector reads them from the medium.
Bytes TiffWithMake(const char* magic, const std::string& make, const std::string& model) {
    Bytes out(2 * S, 0);
    std::memcpy(out.data(), magic, 4);
    out[4] = 8;
    out[8] = 2;  // two entries
    const std::string* texts[] = {&make, &model};
    uint32_t textAt = 600;
    for (int i = 0; i < 2; ++i) {
        uint8_t* e = out.data() + 10 + 12 * i;
        e[0] = static_cast<uint8_t>(0x0F + i);
        e[1] = 0x01;
        e[2] = 2;  // ASCII
        const size_t count = texts[i]->size() + 1;
        e[4] = static_cast<uint8_t>(count);
        e[8] = static_cast<uint8_t>(textAt);
        e[9] = static_cast<uint8_t>(textAt >> 8);
        std::memcpy(out.data() + textAt, texts[i]->c_str(), count);
        textAt += 64;
    }
    return out;
}

TEST(CarvingPictures, CameraRawMakersAreToldApartByTheFirstDirectory) {
    struct Case {
        const char* magic;
        const char* make;
        const char* model;
        const char* extension;
    };
    const Case cases[] = {
        {"II*\0", "SONY", "DSLR-A100", "arw"},
        {"II*\0", "SONY", "DSC-R1", "sr2"},
        {"II*\0", "NIKON", "COOLPIX P7000", "nrw"},
        {"II*\0", "NIKON", "COOLPIX A", "nef"},
        {"II*\0", "PENTAX Corporation", "PENTAX K10D", "pef"},
        {"II*\0", "RICOH IMAGING COMPANY, LTD.", "PENTAX K-1", "pef"},
        {"IIRO", "OLYMPUS IMAGING CORP.", "E-M5", "orf"},
        {"II*\0", "Canon", "Canon EOS 5D", "tif"},  // a plain TIFF stays one
    };
    for (const Case& c : cases) {
        TestMedium medium;
        const uint64_t at = medium.Append(TiffWithMake(c.magic, c.make, c.model));
        MemoryRun run(medium);
        Identification id;
        run.ctx.BeginCandidate(at);
        ASSERT_EQ(0, Identify(run.ctx, medium.Sector(at), id)) << c.model;
        EXPECT_STREQ(c.extension, id.extension) << c.model;
        EXPECT_EQ(1, MatchesExtension(run.ctx, medium.Sector(at), c.extension, &run.source, S, at)) << c.model;
    }
}

}  // namespace
}  // namespace qm
