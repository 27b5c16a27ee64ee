#pragma once
// CTabLayoutUI: pages on top of each other; only the selected one is visible.
#include "ui/win32/container.h"

namespace qm::ui {

class CTabLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  void RemoveAll() override;
  int GetCurSel() const { return m_curSel; }
  // Shows page `index` (hiding the others); false for an index out of range.
  virtual bool SelectItem(int index);
  bool SelectItem(CControlUI* page);
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoInit() override;

 protected:
  int m_curSel = -1;
  int m_initialSel = 0;
};

}  // namespace qm::ui
