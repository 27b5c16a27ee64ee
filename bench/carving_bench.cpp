// Carving speed: identification of sectors that hold no known format (the common case of a
// deep scan), and the next-header read-ahead over a long file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "engines/carving/carve_context.h"
#include "engines/carving/identification.h"
#include "engines/carving/measures.h"
#include "engines/carving/sector_source.h"

namespace {

constexpr uint32_t kSector = 512;

// Sectors of the kinds a disk is full of: random (compressed) data, zeros, text, 0xFF fill,
// and near misses that start like a signature but are none (FF D8 FF DB is a JPEG of its own).
std::vector<uint8_t> MixedSectors(size_t bytes) {
    std::mt19937 rng(42);
    std::vector<uint8_t> out(bytes);
    static const char* const kNearMisses[] = {"MZ\x90\x00", "PK\x01\x02", "GIF!", "\xFF\xD8\xFF\x01", "RIFF",
                                              "\x00\x00\x01\xBA", "ID3\xFF", "%PD", "\x00\x00\x01\x00"};
    static const char kText[] = "the quick brown fox jumps over the lazy dog; 0123456789\r\n";
    for (size_t s = 0; s < bytes / kSector; ++s) {
        uint8_t* p = out.data() + s * kSector;
        switch (s % 8) {
            case 0: case 1: case 2:
                for (size_t i = 0; i < kSector; ++i) p[i] = static_cast<uint8_t>(rng());
                if (p[0] == 'G' || p[0] == 0xFE) p[0] = 'g';  // one in 65536 would start a Ghost image
                break;
            case 3: std::memset(p, 0, kSector); break;
            case 4:
                for (size_t i = 0; i < kSector; ++i) p[i] = static_cast<uint8_t>(kText[(i + s) % (sizeof kText - 1)]);
                break;
            case 5: std::memset(p, 0xFF, kSector); break;
            default: {
                for (size_t i = 0; i < kSector; ++i) p[i] = static_cast<uint8_t>(rng());
                const char* miss = kNearMisses[s % (sizeof kNearMisses / sizeof *kNearMisses)];
                std::memcpy(p, miss, 4);
            }
        }
    }
    return out;
}

// Identification over 1 GiB: a 16 MiB buffer offered 64 times, sector by sector.
void BM_IdentifyNonMatching(benchmark::State& state) {
    const std::vector<uint8_t> data = MixedSectors(16 << 20);
    qm::MemorySectorSource source(qm::ByteView(data.data(), data.size()));
    qm::CarveContext ctx;
    ctx.sectorSize = kSector;
    ctx.source = &source;
    size_t claimed = 0;
    for (auto _ : state) {
        for (int pass = 0; pass < 64; ++pass) {
            for (size_t s = 0; s < data.size() / kSector; ++s) {
                ctx.BeginCandidate(s);
                qm::Identification id;
                claimed += qm::Identify(ctx, qm::ByteView(data.data() + s * kSector, kSector), id) == 0;
            }
        }
    }
    if (claimed) state.SkipWithError("a mixed sector was identified");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 64 * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_IdentifyNonMatching)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A file of 256 MiB that nothing interrupts: the next-header rule reads and checks all of it.
void BM_NextHeaderReadAhead(benchmark::State& state) {
    std::vector<uint8_t> data = MixedSectors(256 << 20);
    std::memcpy(data.data(), "FLV\x01\x05\x00\x00\x00\x09", 9);
    qm::MemorySectorSource source(qm::ByteView(data.data(), data.size()));
    qm::CarveContext ctx;
    ctx.sectorSize = kSector;
    ctx.source = &source;
    uint64_t length = 0;
    for (auto _ : state) {
        ctx.BeginCandidate(0);
        length = qm::MeasureNextHeader64G(ctx, qm::ByteView(data.data(), kSector));
        benchmark::DoNotOptimize(length);
    }
    if (length != data.size()) state.SkipWithError("the read-ahead stopped early");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_NextHeaderReadAhead)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
