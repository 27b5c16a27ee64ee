#include "ui/win32/render_engine.h"

#include "ui/win32/gdiplus_include.h"

#include <algorithm>
#include <cwctype>
#include <mutex>

#include "ui/core/markup.h"
#include "ui/core/skin_values.h"
#include "ui/win32/attribute_utils.h"
#include "ui/win32/gdiplus_session.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {
namespace {

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

Gdiplus::Color ToColor(DWORD argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

// Copies (stretching with nearest pixels) part of a premultiplied image; exact pixel edges, so
// the pieces of a nine-grid meet without seams.
void DrawPart(HDC hdc, HDC source, const RECT& dest, const RECT& src, BYTE alpha) {
  if (IsEmptyRect(dest) || IsEmptyRect(src)) return;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  ::AlphaBlend(hdc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, src.left, src.top,
               src.right - src.left, src.bottom - src.top, blend);
}

// A shared image bitmap can be selected into one DC at a time; windows of other threads (a
// message box shown by a worker) draw the same images, so the selection is serialised.
std::recursive_mutex g_imageDcMutex;

// A memory DC holding an image for the duration of a draw.
class ImageDC {
 public:
  ImageDC(HDC hdc, HBITMAP bitmap) : lock_(g_imageDcMutex), dc_(::CreateCompatibleDC(hdc)) {
    old_ = ::SelectObject(dc_, bitmap);
  }
  ~ImageDC() {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  ImageDC(const ImageDC&) = delete;
  ImageDC& operator=(const ImageDC&) = delete;
  HDC get() const { return dc_; }

 private:
  std::lock_guard<std::recursive_mutex> lock_;
  HDC dc_;
  HGDIOBJ old_;
};

// One laid-out piece of markup text: a run of text or an image.
struct MarkupItem {
  bool isImage = false;
  std::wstring text;
  HFONT font = nullptr;
  DWORD color = 0;
  bool selected = false;
  int linkIndex = -1;
  std::wstring linkArgument;
  const SkinImage* image = nullptr;
  RECT source{};
  int x = 0, width = 0, height = 0, line = 0;
};

struct MarkupStyle {
  int font = -1;
  bool bold = false, italic = false, underline = false, selected = false;
  DWORD color = 0;
  int linkIndex = -1;
  std::wstring linkArgument;
};

struct MarkupLine {
  int width = 0, height = 0, extra = 0;
};

}  // namespace

void CRenderEngine::DrawColor(HDC hdc, const RECT& rc, DWORD argb) {
  if ((argb >> 24) == 0 || IsEmptyRect(rc)) return;
  if ((argb >> 24) == 0xFF) {
    HBRUSH brush = ::CreateSolidBrush(ToColorRef(argb));
    ::FillRect(hdc, &rc, brush);
    ::DeleteObject(brush);
    return;
  }
  EnsureGdiplus();
  Gdiplus::Graphics g(hdc);
  Gdiplus::SolidBrush brush(ToColor(argb));
  g.FillRectangle(&brush, static_cast<INT>(rc.left), static_cast<INT>(rc.top), static_cast<INT>(rc.right - rc.left),
                  static_cast<INT>(rc.bottom - rc.top));
}

void CRenderEngine::DrawGradient(HDC hdc, const RECT& rc, DWORD from, DWORD to, bool vertical) {
  if (IsEmptyRect(rc)) return;
  EnsureGdiplus();
  Gdiplus::Graphics g(hdc);
  Gdiplus::Rect r(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  Gdiplus::LinearGradientBrush brush(r, ToColor(from), ToColor(to),
                                     vertical ? Gdiplus::LinearGradientModeVertical
                                              : Gdiplus::LinearGradientModeHorizontal);
  g.FillRectangle(&brush, r);
}

void CRenderEngine::DrawRect(HDC hdc, const RECT& rc, int size, DWORD argb) {
  if (size <= 0 || (argb >> 24) == 0 || IsEmptyRect(rc)) return;
  // Four filled bands so the border stays inside the rectangle.
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  size = std::min(size, std::min(w, h));
  DrawColor(hdc, RECT{rc.left, rc.top, rc.right, rc.top + size}, argb);
  DrawColor(hdc, RECT{rc.left, rc.bottom - size, rc.right, rc.bottom}, argb);
  DrawColor(hdc, RECT{rc.left, rc.top + size, rc.left + size, rc.bottom - size}, argb);
  DrawColor(hdc, RECT{rc.right - size, rc.top + size, rc.right, rc.bottom - size}, argb);
}

void CRenderEngine::DrawRoundRect(HDC hdc, const RECT& rc, int size, int cx, int cy, DWORD argb) {
  if (size <= 0 || (argb >> 24) == 0 || IsEmptyRect(rc)) return;
  EnsureGdiplus();
  Gdiplus::Graphics g(hdc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  Gdiplus::Pen pen(ToColor(argb), static_cast<Gdiplus::REAL>(size));
  Gdiplus::GraphicsPath path;
  float half = size / 2.0f;
  float l = rc.left + half, t = rc.top + half, r = rc.right - half - 1, b = rc.bottom - half - 1;
  float dx = static_cast<float>(std::max(1, cx)), dy = static_cast<float>(std::max(1, cy));
  path.AddArc(l, t, dx, dy, 180, 90);
  path.AddArc(r - dx, t, dx, dy, 270, 90);
  path.AddArc(r - dx, b - dy, dx, dy, 0, 90);
  path.AddArc(l, b - dy, dx, dy, 90, 90);
  path.CloseFigure();
  g.DrawPath(&pen, &path);
}

void CRenderEngine::DrawLine(HDC hdc, const RECT& rc, int size, DWORD argb) {
  if ((argb >> 24) == 0) return;
  EnsureGdiplus();
  Gdiplus::Graphics g(hdc);
  Gdiplus::Pen pen(ToColor(argb), static_cast<Gdiplus::REAL>(std::max(1, size)));
  g.DrawLine(&pen, static_cast<INT>(rc.left), static_cast<INT>(rc.top), static_cast<INT>(rc.right),
             static_cast<INT>(rc.bottom));
}

bool CRenderEngine::DrawImageString(HDC hdc, CPaintManagerUI* manager, const RECT& control, const RECT& paint,
                                    std::wstring_view attributes) {
  if (attributes.empty() || !manager || !manager->GetResource()) return false;
  ImageAttributes ia;
  if (!ParseImageAttributes(attributes, ia) || ia.file.empty()) return false;
  const SkinImage* image = manager->GetResource()->GetImageDib(ia.file, ia.mask, ia.hasMask);
  if (!image) return false;
  const int iw = image->width, ih = image->height;
  RECT src{0, 0, iw, ih};
  if (ia.hasSource) {
    src = ToRect(ia.source);
    src.left = std::clamp<LONG>(src.left, 0, iw);
    src.right = std::clamp<LONG>(src.right, src.left, iw);
    src.top = std::clamp<LONG>(src.top, 0, ih);
    src.bottom = std::clamp<LONG>(src.bottom, src.top, ih);
  }
  RECT dest = control;
  if (ia.hasDest) {
    dest = RECT{control.left + ia.dest.left, control.top + ia.dest.top, control.left + ia.dest.right,
                control.top + ia.dest.bottom};
    dest.right = std::min(dest.right, control.right);
    dest.bottom = std::min(dest.bottom, control.bottom);
  }
  RECT visible{};
  if (!Intersect(visible, dest, paint) || IsEmptyRect(src)) return true;
  const BYTE alpha = static_cast<BYTE>(std::clamp(ia.fade, 0, 255));
  ImageDC source(hdc, image->dib);
  const int saved = ::SaveDC(hdc);
  ::IntersectClipRect(hdc, visible.left, visible.top, visible.right, visible.bottom);

  const int sw = src.right - src.left, sh = src.bottom - src.top;
  if (ia.xtiled || ia.ytiled) {
    const int stepX = ia.xtiled ? sw : dest.right - dest.left;
    const int stepY = ia.ytiled ? sh : dest.bottom - dest.top;
    for (int y = dest.top; y < dest.bottom && stepY > 0; y += stepY) {
      for (int x = dest.left; x < dest.right && stepX > 0; x += stepX) {
        DrawPart(hdc, source.get(), RECT{x, y, x + stepX, y + stepY}, src, alpha);
      }
    }
    ::RestoreDC(hdc, saved);
    return true;
  }
  RECT c = ToRect(ia.corner);
  if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
    DrawPart(hdc, source.get(), dest, src, alpha);
    ::RestoreDC(hdc, saved);
    return true;
  }
  // Nine-grid: corners keep their size, edges stretch along one axis, the middle along both.
  c.left = std::clamp<LONG>(c.left, 0, sw);
  c.right = std::clamp<LONG>(c.right, 0, sw - c.left);
  c.top = std::clamp<LONG>(c.top, 0, sh);
  c.bottom = std::clamp<LONG>(c.bottom, 0, sh - c.top);
  const LONG xs[4] = {src.left, src.left + c.left, src.right - c.right, src.right};
  const LONG ys[4] = {src.top, src.top + c.top, src.bottom - c.bottom, src.bottom};
  const LONG xd[4] = {dest.left, std::min(dest.left + c.left, dest.right), std::max(dest.right - c.right, dest.left + c.left),
                      dest.right};
  const LONG yd[4] = {dest.top, std::min(dest.top + c.top, dest.bottom),
                      std::max(dest.bottom - c.bottom, dest.top + c.top), dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      if (ia.hole && row == 1 && col == 1) continue;
      DrawPart(hdc, source.get(), RECT{xd[col], yd[row], xd[col + 1], yd[row + 1]},
               RECT{xs[col], ys[row], xs[col + 1], ys[row + 1]}, alpha);
    }
  }
  ::RestoreDC(hdc, saved);
  return true;
}

void CRenderEngine::DrawText(HDC hdc, CPaintManagerUI* manager, RECT& rc, std::wstring_view text, DWORD argb,
                             int font, UINT style) {
  if (text.empty() && !(style & DT_CALCRECT)) return;
  HFONT hfont = manager ? manager->GetFont(font) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ old = ::SelectObject(hdc, hfont);
  ::SetBkMode(hdc, TRANSPARENT);
  ::SetTextColor(hdc, ToColorRef(argb));
  UINT flags = style | DT_NOPREFIX;
  if (flags & DT_WORDBREAK) flags &= ~DT_SINGLELINE;
  if ((flags & DT_WORDBREAK) && (flags & (DT_VCENTER | DT_BOTTOM)) && !(flags & DT_CALCRECT)) {
    // DrawText only centres single lines; measure first and place the block ourselves.
    RECT measure = rc;
    ::DrawTextW(hdc, text.data(), static_cast<int>(text.size()), &measure, (flags & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
    int h = measure.bottom - measure.top, avail = rc.bottom - rc.top;
    RECT place = rc;
    if (h < avail) place.top += (flags & DT_BOTTOM) ? (avail - h) : (avail - h) / 2;
    ::DrawTextW(hdc, text.data(), static_cast<int>(text.size()), &place, flags & ~(DT_VCENTER | DT_BOTTOM));
  } else {
    ::DrawTextW(hdc, text.data(), static_cast<int>(text.size()), &rc, flags);
  }
  ::SelectObject(hdc, old);
}

SIZE CRenderEngine::GetTextSize(HDC hdc, CPaintManagerUI* manager, std::wstring_view text, int font, UINT style) {
  RECT rc{0, 0, 9999, 9999};
  DrawText(hdc, manager, rc, text, 0, font, (style & ~(DT_VCENTER | DT_BOTTOM | DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CRenderEngine::DrawMarkupText(HDC hdc, CPaintManagerUI* manager, RECT& rc, std::wstring_view text, DWORD argb,
                                   int font, UINT style, std::vector<MarkupLink>* links) {
  if (links) links->clear();
  if (!manager) return;
  const bool measureOnly = (style & DT_CALCRECT) != 0;
  const bool wrap = (style & DT_WORDBREAK) != 0;
  const int maxWidth = std::max<int>(1, rc.right - rc.left);
  MarkupParseResult parsed = ParseMarkup(text);

  std::vector<MarkupStyle> stack;
  MarkupStyle current;
  current.font = font;
  current.color = argb;
  int linkCounter = 0;
  std::vector<MarkupItem> items;
  std::vector<MarkupLine> lines(1);
  int x = 0;

  HGDIOBJ oldFont = ::SelectObject(hdc, manager->GetFont(font));
  auto fontOf = [&](const MarkupStyle& s) {
    return manager->GetFont(s.font, s.bold, s.italic, s.underline);
  };
  auto lineHeightOf = [&](HFONT f) {
    ::SelectObject(hdc, f);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(hdc, &tm);
    return static_cast<int>(tm.tmHeight);
  };
  auto newLine = [&]() {
    if (lines.back().height == 0) lines.back().height = lineHeightOf(fontOf(current));
    lines.push_back(MarkupLine{});
    x = 0;
  };
  auto place = [&](MarkupItem item) {
    if (wrap && x > 0 && x + item.width > maxWidth) newLine();
    item.x = x;
    item.line = static_cast<int>(lines.size()) - 1;
    x += item.width;
    auto& line = lines.back();
    line.width = std::max(line.width, x);
    line.height = std::max(line.height, item.height);
    items.push_back(std::move(item));
  };
  auto addText = [&](const std::wstring& run) {
    HFONT f = fontOf(current);
    const int h = lineHeightOf(f);
    // Words are placed one by one so wrapping breaks between them.
    size_t pos = 0;
    while (pos < run.size()) {
      size_t end = pos;
      if (wrap) {
        while (end < run.size() && run[end] == L' ') ++end;
        while (end < run.size() && run[end] != L' ' && run[end] != L'\n') ++end;
      } else {
        end = run.find(L'\n', pos);
        if (end == std::wstring::npos) end = run.size();
      }
      if (end == pos) {  // a line break character
        newLine();
        ++pos;
        continue;
      }
      MarkupItem item;
      item.text = run.substr(pos, end - pos);
      SIZE sz{};
      ::GetTextExtentPoint32W(hdc, item.text.c_str(), static_cast<int>(item.text.size()), &sz);
      item.width = sz.cx;
      item.height = h;
      item.font = f;
      item.color = current.color;
      item.selected = current.selected;
      item.linkIndex = current.linkIndex;
      item.linkArgument = current.linkArgument;
      if (wrap && x > 0 && x + item.width > maxWidth) {
        // A word that moves to a new line leaves the blanks before it behind.
        newLine();
        const size_t firstWordChar = item.text.find_first_not_of(L' ');
        if (firstWordChar != 0 && firstWordChar != std::wstring::npos) {
          item.text.erase(0, firstWordChar);
          ::GetTextExtentPoint32W(hdc, item.text.c_str(), static_cast<int>(item.text.size()), &sz);
          item.width = sz.cx;
        }
      }
      place(std::move(item));
      pos = end;
      if (pos < run.size() && run[pos] == L'\n') {
        newLine();
        ++pos;
      }
    }
  };

  for (const auto& token : parsed.tokens) {
    switch (token.kind) {
      case MarkupToken::Kind::Text:
        addText(token.text);
        break;
      case MarkupToken::Kind::Open: {
        stack.push_back(current);
        switch (token.tag) {
          case L'b': current.bold = true; break;
          case L'i': current.italic = true; break;
          case L'u': current.underline = true; break;
          case L'f': ReadInt(token.argument, current.font); break;
          case L'c': ReadColor(token.argument, current.color); break;
          case L's': current.selected = true; break;
          case L'a':
            current.linkIndex = linkCounter++;
            current.linkArgument = token.argument;
            if (current.color == argb) current.color = manager->GetDefaultLinkColor();
            break;
          case L'p':
            if (x > 0) newLine();
            break;
          default: break;
        }
        break;
      }
      case MarkupToken::Kind::Close:
        if (token.tag == L'p' && x > 0) newLine();
        if (!stack.empty()) {
          current = stack.back();
          stack.pop_back();
        }
        break;
      case MarkupToken::Kind::Single:
        if (token.tag == L'n') {
          newLine();
        } else if (token.tag == L'x') {
          x += ReadIntValue(token.argument);
          lines.back().width = std::max(lines.back().width, x);
        } else if (token.tag == L'y') {
          lines.back().extra += ReadIntValue(token.argument);
        } else if (token.tag == L'I') {
          // "name [frames] [index]": one frame of a strip of equal frames side by side.
          std::wstring arg = token.argument;
          std::vector<std::wstring> words;
          size_t p = 0;
          while (p < arg.size()) {
            while (p < arg.size() && arg[p] == L' ') ++p;
            size_t e = p;
            while (e < arg.size() && arg[e] != L' ') ++e;
            if (e > p) words.push_back(arg.substr(p, e - p));
            p = e;
          }
          if (words.empty() || !manager->GetResource()) break;
          const SkinImage* image = manager->GetResource()->GetImageDib(words[0]);
          if (!image) break;
          int frames = words.size() > 1 ? std::clamp(ReadIntValue(words[1], 1), 1, 256) : 1;
          int index = words.size() > 2 ? std::clamp(ReadIntValue(words[2], 0), 0, frames - 1) : 0;
          int fw = image->width / frames;
          MarkupItem item;
          item.isImage = true;
          item.image = image;
          item.source = RECT{fw * index, 0, fw * (index + 1), image->height};
          item.width = fw;
          item.height = image->height;
          item.linkIndex = current.linkIndex;
          item.linkArgument = current.linkArgument;
          place(std::move(item));
        }
        break;
    }
  }
  if (lines.back().height == 0) lines.back().height = lineHeightOf(fontOf(current));
  if (lines.size() > 1 && lines.back().width == 0 && items.size() > 0 && items.back().line < static_cast<int>(lines.size()) - 1) {
    lines.pop_back();  // no empty trailing line from a final {n}
  }

  int total = 0, widest = 0;
  std::vector<int> lineTop(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    lineTop[i] = total;
    total += lines[i].height + lines[i].extra;
    widest = std::max(widest, lines[i].width);
  }
  if (measureOnly) {
    rc.right = rc.left + std::min(widest, wrap ? maxWidth : widest);
    rc.bottom = rc.top + total;
    ::SelectObject(hdc, oldFont);
    return;
  }
  int top = rc.top;
  const int avail = rc.bottom - rc.top;
  if (style & DT_VCENTER) top += (avail - total) / 2;
  else if (style & DT_BOTTOM) top += avail - total;

  int saved = ::SaveDC(hdc);
  ::IntersectClipRect(hdc, rc.left, rc.top, rc.right, rc.bottom);
  ::SetBkMode(hdc, TRANSPARENT);
  for (const auto& item : items) {
    const auto& line = lines[static_cast<size_t>(item.line)];
    int left = rc.left;
    if (style & DT_CENTER) left += (maxWidth - line.width) / 2;
    else if (style & DT_RIGHT) left += maxWidth - line.width;
    RECT r{left + item.x, top + lineTop[static_cast<size_t>(item.line)] + (line.height - item.height) / 2, 0, 0};
    r.right = r.left + item.width;
    r.bottom = r.top + item.height;
    if (item.isImage) {
      ImageDC source(hdc, item.image->dib);
      DrawPart(hdc, source.get(), r, item.source, 255);
    } else {
      if (item.selected) DrawColor(hdc, r, 0xFFBFDFFF);
      ::SelectObject(hdc, item.font);
      ::SetTextColor(hdc, ToColorRef(item.color));
      ::TextOutW(hdc, r.left, r.top, item.text.c_str(), static_cast<int>(item.text.size()));
    }
    if (links && item.linkIndex >= 0) {
      if (!links->empty() && static_cast<int>(links->size()) - 1 >= 0 &&
          links->back().argument == item.linkArgument && links->back().rect.right == r.left &&
          links->back().rect.top <= r.bottom && r.top <= links->back().rect.bottom) {
        ::UnionRect(&links->back().rect, &links->back().rect, &r);
      } else {
        links->push_back(MarkupLink{r, item.linkArgument});
      }
    }
  }
  ::RestoreDC(hdc, saved);
  ::SelectObject(hdc, oldFont);
}

}  // namespace qm::ui
