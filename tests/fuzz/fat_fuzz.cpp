// The fast FAT engine over arbitrary volume images: open, scan, list, recover and build the
// free map must never crash, hang or read out of bounds. The input is written to a
// temporary image file, as the engine reads through a file handle.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engines/fat/fast_fat_recovery.h"
#include "platform/folders.h"
#include "tests/fuzz/fuzz_work_folder.h"
#include "platform/text.h"

namespace {

std::wstring WorkFolder() { return qm::fuzz::WorkFolder("fat"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring folder = WorkFolder();
    const std::wstring image = qm::platform::joinPath(folder, L"image.img");
    if (FILE* f = std::fopen(qm::platform::toUtf8(image).c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const std::wstring logs = qm::platform::joinPath(folder, L"logs");
    qm::platform::deleteTree(logs);

    qm::CFastFatRecovery engine;
    engine.SetLogFolder(logs);
    if (engine.OpenImage(image, 0) != 0) return 0;
    engine.Scan(nullptr);
    std::vector<qm::ScanRecord> root;
    engine.ListFolder(nullptr, 0, root);
    const std::wstring out = qm::platform::joinPath(folder, L"out");
    for (size_t i = 0; i < root.size() && i < 8; ++i) {
        qm::platform::deleteTree(out);
        engine.RecoverItem(&root[i], qm::platform::joinPath(out, L"item"), 0);
    }
    if (engine.BuildFreeMap() == 0) {
        uint64_t position = 0, length = 0;
        for (int i = 0; i < 1000 && engine.NextFreeExtent(position, length) == 1 && length != 0; ++i)
            position += length;
    }
    return 0;
}
