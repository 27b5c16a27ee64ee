// What every FAT copy loop shares, however it finds its clusters: the result, the sink and
// progress types, and the handling of each piece read (to the sink, a short read ends the
// copy, progress between pieces, the end reported once).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>

#include "results/scan_record.h"

namespace qm {

// Largest cluster a copy accepts (100 MiB); larger gives 29.
inline constexpr uint64_t kMaxCopyClusterBytes = 0x6400000;
// Adjacent sectors are read together up to this many bytes.
inline constexpr uint64_t kCopyPieceBytes = 1u << 20;

struct ChainCopyResult {
    int error = 0;                 // 0, a Windows error, or what the progress callback returned
    bool stoppedByProgress = false;
    uint64_t bytesDone = 0;
};

// Receives the next piece of the file; returns 0, a write error, or -1 to end the copy
// early with success (a full memory buffer).
using ChainSink = std::function<int(const uint8_t* bytes, size_t length)>;
// Told the percent done and the error so far after each piece; non-zero stops the copy.
using ChainProgress = std::function<int(int percent, int error)>;
// An engine's way of reading a found file's data into a sink.
using RecordCopier =
    std::function<ChainCopyResult(const ScanRecord& record, const ChainSink& sink, const ChainProgress& progress)>;

class ChainCopyPass {
public:
    ChainCopyPass(uint64_t size, const ChainSink& sink, const ChainProgress& progress)
        : size_(size), sink_(sink), progress_(progress) {}

    uint64_t BytesDone() const { return result_.bytesDone; }
    bool Complete() const { return result_.bytesDone >= size_; }

    // Ends the copy: the error is reported once with percent 100; a stop asked for then
    // still counts as a stop.
    ChainCopyResult Finish(int error);
    // Hands on the first `take` bytes of a piece; `shortRead`: fewer sectors arrived than
    // asked. Empty while the copy goes on; otherwise the copy's final result.
    std::optional<ChainCopyResult> Deliver(const uint8_t* bytes, uint64_t take, bool shortRead, int readError = 0);

private:
    uint64_t size_;
    const ChainSink& sink_;
    const ChainProgress& progress_;
    ChainCopyResult result_;
};

}  // namespace qm
