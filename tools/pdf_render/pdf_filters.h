// Stream decoding: Flate (zlib) with an output cap, and the PNG row predictors that
// cross-reference streams use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"

namespace qm::pdf {

constexpr size_t kMaxDecodedStream = 64u << 20;

// Inflates `in` into `out`, stopping at `cap` bytes. A damaged or truncated stream keeps what was
// decoded before the damage; false only when nothing could be decoded.
bool FlateDecode(ByteView in, size_t cap, std::vector<uint8_t>& out);
// Undoes /Predictor 10..15 (PNG) or 2 (TIFF, 8-bit only) in place; false on an unknown predictor.
bool UndoPredictor(std::vector<uint8_t>& data, int predictor, int columns, int colors, int bitsPerComponent);

}  // namespace qm::pdf
