// The professional FAT engine's per-sector work, as the deep scan's dispatcher does it: the
// "." / ".." pair test, the directory-sector test and, for sectors that pass, the handlers.
// 1 GiB per iteration: a 64 MiB pattern of sectors fed 16 times at rising sector numbers.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {

constexpr size_t kSector = 512;
constexpr size_t kPatternBytes = 64u << 20;
constexpr int kRepeats = 16;  // 1 GiB in all

std::wstring Work() {
    const char* value = std::getenv("QM_PROFAT_BENCH_DIR");
    return qm::platform::fromUtf8(value && *value ? value : "/tmp/qm-profat-bench");
}

void Entry(uint8_t* e, const char* name11, uint8_t attributes, uint32_t cluster, uint32_t size) {
    std::memset(e, 0, 32);
    std::memcpy(e, name11, 11);
    e[11] = attributes;
    const uint16_t date = ((2021 - 1980) << 9) | (6 << 5) | 15, time = (12 << 11) | (30 << 5);
    qm::putU16(e + 14, time);
    qm::putU16(e + 16, date);
    qm::putU16(e + 18, date);
    qm::putU16(e + 20, static_cast<uint16_t>(cluster >> 16));
    qm::putU16(e + 22, time);
    qm::putU16(e + 24, date);
    qm::putU16(e + 26, static_cast<uint16_t>(cluster));
    qm::putU32(e + 28, size);
}

// Sectors of text, zeros and noise; with `directoryEvery`, every such sector is a directory
// sector instead (alternately a subdirectory head and a sector of file entries), laid out so
// that one sector per cluster and cluster 2 at sector 0 describe them all.
std::vector<uint8_t> Pattern(size_t directoryEvery) {
    std::vector<uint8_t> bytes(kPatternBytes);
    std::mt19937 random(7);
    const char* text = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor. ";
    const size_t textLength = std::strlen(text);
    for (size_t s = 0; s < kPatternBytes / kSector; ++s) {
        uint8_t* p = bytes.data() + s * kSector;
        if (directoryEvery != 0 && s % directoryEvery == directoryEvery - 1) {
            const uint32_t cluster = static_cast<uint32_t>(s + 2);
            size_t first = 0;
            if ((s / directoryEvery) % 2 == 0) {
                Entry(p, ".          ", 0x10, cluster, 0);
                Entry(p + 32, "..         ", 0x10, 0, 0);
                first = 2;
            }
            for (size_t i = first; i < 16; ++i) {
                char name[12];
                std::snprintf(name, sizeof name, "FILE%04zuTXT", i);
                Entry(p + i * 32, name, 0x20, cluster + 1 + static_cast<uint32_t>(i), 100);
            }
            continue;
        }
        switch (s % 3) {
            case 0:
                for (size_t i = 0; i < kSector; ++i) p[i] = static_cast<uint8_t>(text[(s * 7 + i) % textLength]);
                break;
            case 1: std::memset(p, 0, kSector); break;
            default:
                for (size_t i = 0; i < kSector; i += 4) {
                    const uint32_t v = random();
                    std::memcpy(p + i, &v, 4);
                }
        }
    }
    return bytes;
}

void Feed(benchmark::State& state, size_t directoryEvery) {
    const std::vector<uint8_t> pattern = Pattern(directoryEvery);
    const std::wstring work = Work();
    qm::platform::createFolderTree(work);
    const std::wstring image = qm::platform::joinPath(work, L"medium.img");
    {
        qm::platform::File f;
        f.open(image, qm::platform::OpenMode::CreateAlways);
        qm::platform::writeFully(f, pattern.data(), 1u << 20);
    }
    uint64_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::wstring logs = qm::platform::joinPath(work, L"logs");
        qm::platform::deleteTree(logs);
        qm::CProfessionalFatRecovery engine;
        engine.SetLogFolder(logs);
        if (engine.OpenImage(image, 0) != 0 || engine.OpenFatLog(nullptr) != 0) {
            state.SkipWithError("cannot open the benchmark medium");
            return;
        }
        engine.PrepareFatScan();
        state.ResumeTiming();
        for (int r = 0; r < kRepeats; ++r) {
            const uint64_t base = static_cast<uint64_t>(r) * (kPatternBytes / kSector);
            for (size_t s = 0; s < kPatternBytes / kSector; ++s) {
                const uint8_t* p = pattern.data() + s * kSector;
                const qm::ByteView v(p, kSector);
                if (qm::IsDotPair(v.sub(0, 32), v.sub(32, 32)))
                    engine.OnSubdirectoryHead(p, base + s);
                else if (qm::CProfessionalFatRecovery::IsDirectorySector(p, kSector))
                    engine.OnDirectorySector(p, base + s);
            }
        }
        engine.FinishFatScan();
        found = engine.GetFoundCount();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPatternBytes * kRepeats);
    state.counters["records"] = static_cast<double>(found);
}

// Text, zeros and noise only: what most of a disk holds.
void BM_ProFatNonDirectorySectors(benchmark::State& state) { Feed(state, 0); }
// One sector in 64 a directory sector: every one of them parsed into records.
void BM_ProFatMixedSectors(benchmark::State& state) { Feed(state, 64); }

}  // namespace

BENCHMARK(BM_ProFatNonDirectorySectors)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProFatMixedSectors)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
