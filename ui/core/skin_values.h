// The value syntax of skin attributes: colours, rectangles, sizes, booleans and image descriptions.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::ui {

struct UiRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const UiRect&) const = default;
};

// Each parser leaves `out` untouched when it returns false. Surrounding white space is allowed.
bool ParseColor(std::wstring_view text, std::uint32_t& argb);  // "#FF0089BE" (alpha first), also "#RRGGBB" = opaque
bool ParseRect(std::wstring_view text, UiRect& out);           // "l,t,r,b"
bool ParseSize(std::wstring_view text, int& cx, int& cy);      // "w,h"
bool ParseBool(std::wstring_view text, bool& out);             // "true"/"false" (any letter case)
bool ParseInt(std::wstring_view text, int& out);               // optional sign, decimal digits, no overflow

struct ImageAttributes {
    std::wstring file;  // archive path, e.g. "banner_bg.png" or "MessageBox/error.png"
    UiRect source;
    bool hasSource = false;  // part of the image
    UiRect dest;
    bool hasDest = false;  // where in the control's rect
    UiRect corner;         // nine-grid margins (l,t,r,b)
    std::uint32_t mask = 0;
    bool hasMask = false;  // colour made transparent
    int fade = 255;        // 0..255
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
};

// "file='banner_bg.png' corner='0,0,0,70'" or a bare "banner_bg.png". Values may be quoted with ' or ".
// false + error on malformed text, an unknown key or no file; `out` is reset first.
bool ParseImageAttributes(std::wstring_view text, ImageAttributes& out, std::wstring* error = nullptr);

}  // namespace qm::ui
