// The results page over a big card: a million found files grouped into the type tree, the first
// page of the file list, sorting by size and ticking a whole group, with the memory it takes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/core/found_files_model.h"
#include "bench/synthetic_records.h"

namespace qm {
namespace {

constexpr size_t kRecords = 1000000;

// Resident memory in bytes (Linux); 0 where it cannot be read.
int64_t residentBytes() {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (!file) return 0;
    char line[256];
    int64_t kib = 0;
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kib = std::strtoll(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return kib * 1024;
}

const TypeOptionIndex& optionIndex() {
    static const TypeOptionIndex index = [] {
        TypeChoice choice;
        choice.Reset(DefaultChoiceGroups());
        return choice.OptionIndex();
    }();
    return index;
}

size_t largestType(const FoundFilesModel& model) {
    size_t best = 0;
    for (size_t t = 0; t < model.Types().size(); ++t) {
        if (model.Types()[t].records.size() > model.Types()[best].records.size()) best = t;
    }
    return best;
}

size_t largestGroup(const FoundFilesModel& model) {
    size_t best = 0;
    for (size_t g = 0; g < kTypeGroupCount; ++g) {
        if (model.Groups()[g].files > model.Groups()[best].files) best = g;
    }
    return best;
}

// The model the sort and tick benchmarks share; onlyPhotos puts every record in one type.
FoundFilesModel& sharedModel(bool onlyPhotos) {
    static FoundFilesModel mixed, photos;
    FoundFilesModel& model = onlyPhotos ? photos : mixed;
    if (model.Records().empty()) model.SetResults(makeRecords(kRecords, onlyPhotos), optionIndex(), true);
    return model;
}

// Growth counts the records themselves: the window receives them from the search and the
// model keeps them as its one copy.
void BM_BuildTreeAndFirstPage(benchmark::State& state) {
    const bool onlyPhotos = state.range(0) != 0;
    int64_t growth = 0, overhead = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int64_t before = residentBytes();
        std::vector<ScanRecord> records = makeRecords(kRecords, onlyPhotos);
        const int64_t withRecords = residentBytes();
        auto model = std::make_unique<FoundFilesModel>();
        state.ResumeTiming();

        model->SetResults(std::move(records), optionIndex(), true);
        std::vector<FileRow> rows = model->PageRows(largestType(*model), 1);
        benchmark::DoNotOptimize(rows.data());

        state.PauseTiming();
        const int64_t after = residentBytes();
        growth = after - before;
        overhead = after - withRecords;
        model.reset();
        state.ResumeTiming();
    }
    state.counters["rss_growth_MB"] = static_cast<double>(growth) / (1 << 20);
    state.counters["model_overhead_MB"] = static_cast<double>(overhead) / (1 << 20);
}
BENCHMARK(BM_BuildTreeAndFirstPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortBySize(benchmark::State& state) {
    FoundFilesModel& model = sharedModel(state.range(0) != 0);
    const size_t type = largestType(model);
    for (auto _ : state) model.SortBy(type, FileColumn::Size);  // toggles: descending, ascending, ...
    state.counters["rows"] = static_cast<double>(model.Types()[type].records.size());
}
BENCHMARK(BM_SortBySize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_SortByName(benchmark::State& state) {
    FoundFilesModel& model = sharedModel(state.range(0) != 0);
    const size_t type = largestType(model);
    for (auto _ : state) model.SortBy(type, FileColumn::FileName);
    state.counters["rows"] = static_cast<double>(model.Types()[type].records.size());
}
BENCHMARK(BM_SortByName)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_TickWholeGroup(benchmark::State& state) {
    FoundFilesModel& model = sharedModel(state.range(0) != 0);
    const size_t group = largestGroup(model);
    bool checked = false;
    for (auto _ : state) {
        checked = !checked;
        model.SetGroupChecked(group, checked);
        benchmark::DoNotOptimize(model.Summary().bytes);
    }
    state.counters["files"] = static_cast<double>(model.Groups()[group].files);
}
BENCHMARK(BM_TickWholeGroup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
