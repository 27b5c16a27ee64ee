#include "ui/core/skin_values.h"

#include <cstdint>
#include <vector>

namespace qm::ui {

namespace {

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view trim(std::wstring_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Exactly `count` comma-separated integers.
bool parseInts(std::wstring_view text, int* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const size_t comma = text.find(L',');
        const bool last = i + 1 == count;
        if (last != (comma == std::wstring_view::npos)) return false;
        if (!ParseInt(text.substr(0, comma), values[i])) return false;
        if (!last) text.remove_prefix(comma + 1);
    }
    return true;
}

bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t c = a[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != b[i]) return false;
    }
    return true;
}

bool setError(std::wstring* error, std::wstring message) {
    if (error) *error = std::move(message);
    return false;
}

}  // namespace

bool ParseInt(std::wstring_view text, int& out) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
        if (value > 0x80000000LL) return false;
    }
    if (negative) value = -value;
    if (value > 0x7FFFFFFFLL) return false;
    out = static_cast<int>(value);
    return true;
}

bool ParseColor(std::wstring_view text, std::uint32_t& argb) {
    text = trim(text);
    if (text.empty() || text.front() != L'#') return false;
    text.remove_prefix(1);
    if (text.size() != 8 && text.size() != 6) return false;
    std::uint32_t value = 0;
    for (wchar_t c : text) {
        const int d = hexDigit(c);
        if (d < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    argb = text.size() == 6 ? (0xFF000000u | value) : value;
    return true;
}

bool ParseRect(std::wstring_view text, UiRect& out) {
    int v[4];
    if (!parseInts(text, v, 4)) return false;
    out = UiRect{v[0], v[1], v[2], v[3]};
    return true;
}

bool ParseSize(std::wstring_view text, int& cx, int& cy) {
    int v[2];
    if (!parseInts(text, v, 2)) return false;
    cx = v[0];
    cy = v[1];
    return true;
}

bool ParseBool(std::wstring_view text, bool& out) {
    text = trim(text);
    if (equalsIgnoringCase(text, L"true")) {
        out = true;
        return true;
    }
    if (equalsIgnoringCase(text, L"false")) {
        out = false;
        return true;
    }
    return false;
}

bool ParseImageAttributes(std::wstring_view text, ImageAttributes& out, std::wstring* error) {
    out = ImageAttributes();
    text = trim(text);
    if (text.empty()) return setError(error, L"empty image description");
    if (text.find(L'=') == std::wstring_view::npos) {
        out.file = std::wstring(text);
        return true;
    }

    ImageAttributes parsed;
    std::vector<std::wstring_view> seen;
    size_t p = 0;
    while (p < text.size()) {
        while (p < text.size() && isSpace(text[p])) ++p;
        if (p >= text.size()) break;
        const size_t keyStart = p;
        while (p < text.size() && !isSpace(text[p]) && text[p] != L'=') ++p;
        const std::wstring_view key = text.substr(keyStart, p - keyStart);
        while (p < text.size() && isSpace(text[p])) ++p;
        if (key.empty() || p >= text.size() || text[p] != L'=')
            return setError(error, L"expected key='value' at \"" + std::wstring(text.substr(keyStart)) + L"\"");
        ++p;
        while (p < text.size() && isSpace(text[p])) ++p;
        if (p >= text.size() || (text[p] != L'\'' && text[p] != L'"'))
            return setError(error, L"value of '" + std::wstring(key) + L"' must be quoted");
        const wchar_t quote = text[p++];
        const size_t close = text.find(quote, p);
        if (close == std::wstring_view::npos)
            return setError(error, L"unterminated value of '" + std::wstring(key) + L"'");
        const std::wstring_view value = text.substr(p, close - p);
        p = close + 1;
        if (p < text.size() && !isSpace(text[p]))
            return setError(error, L"expected a space after the value of '" + std::wstring(key) + L"'");
        for (auto k : seen)
            if (k == key) return setError(error, L"'" + std::wstring(key) + L"' given twice");
        seen.push_back(key);

        bool good;
        if (key == L"file") {
            parsed.file = std::wstring(trim(value));
            good = !parsed.file.empty();
        } else if (key == L"source") {
            good = parsed.hasSource = ParseRect(value, parsed.source);
        } else if (key == L"dest") {
            good = parsed.hasDest = ParseRect(value, parsed.dest);
        } else if (key == L"corner") {
            good = ParseRect(value, parsed.corner) && parsed.corner.left >= 0 && parsed.corner.top >= 0 &&
                   parsed.corner.right >= 0 && parsed.corner.bottom >= 0;
        } else if (key == L"mask") {
            good = parsed.hasMask = ParseColor(value, parsed.mask);
        } else if (key == L"fade") {
            good = ParseInt(value, parsed.fade) && parsed.fade >= 0 && parsed.fade <= 255;
        } else if (key == L"hole") {
            good = ParseBool(value, parsed.hole);
        } else if (key == L"xtiled") {
            good = ParseBool(value, parsed.xtiled);
        } else if (key == L"ytiled") {
            good = ParseBool(value, parsed.ytiled);
        } else {
            return setError(error, L"unknown image key '" + std::wstring(key) + L"'");
        }
        if (!good) return setError(error, L"bad value '" + std::wstring(value) + L"' for '" + std::wstring(key) + L"'");
    }
    if (parsed.file.empty()) return setError(error, L"no image file named");
    out = std::move(parsed);
    return true;
}

}  // namespace qm::ui
