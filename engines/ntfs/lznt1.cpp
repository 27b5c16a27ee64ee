#include "engines/ntfs/lznt1.h"

#include <cstring>

namespace qm {
namespace {

// One compressed chunk into out[0 .. capacity). False when a back reference points before
// the chunk's start.
bool decodeChunk(ByteView data, uint8_t* out, size_t capacity) {
    size_t in = 0;
    size_t pos = 0;
    while (in < data.size() && pos < capacity) {
        const uint8_t flags = data.u8(in++);
        for (int bit = 0; bit < 8 && in < data.size() && pos < capacity; ++bit) {
            if ((flags & (1u << bit)) == 0) {
                out[pos++] = data.u8(in++);
                continue;
            }
            if (!data.has(in, 2)) return false;
            const uint16_t token = data.u16(in);
            in += 2;
            if (pos == 0) return false;
            // The split between offset and length bits follows the position in the chunk.
            unsigned offsetShift = 12;
            uint16_t lengthMask = 0x0FFF;
            for (size_t i = pos - 1; i >= 0x10; i >>= 1) {
                --offsetShift;
                lengthMask >>= 1;
            }
            const size_t offset = static_cast<size_t>(token >> offsetShift) + 1;
            size_t length = static_cast<size_t>(token & lengthMask) + 3;
            if (offset > pos) return false;
            if (length > capacity - pos) length = capacity - pos;
            for (size_t k = 0; k < length; ++k, ++pos) out[pos] = out[pos - offset];  // may overlap
        }
    }
    return true;
}

}  // namespace

bool decompressLznt1(ByteView in, uint8_t* out, size_t outSize) {
    std::memset(out, 0, outSize);
    size_t at = 0;
    size_t produced = 0;
    while (produced < outSize && in.has(at, 2)) {
        const uint16_t header = in.u16(at);
        if (header == 0) break;
        const size_t dataBytes = static_cast<size_t>(header & 0x0FFF) + 1;
        at += 2;
        ByteView data = in.sub(at, dataBytes);
        const size_t room = outSize - produced < kLznt1ChunkBytes ? outSize - produced : kLznt1ChunkBytes;
        if ((header & 0x8000) != 0) {
            if (!decodeChunk(data, out + produced, room)) return false;
        } else {
            const size_t n = data.size() < room ? data.size() : room;
            if (n > 0) std::memcpy(out + produced, data.data(), n);
        }
        // A chunk stands for 4096 output bytes; what it did not produce stays zero.
        produced += room;
        at += dataBytes;
    }
    return true;
}

}  // namespace qm
