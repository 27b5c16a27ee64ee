// Writes 32-bit pixels as an RGB PNG file image (zlib for the compressed data and the CRCs).
#pragma once
#include <cstdint>
#include <vector>

namespace qm::pdf {

// `pixels` holds width*height values 0x00RRGGBB (the byte order of a 32-bit Windows DIB), top row
// first. Alpha is ignored: a page is opaque. Empty result for an empty or oversized picture.
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int width, int height);

}  // namespace qm::pdf
