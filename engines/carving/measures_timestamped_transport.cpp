// A camcorder's transport stream (AVCHD .mts/.m2ts) is a run of 192-byte packets: a 4-byte
// arrival time stamp, then a 188-byte transport packet that starts with the sync byte 0x47.
// The file ends after the last packet of the run.
#include "engines/carving/file_window.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kPacket = 192;
constexpr uint64_t kMinPackets = 2;

uint64_t WalkTimestampedPackets(FileWindow& window, ByteView) {
    const ByteView head = window.Bytes(0, 5);
    if (head.size() != 5 || head.u8(4) != 0x47) return 0;
    const uint8_t copyBits = head.u8(0) & 0xC0;  // the same for every packet of one recording
    uint64_t at = 0;
    for (;;) {
        if (window.Cancelled()) return 0;
        const ByteView packet = window.Bytes(at, 16);
        if (packet.size() != 16 || packet.u8(4) != 0x47 || (packet.u8(0) & 0xC0) != copyBits) break;
        // A program table with its clock at zero starts the next recording.
        if (at > 0 && packet.u32(0) == 0 && packet.equals(8, "\x00\x00\xB0\x11\x00\x00\xC1\x00", 8)) break;
        if (!window.Holds(at + kPacket)) break;
        at += kPacket;
    }
    return at >= kMinPackets * kPacket ? at : 0;
}

}  // namespace

uint64_t MeasureTimestampedPackets(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 64 * kGiB, WalkTimestampedPackets, MeasureNextHeader6G);
}

}  // namespace qm
