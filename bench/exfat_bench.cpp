// The fast exFAT engine on the benchmark volume (bench/exfat_bench.sh builds it): a whole
// scan, and the recovery of every deleted file it lists.
#include "bench/fast_engine_bench.h"
#include "engines/exfat/fast_exfat_recovery.h"

namespace {

std::wstring Image() { return qm::bench::Env("QM_EXFAT_BENCH_IMAGE", "/tmp/qm-exfat-bench/exfat-100k.img"); }
std::wstring Work() { return qm::bench::Env("QM_EXFAT_BENCH_DIR", "/tmp/qm-exfat-bench"); }

void BM_FastExFatScan(benchmark::State& state) {
    const std::wstring logs = qm::platform::joinPath(Work(), L"logs");
    uint64_t found = 0;
    for (auto _ : state) {
        qm::platform::deleteTree(logs);
        qm::CFastExFatRecovery engine;
        if (!qm::bench::ScanInto(engine, Image(), logs, state)) return;
        found = engine.GetFoundCount();
    }
    state.counters["records"] = static_cast<double>(found);
}

void BM_FastExFatRecoverAllDeleted(benchmark::State& state) {
    qm::bench::RecoverAllDeleted<qm::CFastExFatRecovery>(state, Image(), Work());
}

BENCHMARK(BM_FastExFatScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FastExFatRecoverAllDeleted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
