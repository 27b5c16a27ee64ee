// The read-ahead that most measures share: from the sector after the candidate's first,
// 64 KiB at a time, until another file or a file-system structure starts, the medium ends,
// a read fails, the progress callback says stop, or the limit is reached.
#pragma once
#include <cstdint>
#include <functional>

#include "disk/byte_view.h"
#include "engines/carving/signature_dispatch.h"

namespace qm {

class CarveContext;

struct ReadAheadChunk {
    ByteView bytes;           // the whole sectors read, starting on a sector boundary
    uint64_t fileOffset = 0;  // of bytes[0], counted from the candidate's start
    size_t newStart = 0;      // offset of the sector where something else starts; bytes.size() if none
    bool newStartFound = false;

    // Marker searches take markers that start at or before the new start: what follows it
    // belongs to the other file.
    size_t LastMarkerStart() const;
};

// Looks at a chunk after the length took it in (up to a new start). May change the length;
// returns true to end the measure after this chunk.
using ChunkInspector = std::function<bool(const ReadAheadChunk& chunk, uint64_t& length)>;

// The length reached: S, plus every sector read ahead before a new start. `claimRows` are the
// rows whose claim counts as a new start (all rows when null).
uint64_t RunNextHeaderRule(CarveContext& ctx, uint64_t limit, const ChunkInspector& inspect = {},
                           const RowMask* claimRows = nullptr);

// True when the sector starts another file (a claim by one of `claimRows`) or holds a
// file-system structure. The sector is the context's current sector.
bool IsNewStart(CarveContext& ctx, ByteView sector, const RowMask& claimRows);

}  // namespace qm
