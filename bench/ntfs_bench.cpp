// The fast NTFS engine on the benchmark volume (bench/ntfs_bench.sh builds it): a whole scan,
// and the recovery of every deleted file it lists.
#include "bench/fast_engine_bench.h"
#include "engines/ntfs/fast_ntfs_recovery.h"

namespace {

std::wstring Image() { return qm::bench::Env("QM_NTFS_BENCH_IMAGE", "/tmp/qm-ntfs-bench/ntfs-200k.img"); }
std::wstring Work() { return qm::bench::Env("QM_NTFS_BENCH_DIR", "/tmp/qm-ntfs-bench"); }

void BM_FastNtfsScan(benchmark::State& state) {
    const std::wstring logs = qm::platform::joinPath(Work(), L"logs");
    uint64_t found = 0, folderReads = 0;
    for (auto _ : state) {
        qm::platform::deleteTree(logs);
        qm::CFastNtfsRecovery engine;
        if (!qm::bench::ScanInto(engine, Image(), logs, state)) return;
        found = engine.GetFoundCount();
        folderReads = engine.FolderRecordReads();
    }
    state.counters["records"] = static_cast<double>(found);
    state.counters["folder_reads"] = static_cast<double>(folderReads);
}

void BM_FastNtfsRecoverAllDeleted(benchmark::State& state) {
    qm::bench::RecoverAllDeleted<qm::CFastNtfsRecovery>(state, Image(), Work());
}

BENCHMARK(BM_FastNtfsScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FastNtfsRecoverAllDeleted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
