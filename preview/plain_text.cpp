// Text files the preview shows as they are (comma-separated values, calendars, address cards).
#include "preview/document_text_parts.h"
#include "platform/text.h"

namespace qm::preview {
namespace {

bool isUtf8(Bytes b) {
    size_t i = 0;
    while (i < b.size()) {
        const std::uint8_t c = b[i];
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0) return false;
        if (i + n > b.size()) return true;  // a character cut by our read limit
        for (size_t k = 1; k < n; ++k)
            if ((b[i + k] & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// "\r\n", "\n" and "\r" all end a line.
void addLines(std::wstring_view text, TextOut& out) {
    for (size_t i = 0; i < text.size() && !out.full(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            out.newline();
        } else if (c == L'\n') {
            out.newline();
        } else if (c != 0) {
            out.add(c);
        }
    }
}

}  // namespace

int PlainText(Bytes file, TextOut& out) {
    // Each character takes at least one byte: more than this cannot be shown.
    Bytes b = file.first(std::min(file.size(), kDocumentTextLimit * 4));
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        std::u16string units;
        for (size_t i = 2; i + 1 < b.size(); i += 2) units += static_cast<char16_t>(b[i] | (b[i + 1] << 8));
        addLines(platform::fromUtf16(units), out);
    } else if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        std::u16string units;
        for (size_t i = 2; i + 1 < b.size(); i += 2) units += static_cast<char16_t>((b[i] << 8) | b[i + 1]);
        addLines(platform::fromUtf16(units), out);
    } else {
        if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) b = b.subspan(3);
        if (isUtf8(b)) {
            addLines(platform::fromUtf8(std::string(b.begin(), b.end())), out);
        } else {
            std::wstring latin(b.begin(), b.end());
            addLines(latin, out);
        }
    }
    return 0;
}

}  // namespace qm::preview
