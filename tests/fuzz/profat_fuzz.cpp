// The professional FAT engine's per-sector handlers over arbitrary sectors: the input is the
// medium, fed in an order its first bytes choose, then every sector is also handed straight
// to both handlers (they must stand anything). Finishing, listing and recovering must never
// crash, hang or read out of bounds.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/folders.h"
#include "tests/fuzz/fuzz_work_folder.h"
#include "platform/text.h"

namespace {

std::wstring WorkFolder() { return qm::fuzz::WorkFolder("profat"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kSector = 512;
    if (size < 8) return 0;
    const std::wstring folder = WorkFolder();
    const std::wstring image = qm::platform::joinPath(folder, L"image.img");
    if (FILE* f = std::fopen(qm::platform::toUtf8(image).c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const std::wstring logs = qm::platform::joinPath(folder, L"logs");
    qm::platform::deleteTree(logs);

    qm::CProfessionalFatRecovery engine;
    engine.SetLogFolder(logs);
    if (engine.OpenImage(image, 'F') != 0 || engine.OpenFatLog(nullptr) != 0) return 0;
    engine.PrepareFatScan();

    // The first bytes pick where the sectors claim to lie: anywhere, even far off the medium.
    const qm::ByteView control(data, 8);
    const uint64_t base = control.u32(0) & 0x80000000u ? (uint64_t{control.u32(0)} << 24) : control.u32(0) % 4096;
    const uint64_t stride = 1 + control.u8(4) % 3;
    const size_t sectors = size / kSector;
    for (size_t pass = 0; pass < 2; ++pass) {
        for (size_t k = 0; k < sectors; ++k) {
            const size_t i = pass == 0 ? k : sectors - 1 - k;
            const uint8_t* s = data + i * kSector;
            const uint64_t at = base + i * stride;
            const qm::ByteView v(s, kSector);
            if (qm::IsDotPair(v.sub(0, 32), v.sub(32, 32)))
                engine.OnSubdirectoryHead(s, at);
            else if (qm::CProfessionalFatRecovery::IsDirectorySector(s, kSector))
                engine.OnDirectorySector(s, at);
            else if (control.u8(5) & 1)
                engine.OnDirectorySector(s, at);
        }
    }
    engine.FinishFatScan();

    std::vector<qm::ScanRecord> root;
    engine.ListFolder(nullptr, 0, root);
    const std::wstring out = qm::platform::joinPath(folder, L"out");
    qm::platform::deleteTree(out);
    qm::platform::createFolderTree(out);
    size_t n = 0;
    for (const qm::ScanRecord& r : root) {
        if (n++ == 4) break;
        std::wstring path;
        engine.GetItemPath(r, path);
        engine.RecoverItem(&r, qm::platform::joinPath(out, L"item" + std::to_wstring(n)), 0);
    }
    return 0;
}
