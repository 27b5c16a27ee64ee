#pragma once
// CListElementUI: one row of a CListUI: index, selection, hot state, check mark and column texts.
#include <vector>

#include "ui/win32/control.h"
#include "ui/win32/render_engine.h"

namespace qm::ui {

class CListUI;

class CListElementUI : public CControlUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;

  CListUI* GetOwner() const { return m_owner; }
  void SetOwner(CListUI* owner) { m_owner = owner; }
  int GetIndex() const { return m_index; }
  void SetIndex(int index) { m_index = index; }
  bool IsSelected() const { return m_selected; }
  // Selects through the owner list (which sends "itemselect").
  virtual bool Select(bool select = true, bool sendNotify = true);
  void SetSelectedState(bool selected);  // the look only; used by the list
  bool IsHot() const { return (m_buttonState & UISTATE_HOT) != 0; }

  // Column texts; column 0 is GetText()/SetText().
  std::wstring GetText() const override;
  void SetText(std::wstring_view text) override;
  std::wstring GetColumnText(int column) const;
  void SetColumnText(int column, std::wstring_view text);
  int GetColumnCount() const { return static_cast<int>(m_texts.size()); }

  // The check mark of the list's check column.
  bool GetCheck() const { return m_checked; }
  void SetCheck(bool checked);
  void SetCheckImages(std::wstring_view normal, std::wstring_view checked);

  // Links laid out by the last paint (markup {a} in column texts).
  const std::vector<MarkupLink>& GetLinks() const { return m_links; }
  int HitTestLink(POINT pt) const;

  bool Activate() override;  // sends "itemactivate"-style "itemdbclick" handled by the list
  void SetVisible(bool visible = true) override;
  SIZE EstimateSize(SIZE available) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoPaint(HDC hdc, const RECT& paint) override;

 protected:
  // Background by state (list's item colours), then the texts.
  virtual void DrawItemBk(HDC hdc, const RECT& rc);
  virtual void DrawItemText(HDC hdc, const RECT& rc);
  // The rectangle of column `column` within this row (the whole row without a header).
  RECT ColumnRect(int column) const;

  CListUI* m_owner = nullptr;
  int m_index = -1;
  bool m_selected = false;
  bool m_checked = false;
  UINT m_buttonState = 0;
  std::vector<std::wstring> m_texts;
  // The first column's text starts at least this far from the row's left edge (past a row image).
  int m_firstTextIndent = 0;
  std::wstring m_checkImage, m_checkedImage;
  std::vector<MarkupLink> m_links;
};

}  // namespace qm::ui
