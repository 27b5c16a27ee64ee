// What a signature row binds: a detector, which tells from a candidate's first bytes whether
// its format starts there, and a measure, which decides the carved file's length.
#pragma once
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

class CarveContext;

// Returns a FileTypeCode, or kTypeNoMatch for no match, a short buffer or a null one.
using DetectFn = int (*)(CarveContext& ctx, ByteView bytes);
// Returns the file length in bytes from the first sector's bytes, reading ahead as needed.
using MeasureFn = uint64_t (*)(CarveContext& ctx, ByteView firstSector);

// A byte that every match of a detector has at a fixed offset. A detector lists one anchor
// per alternative form; the dispatch index only offers it sectors that have one of them.
struct SignatureAnchor {
    uint8_t offset;
    uint8_t value;
};

struct Detector {
    const char* name;
    DetectFn detect;
    SignatureAnchor anchors[2];
    uint8_t anchorCount;  // 0: the detector may match anything and is always asked
    bool readsMedium;     // runs reads of its own after its signature test passes
};

}  // namespace qm
