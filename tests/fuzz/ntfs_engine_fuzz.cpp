// A small NTFS volume whose MFT is the fuzzer's bytes: the fast engine scans it, lists it
// and copies every file out. Nothing may crash, hang or read outside its buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "tests/fuzz/fuzz_work_folder.h"
#include "platform/text.h"

namespace {

// Boot sector at 0, 512-byte sectors, one sector per cluster, the MFT from cluster 16.
constexpr size_t kMftOffset = 16 * 512;
constexpr size_t kVolumeBytes = 512 * 1024;

std::wstring workFolder() { return qm::fuzz::WorkFolder("ntfs-engine"); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    workFolder();  // also points the per-user folder there
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kVolumeBytes - kMftOffset) return 0;
    std::vector<uint8_t> volume(kVolumeBytes, 0);
    std::memcpy(&volume[3], "NTFS    ", 8);
    qm::putU16(&volume[0x0B], 512);
    volume[0x0D] = 1;
    qm::putU64(&volume[0x30], 16);
    volume[510] = 0x55;
    volume[511] = 0xAA;
    if (size) std::memcpy(&volume[kMftOffset], data, size);

    const std::wstring folder = workFolder();
    qm::platform::createFolderTree(folder);
    const std::wstring image = qm::platform::joinPath(folder, L"volume.img");
    {
        qm::platform::File f;
        if (f.open(image, qm::platform::OpenMode::CreateAlways) != 0) return 0;
        qm::platform::writeFully(f, volume.data(), volume.size());
    }
    {
        qm::CFastNtfsRecovery engine;
        engine.SetLogFolder(qm::platform::joinPath(folder, L"logs"));
        engine.OpenImage(image, 0);
        engine.Scan(nullptr);
        std::vector<qm::ScanRecord> level, next;
        engine.ListFolder(nullptr, 0, level);
        const std::wstring out = qm::platform::joinPath(folder, L"out");
        for (int depth = 1; depth < 8 && !level.empty(); ++depth) {
            next.clear();
            for (const qm::ScanRecord& r : level) {
                if (r.isFolder) {
                    std::vector<qm::ScanRecord> children;
                    engine.ListFolder(&r, depth, children);
                    next.insert(next.end(), children.begin(), children.end());
                } else {
                    qm::platform::deleteTree(out);
                    engine.RecoverItem(&r, qm::platform::joinPath(out, L"f"), 0);
                    std::vector<uint8_t> buffer(4096);
                    uint64_t count = buffer.size();
                    std::wstring temp;
                    engine.ExtractItem(&r, temp, buffer.data(), count, nullptr, nullptr);
                }
            }
            level.swap(next);
        }
        engine.BuildFreeMap();
        uint64_t position = 0, length = 0;
        for (int i = 0; i < 64 && engine.NextFreeExtent(position, length) == 1 && length; ++i) position += length;
    }
    qm::platform::deleteTree(qm::platform::joinPath(folder, L"logs"));
    return 0;
}
