// A medium of the fuzzer's bytes scanned in deep mode: the coordinator hands every sector to
// the NTFS record parser, the FAT directory parsers and the carver, then lists, counts and
// recovers what they found. Nothing may crash, hang or read outside its buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engines/professional/professional_recovery.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "tests/fuzz/fuzz_work_folder.h"
#include "platform/text.h"
#include "results/scan_history.h"

namespace {

constexpr size_t kMaxMediumBytes = 512 * 1024;

std::wstring workFolder() { return qm::fuzz::WorkFolder("deep-scan"); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    workFolder();  // also points the per-user folder there
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > kMaxMediumBytes) return 0;
    const std::wstring folder = workFolder();
    qm::platform::deleteTree(folder);
    qm::platform::createFolderTree(folder);
    const std::wstring image = qm::platform::joinPath(folder, L"medium.img");
    {
        // Whole sectors, as a disk gives them.
        std::vector<uint8_t> medium(data, data + size);
        medium.resize((size + 511) / 512 * 512, 0);
        qm::platform::File f;
        if (f.open(image, qm::platform::OpenMode::CreateAlways) != 0) return 0;
        qm::platform::writeFully(f, medium.data(), medium.size());
    }
    qm::CScanHistory history(folder);
    history.Load();
    qm::CProfessionalRecovery deep(history);
    if (deep.OpenImage(image, 'F') != 0) return 0;
    deep.Scan(nullptr);

    std::vector<qm::ScanRecord> byType;
    deep.ListByType(L"*.*|.other", byType);
    const std::wstring out = qm::platform::joinPath(folder, L"out");
    size_t recovered = 0;
    for (const qm::ScanRecord& r : byType) {
        if (++recovered > 16) break;
        qm::platform::deleteTree(out);
        deep.RecoverItem(&r, qm::platform::joinPath(out, L"f"), 0);
        std::wstring path;
        deep.GetItemPath(r, path);
    }
    std::vector<qm::ScanRecord> level, next;
    deep.ListFolder(nullptr, 0, level);
    uint32_t count = 0;
    deep.CountFiles(nullptr, 0, count);
    for (int depth = 1; depth < 6 && !level.empty(); ++depth) {
        next.clear();
        for (const qm::ScanRecord& r : level) {
            if (!r.isFolder) continue;
            std::vector<qm::ScanRecord> children;
            deep.ListFolder(&r, depth, children);
            deep.CountFiles(&r, depth, count);
            next.insert(next.end(), children.begin(), children.end());
        }
        level.swap(next);
    }
    return 0;
}
