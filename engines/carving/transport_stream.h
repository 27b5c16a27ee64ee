// MPEG transport streams: 188-byte packets that each begin with "G". A stream's sectors
// look like new starts everywhere, so the detector remembers carved streams.
#pragma once
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

class CarveContext;

inline constexpr size_t kTransportPacket = 188;

// True when `sector` lies inside a transport stream carved earlier in the run.
bool InCarvedTransportStream(const CarveContext& ctx, uint64_t sector);

}  // namespace qm
