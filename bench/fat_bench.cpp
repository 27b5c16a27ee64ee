// The fast FAT engine on the benchmark volume (bench/fat_bench.sh builds it): a whole scan,
// and the recovery of every deleted file it lists.
#include "bench/fast_engine_bench.h"
#include "engines/fat/fast_fat_recovery.h"

namespace {

std::wstring Image() { return qm::bench::Env("QM_FAT_BENCH_IMAGE", "/tmp/qm-fat-bench/fat32-100k.img"); }
std::wstring Work() { return qm::bench::Env("QM_FAT_BENCH_DIR", "/tmp/qm-fat-bench"); }

void BM_FastFatScan(benchmark::State& state) {
    const std::wstring logs = qm::platform::joinPath(Work(), L"logs");
    uint64_t found = 0;
    for (auto _ : state) {
        qm::platform::deleteTree(logs);
        qm::CFastFatRecovery engine;
        if (!qm::bench::ScanInto(engine, Image(), logs, state)) return;
        found = engine.GetFoundCount();
    }
    state.counters["records"] = static_cast<double>(found);
}

void BM_FastFatRecoverAllDeleted(benchmark::State& state) {
    qm::bench::RecoverAllDeleted<qm::CFastFatRecovery>(state, Image(), Work());
}

BENCHMARK(BM_FastFatScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FastFatRecoverAllDeleted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
