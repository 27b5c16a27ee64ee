// The fast NTFS engine on the benchmark volume (bench/ntfs_bench.sh builds it): a whole scan,
// and the recovery of every deleted file it lists.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {

std::wstring Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return qm::platform::fromUtf8(value && *value ? value : fallback);
}

std::wstring Image() { return Env("QM_NTFS_BENCH_IMAGE", "/tmp/qm-ntfs-bench/ntfs-200k.img"); }
std::wstring Work() { return Env("QM_NTFS_BENCH_DIR", "/tmp/qm-ntfs-bench"); }

void BM_FastNtfsScan(benchmark::State& state) {
    const std::wstring logs = qm::platform::joinPath(Work(), L"logs");
    uint64_t found = 0, folderReads = 0;
    for (auto _ : state) {
        qm::platform::deleteTree(logs);
        qm::CFastNtfsRecovery engine;
        engine.SetLogFolder(logs);
        if (engine.OpenImage(Image(), 0) != 0 || engine.Scan(nullptr) != 0) {
            state.SkipWithError("cannot scan the benchmark image");
            return;
        }
        found = engine.GetFoundCount();
        folderReads = engine.FolderRecordReads();
    }
    state.counters["records"] = static_cast<double>(found);
    state.counters["folder_reads"] = static_cast<double>(folderReads);
}

void BM_FastNtfsRecoverAllDeleted(benchmark::State& state) {
    const std::wstring logs = qm::platform::joinPath(Work(), L"logs");
    const std::wstring out = qm::platform::joinPath(Work(), L"recovered");
    qm::platform::deleteTree(logs);
    qm::CFastNtfsRecovery engine;
    engine.SetLogFolder(logs);
    if (engine.OpenImage(Image(), 0) != 0 || engine.Scan(nullptr) != 0) {
        state.SkipWithError("cannot scan the benchmark image");
        return;
    }
    std::vector<qm::ScanRecord> root;
    engine.ListFolder(nullptr, 0, root);
    uint32_t files = 0;
    engine.CountFiles(nullptr, 0, files);
    for (auto _ : state) {
        state.PauseTiming();
        qm::platform::deleteTree(out);
        qm::platform::createFolderTree(out);
        state.ResumeTiming();
        // Every top-level item; folders bring everything below them.
        for (const qm::ScanRecord& item : root) {
            const std::wstring target = qm::platform::joinPath(out, qm::platform::fromUtf8(qm::recordName(item)));
            int separators = 0;
            for (size_t i = 0; i + 1 < target.size(); ++i) separators += target[i] == L'/';
            engine.RecoverItem(&item, target, separators - 1);
        }
    }
    state.counters["files"] = files;
}

BENCHMARK(BM_FastNtfsScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FastNtfsRecoverAllDeleted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
