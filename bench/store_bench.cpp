// Throughput of the scan result store at the sizes a deep scan of a large disk produces.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_type_lists.h"
#include "results/scan_result_store.h"

namespace qm {
namespace {

constexpr int kLogRecords = 1000000;
constexpr int kFolderChildren = 100000;
constexpr int kTreeFolders = 10000;
constexpr int kFilesPerFolder = 10;
const ParentKey kRoot = ParentKey::make(5, 0);

// A scratch folder for the logs, removed when the program ends.
const std::wstring& benchFolder() {
    struct Folder {
        std::wstring path;
        Folder() {
            const char* tmp = std::getenv("TMPDIR");
            path = platform::joinPath(platform::fromUtf8(tmp && *tmp ? tmp : "/tmp"),
                                      L"qm-store-bench-" + std::to_wstring(platform::fileTimeNow()));
            platform::createFolderTree(path);
        }
        ~Folder() { platform::deleteTree(path); }
    };
    static Folder folder;
    return folder.path;
}

const char* const kExtensions[] = {"jpg", "png", "doc", "pdf", "mp3", "avi", "zip", "txt", "dat", "xyz"};

void fillRecord(ScanRecord& r, int n, bool folder, int32_t fsId) {
    char name[64];
    if (folder)
        std::snprintf(name, sizeof name, "Folder %d", n);
    else
        std::snprintf(name, sizeof name, "File_%07d.%s", n, kExtensions[n % 10]);
    r.sourceKind = kSourceFastNtfs;
    r.isFolder = folder ? 1 : 0;
    r.condition = (n % 7) ? 1 : 0;
    r.fsId = fsId;
    r.clusterBytes = 4096;
    r.size = folder ? 0 : 1000u + static_cast<uint64_t>(n);
    r.location = 2048u + static_cast<uint64_t>(n) * 8;
    setRecordName(r, name);
}

// A flat log of one million files under the root, written once and reused.
std::unique_ptr<ScanResultStore> openFlatLog(int records, const wchar_t* name) {
    auto store = std::make_unique<ScanResultStore>();
    platform::deleteFile(platform::joinPath(benchFolder(), name));
    platform::deleteFile(platform::joinPath(benchFolder(), name) + L"_Relation");
    platform::deleteFile(platform::joinPath(benchFolder(), name) + L"_DirInfo");
    store->openIn(benchFolder(), name);
    for (int n = 1; n <= records; ++n) {
        fillRecord(*store->appendRecord(), n, false, 1000 + n);
        store->addChild(kRoot, n, 1000 + n);
    }
    store->flush();
    return store;
}

void BM_AppendAndFlush(benchmark::State& state) {
    for (auto _ : state) {
        auto store = openFlatLog(kLogRecords, L"append");
        if (store->foundCount() != static_cast<uint64_t>(kLogRecords)) state.SkipWithError("records went missing");
        store->close();
    }
    state.SetItemsProcessed(state.iterations() * kLogRecords);
    state.SetBytesProcessed(state.iterations() * kLogRecords * static_cast<int64_t>(kScanRecordBytes));
}
BENCHMARK(BM_AppendAndFlush)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListByType(benchmark::State& state) {
    static auto store = openFlatLog(kLogRecords, L"flat");
    const std::wstring pattern = std::wstring(kPhotoList) + L"|" + kDocumentList;
    size_t found = 0;
    for (auto _ : state) {
        std::vector<ScanRecord> out;
        if (store->listByType(pattern, out) != 0) state.SkipWithError("listing failed");
        found = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["found"] = static_cast<double>(found);
    state.SetItemsProcessed(state.iterations() * kLogRecords);
}
BENCHMARK(BM_ListByType)->Unit(benchmark::kMillisecond);

void BM_ListChildren(benchmark::State& state) {
    static auto store = openFlatLog(kFolderChildren, L"children");
    for (auto _ : state) {
        std::vector<ScanRecord> out;
        if (store->listChildren(kRoot, out) != 0 || out.empty()) state.SkipWithError("listing failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFolderChildren);
}
BENCHMARK(BM_ListChildren)->Unit(benchmark::kMillisecond);

// 10,000 folders of 10 files each, the folders spread over three levels as a scan finds them:
// files of a folder are written together, folders at the end.
std::unique_ptr<ScanResultStore> openTree() {
    auto store = std::make_unique<ScanResultStore>();
    store->openIn(benchFolder(), L"tree");
    auto parentOf = [](int folder) { return folder < 10 ? -1 : folder < 110 ? folder / 11 : 10 + folder / 100; };
    auto depthOf = [](int folder) -> uint32_t { return folder < 10 ? 1 : folder < 110 ? 2 : 3; };
    int n = 0;
    for (int folder = 0; folder < kTreeFolders; ++folder) {
        const ParentKey key = ParentKey::make(100 + folder, depthOf(folder));
        for (int f = 0; f < kFilesPerFolder; ++f) {
            fillRecord(*store->appendRecord(), ++n, false, 0);
            store->addChild(key, n, 0);
        }
    }
    for (int folder = 0; folder < kTreeFolders; ++folder) {
        const int parent = parentOf(folder);
        const ParentKey key = parent < 0 ? kRoot : ParentKey::make(100 + parent, depthOf(folder) - 1);
        fillRecord(*store->appendRecord(), ++n, true, 100 + folder);
        store->addChild(key, n, 100 + folder, "folder");
    }
    store->flush();
    return store;
}

void BM_CountFiles(benchmark::State& state) {
    static auto store = openTree();
    uint32_t count = 0;
    for (auto _ : state) {
        if (store->countFiles(kRoot, count) != 0) state.SkipWithError("count failed");
    }
    if (count != static_cast<uint32_t>(kTreeFolders * kFilesPerFolder)) state.SkipWithError("wrong count");
    state.counters["files"] = count;
    state.SetItemsProcessed(state.iterations() * kTreeFolders * kFilesPerFolder);
}
BENCHMARK(BM_CountFiles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
