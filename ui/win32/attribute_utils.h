#pragma once
// Small conversions between the portable skin values and Win32 types (library internal).
#include <windows.h>

#include <string>
#include <string_view>

#include "ui/core/skin_values.h"

namespace qm::ui {

inline RECT ToRect(const UiRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline UiRect ToUiRect(const RECT& r) { return UiRect{r.left, r.top, r.right, r.bottom}; }
inline bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline bool Intersect(RECT& out, const RECT& a, const RECT& b) { return ::IntersectRect(&out, &a, &b) != FALSE; }
inline bool PointIn(const RECT& r, POINT pt) { return ::PtInRect(&r, pt) != FALSE; }

// Sizes from a skin are kept within what a screen can show, so layout sums cannot overflow.
inline constexpr int kMaxSkinCoordinate = 100000;
inline int ClampCoordinate(int v) { return v < -kMaxSkinCoordinate ? -kMaxSkinCoordinate : v > kMaxSkinCoordinate ? kMaxSkinCoordinate : v; }
inline int ClampSize(int v) { return v < 0 ? 0 : v > kMaxSkinCoordinate ? kMaxSkinCoordinate : v; }

// Attribute value parsers that keep the previous value on malformed text.
inline void ReadRect(std::wstring_view text, RECT& out) {
  UiRect r;
  if (ParseRect(text, r)) {
    out = RECT{ClampCoordinate(r.left), ClampCoordinate(r.top), ClampCoordinate(r.right), ClampCoordinate(r.bottom)};
  }
}
inline void ReadColor(std::wstring_view text, DWORD& out) {
  std::uint32_t argb = 0;
  if (ParseColor(text, argb)) out = argb;
}
inline void ReadInt(std::wstring_view text, int& out) {
  int v = 0;
  if (ParseInt(text, v)) out = v;
}
inline void ReadBool(std::wstring_view text, bool& out) {
  bool v = false;
  if (ParseBool(text, v)) out = v;
}
inline bool ReadBoolValue(std::wstring_view text) {
  bool v = false;
  ParseBool(text, v);
  return v;
}
inline int ReadIntValue(std::wstring_view text, int fallback = 0) {
  int v = fallback;
  ReadInt(text, v);
  return v;
}
// "left", "center", "right", "top", "vcenter", "bottom", "wrap", "singleline" (space or comma separated)
UINT ParseAlign(std::wstring_view text, UINT style);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
std::string ToUtf8(std::wstring_view text);
// Normalises an archive path: '/' separators, no leading "./" or '/'.
std::wstring NormaliseSkinPath(std::wstring_view path);

}  // namespace qm::ui
