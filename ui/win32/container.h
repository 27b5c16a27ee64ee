#pragma once
// CContainerUI: a control holding children (owned unless SetAutoDestroy(false)), with an inner
// inset, padding between children and an optional vertical scroll bar. The plain container puts
// every child over its whole inner area; the layouts place them in a row or column.
#include <vector>

#include "ui/win32/control.h"

namespace qm::ui {

class CScrollBarUI;

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(CControlUI* control) const;
  bool SetItemIndex(CControlUI* control, int index);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  // Removes (and deletes, when auto-destroying and !doNotDestroy) the control.
  virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
  virtual bool RemoveAt(int index, bool doNotDestroy = false);
  virtual void RemoveAll();
  void SetAutoDestroy(bool autoDestroy) { m_autoDestroy = autoDestroy; }
  // Reorders the children (stable) by `less`.
  void SortItems(const std::function<bool(CControlUI*, CControlUI*)>& less);

  const RECT& GetInset() const { return m_rcInset; }
  void SetInset(RECT inset);
  int GetChildPadding() const { return m_childPadding; }
  void SetChildPadding(int padding);
  // Finds a descendant by name.
  CControlUI* FindSubControl(std::wstring_view name);

  // Scrolling (vertical only).
  void EnableScrollBar(bool vertical = true);
  CScrollBarUI* GetVerticalScrollBar() const { return m_vScroll; }
  int GetScrollPos() const;
  int GetScrollRange() const;
  virtual void SetScrollPos(int pos);
  void LineUp();
  void LineDown();
  void PageUp();
  void PageDown();
  // Keeps `control` inside the visible part of the container.
  void EnsureVisible(CControlUI* control);

  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(HDC hdc, const RECT& paint) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  CControlUI* FindControl(const FindControlProc& proc, UINT flags) override;
  CControlUI* FindControlAt(POINT pt) override;

 protected:
  // The inner area (position minus inset and border), less the scroll bar when shown.
  RECT InnerRect(bool withScrollBar) const;
  // Shows or hides the scroll bar for `contentHeight` in the inner area; returns the area children use.
  RECT ProcessScrollBar(RECT rc, int contentHeight);
  void PlaceFloat(CControlUI* child, const RECT& rc);

  std::vector<CControlUI*> m_items;
  RECT m_rcInset{};
  int m_childPadding = 0;
  bool m_autoDestroy = true;
  CScrollBarUI* m_vScroll = nullptr;
  bool m_scrollStyled = false;
};

}  // namespace qm::ui
