#pragma once
// CRichEditUI: hosts the system rich-edit control (Msftedit.dll "RICHEDIT50W", else Riched20.dll
// "RichEdit20W") as a child window. Pictures are placed through its OLE interface.
#include <richole.h>

#include "ui/win32/control.h"

namespace qm::ui {

class CRichEditUI : public CControlUI {
 public:
  CRichEditUI();
  ~CRichEditUI() override;
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;

  HWND GetHWND() const { return m_hwnd; }
  std::wstring GetText() const override;
  void SetText(std::wstring_view text) override;
  void AppendText(std::wstring_view text);
  int GetTextLength() const;
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const { return m_readOnly; }
  void SetTextColor(DWORD argb);
  void SetFont(int index);
  // The control's IRichEditOle with a reference added (caller releases), or nullptr.
  IRichEditOle* GetRichEditOle() const;
  // EM_SETOLECALLBACK; the control keeps its own reference.
  bool SetOleCallback(IRichEditOleCallback* callback);
  // Creates the child window now (it is otherwise made when the control joins a window).
  bool CreateHostWindow();

  void SetPos(RECT rc, bool needInvalidate = true) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetFocus() override;
  void DoInit() override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void SyncVisibility();
  HWND m_hwnd = nullptr;
  bool m_readOnly = false;
  bool m_multiline = true;
  bool m_vscroll = false;
  bool m_hscroll = false;
  bool m_wordWrap = true;
  DWORD m_textColor = 0xFF000000;
  int m_font = -1;
  RECT m_rcInset{};
};

}  // namespace qm::ui
