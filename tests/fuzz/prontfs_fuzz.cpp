// Arbitrary sectors through the deep-scan NTFS engine: the candidate test, both parse phases,
// the run-list lookup, folder resolution and reading content back. Nothing may crash, read
// out of bounds or loop. The input is written as an image so that every ancestor and data
// read lands on the same hostile bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/professional/pro_ntfs_candidate.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "tests/fuzz/fuzz_work_folder.h"
#include "platform/text.h"

namespace {

std::wstring workFolder() { return qm::fuzz::WorkFolder("prontfs"); }

void feed(const std::wstring& folder, const std::wstring& image, const uint8_t* data, size_t size) {
    qm::CProfessionalNtfsRecovery engine;
    engine.SetLogFolder(qm::platform::joinPath(folder, L"logs"));
    if (engine.OpenImage(image, 'F') != 0 || engine.OpenLog(L"fuzz.log") != 0) return;
    const size_t sectors = size / 512;
    for (size_t i = 0; i < sectors; ++i) {
        const qm::ByteView sector(data + i * 512, size - i * 512);
        qm::RunList runs;
        engine.findRunsInRecord(i, runs);
        // The parse must hold against any bytes, candidate or not.
        (void)qm::isNtfsRecordCandidate(sector, 512);
        engine.ParseRecord(sector.data(), sector.size() < 1024 ? sector.size() : 1024, i, 0, 0);
    }
    engine.ResolveFolders();
    std::vector<qm::ScanRecord> all;
    engine.ListByType(L"*.txt|.other", all);
    std::vector<uint8_t> memory(4096);
    for (size_t i = 0; i < all.size() && i < 8; ++i) {
        uint64_t bytes = memory.size();
        std::wstring temp;
        qm::ScanRecord r = all[i];
        if (r.size > (1u << 20)) r.size = 1u << 20;  // keep each read short
        engine.ExtractItem(&r, temp, memory.data(), bytes, nullptr, nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Previews go below the per-user folder: keep them in the work folder.
    const std::string folder = qm::platform::toUtf8(workFolder());
    setenv("QUILLMERE_APPDATA", folder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 512 || size > (256u << 10)) return 0;
    const std::wstring folder = workFolder();
    qm::platform::createFolderTree(folder);
    const std::wstring image = qm::platform::joinPath(folder, L"input.img");
    {
        qm::platform::File f;
        if (f.open(image, qm::platform::OpenMode::CreateAlways) != 0) return 0;
        qm::platform::writeFully(f, data, size - size % 512);
    }
    feed(folder, image, data, size - size % 512);
    qm::platform::deleteTree(qm::platform::joinPath(folder, L"logs"));
    return 0;
}
