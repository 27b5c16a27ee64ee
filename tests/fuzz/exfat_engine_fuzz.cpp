// The fast exFAT engine over a real volume whose metadata is the fuzzer's bytes: the first 512
// bytes replace the start of the FAT (the chains of clusters 0..127), the rest the start of the
// cluster heap (the bitmap, the up-case table, the root and the other folders). The boot regions
// stay as the formatter wrote them. Opening, scanning, listing, copying every file out and
// drawing the free map must never crash, hang or read outside a buffer.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "disk/exfat_boot_sector.h"
#include "engines/exfat/fast_exfat_recovery.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_work_folder.h"

namespace {

constexpr size_t kFatWindow = 512;
constexpr size_t kHeapWindow = 64 * 4096;  // clusters 2..65 of a 4 KiB-cluster volume
// Larger files go to memory only, so that an overlong one does not write megabytes a run.
constexpr uint64_t kMaxFileToDisk = 1 << 20;

struct Template {
    std::vector<uint8_t> image;
    uint64_t fatOffset = 0, heapOffset = 0;
};

std::wstring workFolder() { return qm::fuzz::WorkFolder("exfat-engine"); }
std::wstring imagePath() { return qm::platform::joinPath(workFolder(), L"volume.img"); }

// The committed fixture beside this file's folder: tests/fuzz/ -> tests/fixtures/exfat/.
std::string fixturePath() {
    std::string here = __FILE__;
    here.resize(here.rfind('/') + 1);
    return here + "../fixtures/exfat/exfat-512-c4k.img.gz";
}

const Template& realVolume() {
    static const Template t = [] {
        Template out;
        gzFile in = gzopen(fixturePath().c_str(), "rb");
        if (!in) {
            std::fprintf(stderr, "cannot open %s\n", fixturePath().c_str());
            __builtin_trap();
        }
        uint8_t piece[1 << 16];
        for (int n; (n = gzread(in, piece, sizeof piece)) > 0;) out.image.insert(out.image.end(), piece, piece + n);
        gzclose(in);
        qm::ExFatBootFields boot;
        if (qm::DecodeExFatBootSector(qm::ByteView(out.image.data(), out.image.size()), boot) != 0) __builtin_trap();
        out.fatOffset = uint64_t{boot.fatOffset} << boot.bytesPerSectorShift;
        out.heapOffset = uint64_t{boot.clusterHeapOffset} << boot.bytesPerSectorShift;
        if (out.heapOffset + kHeapWindow > out.image.size()) __builtin_trap();
        qm::platform::File f;
        if (f.open(imagePath(), qm::platform::OpenMode::CreateAlways) != 0) __builtin_trap();
        qm::platform::writeFully(f, out.image.data(), out.image.size());
        return out;
    }();
    return t;
}

// The template's bytes at `offset` with the input's laid over their start.
void overlay(qm::platform::File& f, const Template& t, uint64_t offset, size_t window, const uint8_t* data,
             size_t size) {
    std::vector<uint8_t> bytes(t.image.begin() + static_cast<ptrdiff_t>(offset),
                               t.image.begin() + static_cast<ptrdiff_t>(offset + window));
    std::copy(data, data + std::min(size, window), bytes.begin());
    f.seek(offset);
    qm::platform::writeFully(f, bytes.data(), bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    realVolume();  // also points the per-user folder at the work folder
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kFatWindow + kHeapWindow) return 0;
    const Template& t = realVolume();
    {
        qm::platform::File f;
        if (f.open(imagePath(), qm::platform::OpenMode::OpenAlways) != 0) return 0;
        overlay(f, t, t.fatOffset, kFatWindow, data, size);
        overlay(f, t, t.heapOffset, kHeapWindow, data + std::min(size, kFatWindow), size - std::min(size, kFatWindow));
    }
    const std::wstring logs = qm::platform::joinPath(workFolder(), L"logs");
    const std::wstring out = qm::platform::joinPath(workFolder(), L"out");
    {
        qm::CFastExFatRecovery engine;
        engine.SetLogFolder(logs);
        if (engine.OpenImage(imagePath(), 'X') != 0) return 0;
        engine.Scan(nullptr);
        std::vector<qm::ScanRecord> level, next;
        engine.ListFolder(nullptr, 0, level);
        size_t items = 0;
        for (int depth = 1; depth < 16 && !level.empty(); ++depth) {
            next.clear();
            for (const qm::ScanRecord& r : level) {
                if (++items > 256) break;
                if (r.isFolder) {
                    std::vector<qm::ScanRecord> children;
                    engine.ListFolder(&r, depth, children);
                    next.insert(next.end(), children.begin(), children.end());
                    continue;
                }
                if (r.size <= kMaxFileToDisk) {
                    qm::platform::deleteTree(out);
                    engine.RecoverItem(&r, qm::platform::joinPath(out, L"f"), 0);
                }
                std::vector<uint8_t> buffer(65536);
                uint64_t count = buffer.size();
                std::wstring temp;
                engine.ExtractItem(&r, temp, buffer.data(), count, nullptr, nullptr);
            }
            level.swap(next);
        }
        if (engine.BuildFreeMap() == 0) {
            uint64_t position = 0, length = 0;
            for (int i = 0; i < 10000 && engine.NextFreeExtent(position, length) == 1 && length; ++i)
                position += length;
        }
    }
    qm::platform::deleteTree(logs);
    return 0;
}
