#include "tools/pdf_render/pdf_filters.h"

#include <zlib.h>

#include <cstdlib>

namespace qm::pdf {

bool FlateDecode(ByteView in, size_t cap, std::vector<uint8_t>& out) {
    out.clear();
    if (in.size() == 0) return false;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    const uint8_t* src = in.data();
    size_t remaining = in.size();
    uint8_t chunk[16384];
    int status = Z_OK;
    while (status == Z_OK && out.size() < cap) {
        if (zs.avail_in == 0 && remaining > 0) {
            const size_t feed = remaining < (1u << 30) ? remaining : (1u << 30);
            zs.next_in = const_cast<Bytef*>(src);
            zs.avail_in = static_cast<uInt>(feed);
            src += feed;
            remaining -= feed;
        }
        zs.next_out = chunk;
        zs.avail_out = sizeof chunk;
        status = inflate(&zs, Z_NO_FLUSH);
        const size_t produced = sizeof chunk - zs.avail_out;
        const size_t room = cap - out.size();
        out.insert(out.end(), chunk, chunk + (produced < room ? produced : room));
        if (status == Z_BUF_ERROR && zs.avail_in == 0 && remaining == 0) break;  // truncated input
        if (status == Z_OK && produced == 0 && zs.avail_in == 0 && remaining == 0) break;
    }
    inflateEnd(&zs);
    return !out.empty();
}

bool UndoPredictor(std::vector<uint8_t>& data, int predictor, int columns, int colors, int bitsPerComponent) {
    if (predictor <= 1) return true;
    if (columns <= 0 || columns > (1 << 20) || colors <= 0 || colors > 32 || bitsPerComponent <= 0 ||
        bitsPerComponent > 16)
        return false;
    const size_t bpp = (static_cast<size_t>(colors) * bitsPerComponent + 7) / 8;
    const size_t rowBytes = (static_cast<size_t>(columns) * colors * bitsPerComponent + 7) / 8;
    if (predictor == 2) {
        if (bitsPerComponent != 8) return false;
        for (size_t row = 0; row + rowBytes <= data.size(); row += rowBytes)
            for (size_t i = bpp; i < rowBytes; ++i) data[row + i] = static_cast<uint8_t>(data[row + i] + data[row + i - bpp]);
        return true;
    }
    if (predictor < 10) return false;
    std::vector<uint8_t> out;
    out.reserve(data.size());
    std::vector<uint8_t> previous(rowBytes, 0), current(rowBytes);
    for (size_t pos = 0; pos + 1 + rowBytes <= data.size(); pos += 1 + rowBytes) {
        const int type = data[pos];
        for (size_t i = 0; i < rowBytes; ++i) {
            const int raw = data[pos + 1 + i];
            const int left = i >= bpp ? current[i - bpp] : 0;
            const int up = previous[i];
            const int upLeft = i >= bpp ? previous[i - bpp] : 0;
            int value = raw;
            switch (type) {
            case 1: value = raw + left; break;
            case 2: value = raw + up; break;
            case 3: value = raw + (left + up) / 2; break;
            case 4: {
                const int p = left + up - upLeft;
                const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
                value = raw + (pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft);
                break;
            }
            default: break;
            }
            current[i] = static_cast<uint8_t>(value);
        }
        out.insert(out.end(), current.begin(), current.end());
        previous.swap(current);
    }
    data.swap(out);
    return true;
}

}  // namespace qm::pdf
