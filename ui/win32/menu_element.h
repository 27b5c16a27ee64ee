#pragma once
// Controls shown by CMenuWnd: CMenuUI (the column of entries) and CMenuElementUI (one entry:
// optional icon, text, and an arrow when it has a submenu).
#include "ui/win32/label.h"
#include "ui/win32/vertical_layout.h"

namespace qm::ui {

class CMenuUI : public CVerticalLayoutUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
};

class CMenuElementUI : public CLabelUI {
 public:
  CMenuElementUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;

  const std::wstring& GetIcon() const { return m_icon; }
  void SetIcon(std::wstring_view image) { m_icon = image; Invalidate(); }
  bool HasSubMenu() const { return m_hasSubMenu; }
  void SetHasSubMenu(bool has) { m_hasSubMenu = has; Invalidate(); }
  bool IsHot() const { return m_hot; }
  void SetHot(bool hot) {
    m_hot = hot;
    Invalidate();
  }

  void DoEvent(TEventUI& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintBkColor(HDC hdc) override;
  void PaintText(HDC hdc) override;

 protected:
  std::wstring m_icon;
  bool m_hasSubMenu = false;
  bool m_hot = false;
  DWORD m_hotBkColor = 0xFFE5F3FF;
  int m_iconWidth = 28;
};

}  // namespace qm::ui
