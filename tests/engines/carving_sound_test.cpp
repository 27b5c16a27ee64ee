// The sound rows (Ogg, Opus, FLAC, WebM, MPEG audio without a tag, AAC in ADTS frames) on real files: identified
// at a sector boundary and measured whatever follows them.
#include <cstring>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/identification.h"
#include "engines/carving/matches_extension.h"
#include "engines/carving/measures.h"
#include "tests/engines/carving_test_media.h"

namespace qm {

using namespace carving;
namespace {

using test::Bytes;
using test::MemoryRun;
using test::TestMedium;

constexpr uint32_t S = 512;

struct Carved {
    int code = kTypeNoMatch;
    uint64_t length = 0;
};

// Identifies and measures the file placed after three sectors of noise, `after` behind it.
Carved CarveFile(const Bytes& file, const Bytes& after) {
    TestMedium medium;
    medium.Append(test::Noise(3 * S, 5));
    const uint64_t at = medium.Append(file);
    medium.Append(after);
    MemoryRun run(medium);
    CarvedFile carved;
    if (IdentifyAndMeasure(run.ctx, medium.Sector(at), at, carved) != 0) return {};
    return {carved.id.code, carved.length};
}

uint64_t MeasureAt(const Bytes& file, const Bytes& after, MeasureFn measure) {
    TestMedium medium;
    const uint64_t at = medium.Append(file);
    medium.Append(after);
    MemoryRun run(medium);
    run.ctx.BeginCandidate(at);
    return measure(run.ctx, medium.Sector(at));
}

Bytes Sample(const char* path, size_t skip = 0) {
    const Bytes file = test::CarvingSample(path);
    return file.size() > skip ? Bytes(file.begin() + static_cast<ptrdiff_t>(skip), file.end()) : Bytes();
}

TEST(CarvingSound, RealFilesIdentifiedAndMeasuredWhateverFollows) {
    struct Case {
        const char* path;
        int code;
        size_t skip = 0;  // an ID3v2 tag cut off: the frames alone
    };
    const Case cases[] = {
        {"ogg/testVORBIS.ogg", kTypeOgg},
        {"ogg/sine-flac.ogg", kTypeOgg},
        {"ogv/testsrc.ogv", kTypeOgv},
        {"aac/sine.aac", kTypeAac},
        {"mts/M2TS.mts", kTypeMts},
        {"opus/Opus.opus", kTypeOpus},
        {"flac/sine.flac", kTypeFlac},
        {"webm/testWEBM.webm", kTypeWebm},
        {"mp3/testMP3-untagged.mp3", kTypeMp3},                       // five frames in a row
        {"mp3/en-US_(A_Little_Bottle_Of_Water).mp3", kTypeMp3, 138},  // an Info frame first
    };
    for (const Case& c : cases) {
        const Bytes file = Sample(c.path, c.skip);
        ASSERT_FALSE(file.empty()) << c.path;
        const Bytes trailers[] = {test::PngHeaderSector(), Bytes(8 * S, 0), test::Noise(8 * S, 6), file};
        for (const Bytes& after : trailers) {
            const Carved carved = CarveFile(file, after);
            EXPECT_EQ(c.code, carved.code) << c.path;
            EXPECT_EQ(file.size(), carved.length) << c.path << " followed by " << after.size() << " bytes";
        }
    }
}

TEST(CarvingSound, NamedFilesPassTheContentCheck) {
    const std::pair<const char*, const char*> cases[] = {
        {"ogg/testVORBIS.ogg", "ogg"},  {"opus/Opus.opus", "opus"},          {"flac/sine.flac", "flac"},
        {"webm/testWEBM.webm", "webm"}, {"mp3/testMP3-untagged.mp3", "mp3"}, {"aac/sine.aac", "aac"},
        {"ogv/testsrc.ogv", "ogv"},
    };
    for (const auto& [path, extension] : cases) {
        TestMedium medium;
        const uint64_t at = medium.Append(test::CarvingSample(path));
        MemoryRun run(medium);
        EXPECT_EQ(1, MatchesExtension(run.ctx, medium.Sector(at), extension, &run.source, S, at)) << path;
    }
}

// The pages of an Ogg file, each as its own bytes.
std::vector<Bytes> OggPages(const Bytes& file) {
    std::vector<Bytes> pages;
    for (size_t at = 0; at + 27 <= file.size();) {
        size_t length = 27 + file[at + 26];
        for (size_t i = 0; i < file[at + 26]; ++i) length += file[at + 27 + i];
        pages.emplace_back(file.begin() + static_cast<ptrdiff_t>(at),
                           file.begin() + static_cast<ptrdiff_t>(at + length));
        at += length;
    }
    return pages;
}

TEST(CarvingSound, OggEndsWhenEveryStreamHasEnded) {
    // Two real streams as a multiplexer lays them out: both first pages, then the rest interleaved.
    const std::vector<Bytes> vorbis = OggPages(test::CarvingSample("ogg/testVORBIS.ogg"));
    const std::vector<Bytes> opus = OggPages(test::CarvingSample("opus/Opus.opus"));
    ASSERT_EQ(3u, vorbis.size());
    ASSERT_EQ(3u, opus.size());
    Bytes file;
    for (size_t i = 0; i < 3; ++i)
        for (const Bytes* page : {&vorbis[i], &opus[i]}) file.insert(file.end(), page->begin(), page->end());
    EXPECT_EQ(file.size(), CarveFile(file, file).length);
    // Without the Opus stream's last page the Vorbis stream's end does not end the file.
    const size_t opusEnd = file.size() - opus[2].size();
    Bytes cut(file.begin(), file.begin() + static_cast<ptrdiff_t>(opusEnd));
    EXPECT_EQ(opusEnd, CarveFile(cut, test::Noise(8 * S, 7)).length);
    // A stale page of an ended stream right behind the file, as a longer former version leaves it.
    Bytes stale = test::CarvingSample("ogg/testVORBIS.ogg");
    const size_t vorbisEnd = stale.size();
    stale.insert(stale.end(), vorbis[1].begin(), vorbis[1].end());
    EXPECT_EQ(vorbisEnd, CarveFile(stale, {}).length);
}

TEST(CarvingSound, CutShortEndsWithItsLastWholeStructure) {
    Bytes ogg = test::CarvingSample("ogg/testVORBIS.ogg");
    ogg.resize(4000);  // within its third page, which starts at 3803
    EXPECT_EQ(3803u, CarveFile(ogg, test::Noise(8 * S, 8)).length);
    Bytes flac = test::CarvingSample("flac/sine.flac");
    flac.resize(15000);  // within its fourth frame, which starts at 14352
    EXPECT_EQ(14352u, CarveFile(flac, test::Noise(8 * S, 9)).length);
    flac.resize(8304);  // the metadata alone
    EXPECT_EQ(8304u, CarveFile(flac, test::Noise(8 * S, 9)).length);
}

TEST(CarvingSound, HostileStructuresEndWithoutHanging) {
    const Bytes flac = test::CarvingSample("flac/sine.flac");
    const Bytes noise = test::Noise(64 * S, 10);
    // Metadata blocks of no length that never say they are the last: the former rule.
    Bytes endless(42 + 4 * 20000, 0);
    std::copy(flac.begin(), flac.begin() + 42, endless.begin());
    endless[4] = 0;
    for (size_t at = 42; at < endless.size(); at += 4) endless[at] = 0x01;
    EXPECT_EQ(MeasureAt(endless, noise, MeasureNextHeader4G), MeasureAt(endless, noise, MeasureFlacFrames));
    // Blocks of the largest length run past the medium: the former rule.
    Bytes huge(42 + 4 * 4, 0xFF);
    std::copy(flac.begin(), flac.begin() + 42, huge.begin());
    huge[4] = 0;
    for (size_t at = 42; at < huge.size(); at += 4) huge[at] = 0x01;
    EXPECT_EQ(MeasureAt(huge, noise, MeasureNextHeader4G), MeasureAt(huge, noise, MeasureFlacFrames));
    // A sample count no frame reaches: the frames there are, up to the last one another follows.
    Bytes uncounted = flac;
    std::memset(uncounted.data() + 22, 0xFF, 4);
    uncounted[21] |= 0x0F;
    EXPECT_EQ(19112u, MeasureAt(uncounted, noise, MeasureFlacFrames));  // the sixth and last frame starts there

    // An Ogg first page whose segment table claims the most a page can hold, past the medium.
    Bytes page = test::CarvingSample("opus/Opus.opus");
    page.resize(27 + 255);
    page[26] = 255;
    std::memset(page.data() + 27, 0xFF, 255);
    EXPECT_EQ(MeasureAt(page, {}, MeasureNextHeader4G), MeasureAt(page, {}, MeasureOggPages));

    // A RIFF size of 0, left by a writer that could not go back: the next header ends the file.
    Bytes wav = test::CarvingSample("wav/testWAV.wav");
    std::memset(wav.data() + 4, 0, 4);
    EXPECT_EQ((wav.size() + S - 1) / S * S, MeasureAt(wav, test::PngHeaderSector(), MeasureRiffWave));
}

// Where each ADTS frame of a file starts, by the lengths their headers give.
std::vector<size_t> AdtsFrameStarts(const Bytes& file) {
    std::vector<size_t> starts;
    for (size_t at = 0; at + 7 <= file.size();) {
        starts.push_back(at);
        at += ((file[at + 3] & 3u) << 11) | (file[at + 4] << 3u) | (file[at + 5] >> 5u);
    }
    return starts;
}

// Gives the frame at `at` a length field of `length`.
void SetAdtsLength(Bytes& file, size_t at, uint32_t length) {
    file[at + 3] = static_cast<uint8_t>((file[at + 3] & 0xFC) | (length >> 11));
    file[at + 4] = static_cast<uint8_t>(length >> 3);
    file[at + 5] = static_cast<uint8_t>((file[at + 5] & 0x1F) | ((length & 7) << 5));
}

TEST(CarvingSound, AdtsWalkEndsAtTheFirstForeignFrame) {
    const Bytes aac = test::CarvingSample("aac/sine.aac");
    const std::vector<size_t> at = AdtsFrameStarts(aac);
    ASSERT_GT(at.size(), 12u);
    const Bytes noise = test::Noise(64 * S, 12);
    // A tag behind the last frame belongs to the file.
    Bytes tagged = aac;
    tagged.resize(aac.size() + 128);
    std::memcpy(tagged.data() + aac.size(), "TAG", 3);
    EXPECT_EQ(tagged.size(), MeasureAt(tagged, noise, MeasureAdtsFrames));
    // A frame of another stream (stereo instead of mono) ends the walk where it starts.
    Bytes other = aac;
    other[at[10] + 3] ^= 0xC0;
    EXPECT_EQ(at[10], MeasureAt(other, noise, MeasureAdtsFrames));
    // Hostile lengths: 0; 7 with a CRC, which needs 9; 7 without, so payload comes where the
    // next header should; the largest, past the medium.
    Bytes zero = aac;
    SetAdtsLength(zero, at[6], 0);
    EXPECT_EQ(at[6], MeasureAt(zero, noise, MeasureAdtsFrames));
    Bytes crc = aac;
    SetAdtsLength(crc, at[7], 7);
    crc[at[7] + 1] &= 0xFE;
    EXPECT_EQ(at[7], MeasureAt(crc, noise, MeasureAdtsFrames));
    Bytes header = aac;
    SetAdtsLength(header, at[8], 7);
    EXPECT_EQ(at[8] + 7, MeasureAt(header, noise, MeasureAdtsFrames));
    Bytes huge(aac.begin(), aac.begin() + static_cast<ptrdiff_t>(at[9]));
    SetAdtsLength(huge, at[8], 8191);
    EXPECT_EQ(at[8], MeasureAt(huge, {}, MeasureAdtsFrames));
    // Fewer frames than the detector asks for: the former rule.
    Bytes few = aac;
    few[at[3] + 1] |= 0x06;  // a layer other than 00
    EXPECT_EQ(MeasureAt(few, noise, MeasureNextHeader4G), MeasureAt(few, noise, MeasureAdtsFrames));
}

// Camcorder clips written back to back: the next one's program table, its clock at zero,
// ends the first.
TEST(CarvingSound, TimestampedPacketsEndWhereTheNextRecordingStarts) {
    const Bytes clip = test::CarvingSample("mts/M2TS.mts");
    Bytes two = clip;
    two.insert(two.end(), clip.begin(), clip.end());
    EXPECT_EQ(clip.size(), MeasureAt(two, test::Noise(8 * S, 3), MeasureTimestampedPackets));
    two[clip.size() + 3] = 1;  // the second clip's first packet is now mid-recording: one stream
    EXPECT_EQ(two.size(), MeasureAt(two, test::Noise(8 * S, 3), MeasureTimestampedPackets));
}

TEST(CarvingSound, OneMpegAudioFrameAloneIsNotClaimed) {
    const Bytes mp3 = Sample("mp3/testMP3-untagged.mp3");
    Bytes single(mp3.begin(), mp3.begin() + 418);
    EXPECT_EQ(kTypeNoMatch, CarveFile(single, test::Noise(8 * S, 11)).code);
}

}  // namespace
}  // namespace qm
