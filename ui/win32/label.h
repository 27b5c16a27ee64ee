#pragma once
// CLabelUI: text with colour, font, alignment, padding and optional inline markup (showhtml).
#include <vector>

#include "ui/win32/control.h"
#include "ui/win32/render_engine.h"

namespace qm::ui {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  void SetText(std::wstring_view text) override;
  DWORD GetTextColor() const { return m_textColor; }
  void SetTextColor(DWORD argb);
  DWORD GetDisabledTextColor() const { return m_disabledTextColor; }
  void SetDisabledTextColor(DWORD argb);
  int GetFont() const { return m_font; }
  void SetFont(int index);
  UINT GetTextStyle() const { return m_textStyle; }  // DT_* flags
  void SetTextStyle(UINT style);
  const RECT& GetTextPadding() const { return m_rcTextPadding; }
  void SetTextPadding(RECT padding);
  bool IsShowHtml() const { return m_showHtml; }
  void SetShowHtml(bool showHtml = true);
  // Links laid out by the last paint (markup {a}); index into it for "link" notifications.
  const std::vector<MarkupLink>& GetLinks() const { return m_links; }
  int HitTestLink(POINT pt) const;

  SIZE EstimateSize(SIZE available) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintText(HDC hdc) override;

 protected:
  // Draws `text` with this label's font/style inside rc minus the text padding.
  void DrawLabelText(HDC hdc, std::wstring_view text, DWORD color);

  DWORD m_textColor = 0;
  DWORD m_disabledTextColor = 0;
  int m_font = -1;
  UINT m_textStyle = DT_VCENTER | DT_SINGLELINE;
  RECT m_rcTextPadding{};
  bool m_showHtml = false;
  bool m_autoCalcWidth = false;
  std::vector<MarkupLink> m_links;
};

}  // namespace qm::ui
