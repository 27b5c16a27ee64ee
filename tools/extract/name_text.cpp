#include "tools/extract/name_text.h"

#include "platform/text.h"

namespace qm::extract {
namespace {

constexpr uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Length of the valid UTF-8 sequence at text[i], or 0 when it is broken.
size_t Utf8SequenceLength(std::string_view text, size_t i, uint32_t& codePoint) {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
    const uint8_t lead = b(0);
    size_t n = 0;
    uint32_t cp = 0, min = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        n = 2, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < n) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    codePoint = cp;
    return n;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) { platform::appendUtf8(out, cp); }

bool IsValidUtf8(std::string_view text) {
    uint32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Utf8FromCp437(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        AppendUtf8(out, b < 0x80 ? b : kCp437High[b - 0x80]);
    }
    return out;
}

std::string Utf8OrCp437(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Utf8FromCp437(bytes);
}

std::string Utf8FromUtf16(const uint8_t* data, size_t units, bool bigEndian) {
    std::string out;
    const auto unit = [&](size_t k) -> uint32_t {
        const uint8_t a = data[2 * k], b = data[2 * k + 1];
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    for (size_t k = 0; k < units; ++k) {
        uint32_t u = unit(k);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++k;
            }
        }
        AppendUtf8(out, u);
    }
    return out;
}

std::string PrintableName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    uint32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i, cp);
        if (n == 0 || cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
            out += '?';
            i += n ? n : 1;
            continue;
        }
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string_view UntilNul(const uint8_t* data, size_t length) {
    size_t n = 0;
    while (n < length && data[n] != 0) ++n;
    return {reinterpret_cast<const char*>(data), n};
}

}  // namespace qm::extract
