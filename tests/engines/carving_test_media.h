// Helpers for the carving tests: sample files and media assembled in memory.
#pragma once
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/detector.h"
#include "engines/carving/sector_source.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm::test {

using Bytes = std::vector<uint8_t>;

// A sample kept in the repository (tests/data/samples), else from ../shared/data/samples;
// empty when neither has it.
inline Bytes CarvingSample(const std::string& relative) {
    std::string shared = QM_SHARED_DATA_DIR;
    const std::string tail = "/../shared/data";
    const std::string repo = shared.size() > tail.size() ? shared.substr(0, shared.size() - tail.size()) : ".";
    const std::wstring local = hostPath(repo + "/tests/data/samples/" + relative);
    if (platform::pathExists(local)) return readWholeFile(local);
    const std::wstring fromShared = sharedDataPath("samples/" + relative);
    return fromShared.empty() ? Bytes() : readWholeFile(fromShared);
}

inline Bytes RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(count);
    for (auto& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

// Random bytes that nothing claims: no byte is "G" at a packet start, and a few bytes are
// set so that no detector's signature can start a sector of them.
inline Bytes Noise(size_t count, uint32_t seed, uint32_t sectorSize = 512) {
    Bytes out = RandomBytes(count, seed);
    for (size_t i = 0; i < count; i += sectorSize) out[i] = 0xA5;
    for (auto& b : out)
        if (b == 'G') b = 'g';
    return out;
}

// An NTFS file record's first bytes: a file-system structure the read-ahead stops at.
inline Bytes NtfsFileRecord(uint32_t sectorSize = 512) {
    Bytes out(sectorSize, 0);
    std::memcpy(out.data(), "FILE0\x00\x03\x00", 8);
    return out;
}

// A PNG signature sector: another file's header.
inline Bytes PngHeaderSector(uint32_t sectorSize = 512) {
    Bytes out(sectorSize, 0);
    std::memcpy(out.data(), "\x89PNG\x0D\x0A\x1A\x0A\x00\x00\x00\x0DIHDR", 16);
    return out;
}

// A medium in memory, built by appending content at sector boundaries.
class TestMedium {
public:
    explicit TestMedium(uint32_t sectorSize = 512) : sectorSize_(sectorSize) {}

    // Appends the bytes at the next sector boundary, zero-filling the last sector; returns
    // the first sector.
    uint64_t Append(const Bytes& data) {
        const uint64_t sector = bytes_.size() / sectorSize_;
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        const size_t tail = bytes_.size() % sectorSize_;
        if (tail) bytes_.resize(bytes_.size() + sectorSize_ - tail, 0);
        return sector;
    }
    uint64_t AppendZeros(size_t sectors) { return Append(Bytes(sectors * sectorSize_, 0)); }

    Bytes& bytes() { return bytes_; }
    ByteView Sector(uint64_t sector) const {
        return ByteView(bytes_.data() + sector * sectorSize_, sectorSize_);
    }
    uint32_t sectorSize() const { return sectorSize_; }

private:
    uint32_t sectorSize_;
    Bytes bytes_;
};

// A carving context over a medium in memory.
struct MemoryRun {
    explicit MemoryRun(TestMedium& medium) : source(ByteView(medium.bytes().data(), medium.bytes().size())) {
        ctx.sectorSize = medium.sectorSize();
        ctx.source = &source;
    }
    MemorySectorSource source;
    CarveContext ctx;
};

// The measure's length for the file that starts at sector `at` of the medium.
inline uint64_t MeasureAt(TestMedium& medium, uint64_t at, MeasureFn measure) {
    MemoryRun run(medium);
    run.ctx.BeginCandidate(at);
    return measure(run.ctx, medium.Sector(at));
}

}  // namespace qm::test
