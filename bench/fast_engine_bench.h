// What the fast-engine benchmarks share: the image and work folder from the environment, a
// whole scan, and the recovery of every deleted file the engine lists.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/text.h"
#include "results/scan_record.h"

namespace qm::bench {

inline std::wstring Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return qm::platform::fromUtf8(value && *value ? value : fallback);
}

// Scans the image with a fresh engine into `logs`; false (and the benchmark skipped) on failure.
template <typename Engine>
bool ScanInto(Engine& engine, const std::wstring& image, const std::wstring& logs, benchmark::State& state) {
    engine.SetLogFolder(logs);
    if (engine.OpenImage(image, 0) != 0 || engine.Scan(nullptr) != 0) {
        state.SkipWithError("cannot scan the benchmark image");
        return false;
    }
    return true;
}

// Every top-level item recovered per iteration (folders bring everything below them).
template <typename Engine>
void RecoverAllDeleted(benchmark::State& state, const std::wstring& image, const std::wstring& work) {
    const std::wstring logs = qm::platform::joinPath(work, L"logs");
    const std::wstring out = qm::platform::joinPath(work, L"recovered");
    qm::platform::deleteTree(logs);
    Engine engine;
    if (!ScanInto(engine, image, logs, state)) return;
    std::vector<qm::ScanRecord> root;
    engine.ListFolder(nullptr, 0, root);
    uint32_t files = 0;
    engine.CountFiles(nullptr, 0, files);
    for (auto _ : state) {
        state.PauseTiming();
        qm::platform::deleteTree(out);
        qm::platform::createFolderTree(out);
        state.ResumeTiming();
        for (const qm::ScanRecord& item : root) {
            const std::wstring target = qm::platform::joinPath(out, qm::platform::fromUtf8(qm::recordName(item)));
            int separators = 0;
            for (size_t i = 0; i + 1 < target.size(); ++i) separators += target[i] == L'/';
            engine.RecoverItem(&item, target, separators - 1);
        }
    }
    state.counters["files"] = files;
}

}  // namespace qm::bench
