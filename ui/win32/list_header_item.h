#pragma once
// CListHeaderItemUI: one column header; its width is the column's. A click sends "headerclick".
// It may hold controls of its own (a "check all" box), laid out in a row over it.
#include "ui/win32/button.h"

namespace qm::ui {

class CHorizontalLayoutUI;

class CListHeaderItemUI : public CButtonUI {
 public:
  CListHeaderItemUI();
  ~CListHeaderItemUI() override;
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  bool Activate() override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  SIZE EstimateSize(SIZE available) override;

  // Adds a control shown inside the header (owned by it).
  bool AddChild(CControlUI* control);
  CHorizontalLayoutUI* GetContent() const { return m_content; }

  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  CControlUI* FindControl(const FindControlProc& proc, UINT flags) override;
  CControlUI* FindControlAt(POINT pt) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void SetInternVisible(bool visible = true) override;
  void DoPaint(HDC hdc, const RECT& paint) override;

 private:
  CHorizontalLayoutUI* m_content = nullptr;
};

}  // namespace qm::ui
