#include "engines/carving/transport_stream.h"

#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"

namespace qm {

using namespace carving;
namespace {

constexpr size_t kConfirmBytes = 4096;
constexpr size_t kConfirmPackets = 22;  // packet starts 0 .. 3948 of the confirming read

// The sector before ends with packet starts when the stream merely goes on here.
bool ContinuesPreviousSector(CarveContext& ctx) {
    if (ctx.currentSector == 0 || !ctx.CanRead()) return false;
    uint8_t* before = ctx.DetectorScratch(ctx.sectorSize);
    bool failed = false;
    if (ReadSectorsClamped(ctx, ctx.currentSector - 1, 1, before, failed) != 1) return false;
    for (size_t back = kTransportPacket; back <= ctx.sectorSize; back += kTransportPacket)
        if (before[ctx.sectorSize - back] == 'G') return true;
    return false;
}

int DetectTransportStream(CarveContext& ctx, ByteView b) {
    if (b.size() < kTransportPacket || b.u8(0) != 'G' || (b.u8(1) | b.u8(2) | b.u8(3)) == 0) return kTypeNoMatch;
    for (size_t i = 0; i < b.size() / kTransportPacket; ++i)
        if (b.u8(i * kTransportPacket) != 'G') return kTypeNoMatch;
    uint8_t confirm[kConfirmBytes];
    if (!ReadFileBytes(ctx, ctx.currentSector, 0, kConfirmBytes, confirm, true)) return kTypeNoMatch;
    for (size_t i = 0; i < kConfirmPackets; ++i)
        if (confirm[i * kTransportPacket] != 'G') return kTypeNoMatch;
    if (ctx.previousWasTransportStream &&
        (ContinuesPreviousSector(ctx) || InCarvedTransportStream(ctx, ctx.currentSector)))
        return kTypeNoMatch;
    return kTypeTs;
}

// The first packet start at or after `offset` that is not "G", as a file offset, or UINT64_MAX.
uint64_t FirstBrokenPacket(ByteView bytes, uint64_t fileOffset, size_t end) {
    const uint64_t firstPacket = (fileOffset + kTransportPacket - 1) / kTransportPacket * kTransportPacket;
    for (uint64_t at = firstPacket - fileOffset; at < end; at += kTransportPacket)
        if (bytes.u8(static_cast<size_t>(at)) != 'G') return fileOffset + at;
    return UINT64_MAX;
}

}  // namespace

bool InCarvedTransportStream(const CarveContext& ctx, uint64_t sector) {
    for (const TransportStreamExtent& e : ctx.transportStreamExtents)
        if (sector >= e.first && sector <= e.last) return true;
    return false;
}

const Detector kTransportStreamDetector{"MPEG transport stream", DetectTransportStream, {{0, 'G'}}, 1, true};

uint64_t MeasureTransportPackets(CarveContext& ctx, ByteView first) {
    const uint64_t start = ctx.startSector;
    uint64_t length = FirstBrokenPacket(first, 0, first.size());
    if (length == UINT64_MAX) {
        length = RunNextHeaderRule(ctx, 64 * kGiB, [&](const ReadAheadChunk& chunk, uint64_t& reached) {
            const uint64_t end = FirstBrokenPacket(chunk.bytes, chunk.fileOffset, chunk.newStart);
            if (end == UINT64_MAX) return false;
            if (end < reached) reached = end;
            return true;
        });
    }
    if (ctx.sectorSize != 0 && length != 0) {
        const uint64_t sectors = (length + ctx.sectorSize - 1) / ctx.sectorSize;
        ctx.transportStreamExtents.push_back({start, start <= UINT64_MAX - (sectors - 1) ? start + sectors - 1 : UINT64_MAX});
    }
    return length;
}

}  // namespace qm
