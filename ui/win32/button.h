#pragma once
// CButtonUI: a label with normal/hot/pushed/focused/disabled images and text colours; "click".
#include "ui/win32/label.h"

namespace qm::ui {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;

  bool Activate() override;  // sends "click"
  void SetEnabled(bool enabled = true) override;
  UINT GetButtonState() const { return m_buttonState; }

  const std::wstring& GetNormalImage() const { return m_normalImage; }
  void SetNormalImage(std::wstring_view image);
  const std::wstring& GetHotImage() const { return m_hotImage; }
  void SetHotImage(std::wstring_view image);
  const std::wstring& GetPushedImage() const { return m_pushedImage; }
  void SetPushedImage(std::wstring_view image);
  const std::wstring& GetFocusedImage() const { return m_focusedImage; }
  void SetFocusedImage(std::wstring_view image);
  const std::wstring& GetDisabledImage() const { return m_disabledImage; }
  void SetDisabledImage(std::wstring_view image);
  void SetHotTextColor(DWORD argb) { m_hotTextColor = argb; Invalidate(); }
  void SetPushedTextColor(DWORD argb) { m_pushedTextColor = argb; Invalidate(); }
  void SetFocusedTextColor(DWORD argb) { m_focusedTextColor = argb; Invalidate(); }
  void SetHotBkColor(DWORD argb) { m_hotBkColor = argb; Invalidate(); }

  void DoEvent(TEventUI& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintText(HDC hdc) override;
  void PaintStatusImage(HDC hdc) override;

 protected:
  UINT m_buttonState = 0;
  std::wstring m_normalImage, m_hotImage, m_pushedImage, m_focusedImage, m_disabledImage;
  DWORD m_hotTextColor = 0, m_pushedTextColor = 0, m_focusedTextColor = 0, m_hotBkColor = 0;
};

}  // namespace qm::ui
