// Reads a candidate file's bytes at any offset, for measures that walk the file's own
// structures: a 64 KiB window over the medium, refilled only when a read leaves it, so a
// walk that hops over gigabytes of payload reads just the headers it lands on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"
#include "engines/carving/detector.h"

namespace qm {

class CarveContext;

class FileWindow {
public:
    // Longest run one call may ask for.
    static constexpr size_t kMaxRun = 32768;

    // Reads the candidate at the context's start sector, never past `limit` bytes of it
    // nor past the medium's end.
    FileWindow(CarveContext& ctx, uint64_t limit);

    // The file's bytes [offset, offset + length), length <= kMaxRun; empty when any of them
    // lies beyond the reach or cannot be read. Valid until the next call.
    ByteView Bytes(uint64_t offset, size_t length);
    // How many bytes from `offset` on lie within the reach, at most `wanted`.
    size_t Available(uint64_t offset, size_t wanted) const;
    // True when a file that ends at `end` stays within the limit and the medium.
    bool Holds(uint64_t end) const { return end <= reach_; }
    // The progress callback said stop during a refill.
    bool Cancelled() const { return cancelled_; }

private:
    CarveContext& ctx_;
    uint64_t reach_ = 0;
    std::vector<uint8_t> buffer_;
    uint64_t bufferOffset_ = 0;  // file offset of buffer_[0], on a sector boundary
    size_t bufferBytes_ = 0;
    bool cancelled_ = false;
};

// A structure walk: the file's exact length, or 0 when the structure does not give one.
using StructureWalk = uint64_t (*)(FileWindow& window, ByteView first);

// Runs `walk` within `limit`; when it gives no length, measures with `fallback`, the rule
// the format had before its structure could be walked.
uint64_t WalkOrFallback(CarveContext& ctx, ByteView first, uint64_t limit, StructureWalk walk, MeasureFn fallback);

// Big-endian unsigned integer of `bytes` (1..8) bytes at `offset`; 0 past the end.
uint64_t BigEndianN(ByteView view, size_t offset, size_t bytes);

}  // namespace qm
