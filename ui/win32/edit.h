#pragma once
// CEditUI: hosts a real EDIT child window over the control's rectangle.
#include "ui/win32/label.h"

namespace qm::ui {

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;

  HWND GetHWND() const { return m_hwnd; }
  std::wstring GetText() const override;
  void SetText(std::wstring_view text) override;
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const { return m_readOnly; }
  void SetPasswordMode(bool password);
  void SetMaxChar(int maxChars);

  void SetPos(RECT rc, bool needInvalidate = true) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetFocus() override;
  void DoInit() override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintText(HDC) override {}  // the child window draws the text

 protected:
  void SyncWindow();
  HWND m_hwnd = nullptr;
  HFONT m_hFont = nullptr;
  bool m_readOnly = false;
  bool m_password = false;
  bool m_multiline = false;
  int m_maxChar = 0;
};

}  // namespace qm::ui
