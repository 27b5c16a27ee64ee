#pragma once
// Drawing helpers: ARGB colours, skin images (source/dest/corner/mask/fade, tiling), borders and
// text, plain or with the inline markup of labels and list cells.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace qm::ui {

class CPaintManagerUI;

// A clickable markup link laid out by DrawMarkupText.
struct MarkupLink {
  RECT rect{};
  std::wstring argument;
};

class CRenderEngine {
 public:
  static void DrawColor(HDC hdc, const RECT& rc, DWORD argb);
  static void DrawGradient(HDC hdc, const RECT& rc, DWORD argbFrom, DWORD argbTo, bool vertical);
  static void DrawRect(HDC hdc, const RECT& rc, int size, DWORD argb);
  static void DrawRoundRect(HDC hdc, const RECT& rc, int size, int cx, int cy, DWORD argb);
  static void DrawLine(HDC hdc, const RECT& rc, int size, DWORD argb);
  // `attributes` in the skin syntax ("file='a.png' source='0,0,10,10' corner='2,2,2,2'" or "a.png").
  // Returns false when the attributes are malformed or the image cannot be loaded.
  static bool DrawImageString(HDC hdc, CPaintManagerUI* manager, const RECT& control, const RECT& paint,
                              std::wstring_view attributes);
  // Plain text in `rc` with DT_* alignment flags, in the manager's font `font` (-1: default).
  static void DrawText(HDC hdc, CPaintManagerUI* manager, RECT& rc, std::wstring_view text, DWORD argb, int font,
                       UINT style);
  // Text with inline markup ({b} {i} {u} {f N} {c #AARRGGBB} {x N} {y N} {i image frames index} {a}
  // {n} {p} {s} and the same in angle brackets). Links are returned in *links (may be nullptr).
  // With DT_CALCRECT in style, only measures: rc.right/bottom become the extent.
  static void DrawMarkupText(HDC hdc, CPaintManagerUI* manager, RECT& rc, std::wstring_view text, DWORD argb,
                             int font, UINT style, std::vector<MarkupLink>* links = nullptr);
  static SIZE GetTextSize(HDC hdc, CPaintManagerUI* manager, std::wstring_view text, int font, UINT style);
};

}  // namespace qm::ui
