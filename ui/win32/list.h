#pragma once
// CListUI: a header and a scrolling body of rows (CListElementUI). Single selection ("itemselect"),
// a check column ("list_check_click"), double clicks ("list_item_dbclick" + the row's "itemdbclick").
#include <vector>

#include "ui/win32/vertical_layout.h"

namespace qm::ui {

class CListHeaderUI;
class CListElementUI;

// How rows are drawn; set by the list's item* attributes.
struct ListInfo {
  int font = -1;
  UINT textStyle = DT_VCENTER | DT_SINGLELINE | DT_LEFT;
  RECT textPadding{4, 0, 4, 0};
  DWORD textColor = 0xFF000000, bkColor = 0, selectedTextColor = 0xFF000000, selectedBkColor = 0xFFCCE8FF;
  DWORD hotTextColor = 0xFF000000, hotBkColor = 0xFFE5F3FF, disabledTextColor = 0xFF999999, lineColor = 0;
  std::wstring bkImage, selectedImage, hotImage;
  bool showHtml = false;
  int itemHeight = 24;
  bool checkBox = false;  // column 0 shows each row's check mark
  std::wstring checkImage, checkedImage;
};

class CListUI : public CVerticalLayoutUI {
 public:
  CListUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;

  CListHeaderUI* GetHeader() const { return m_header; }
  CVerticalLayoutUI* GetList() const { return m_body; }
  ListInfo& GetListInfo() { return m_info; }
  // Column x-ranges from the visible header items (empty without header items).
  std::vector<RECT> GetColumnRects() const;

  // Rows (the header is not counted).
  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(CControlUI* control) const;
  int GetCount() const;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;

  // Reorders the rows (stable) by `less`; the selected row stays selected at its new index.
  void SortItems(const std::function<bool(CControlUI*, CControlUI*)>& less);
  int GetCurSel() const { return m_curSel; }
  // Selects row `index` (-1 clears); sends "itemselect" (wParam new, lParam old) when sendNotify.
  virtual bool SelectItem(int index, bool takeFocus = false, bool sendNotify = true);
  void EnsureVisible(int index);
  void SetScrollPos(int pos) override;

  // Called by rows.
  virtual void OnItemCheckClick(CListElementUI* item);
  virtual void OnItemDbClick(CListElementUI* item);
  virtual void OnItemClick(CListElementUI* item);

  void SetPos(RECT rc, bool needInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void ReindexFrom(int index);
  CListHeaderUI* m_header = nullptr;
  CVerticalLayoutUI* m_body = nullptr;
  ListInfo m_info;
  int m_curSel = -1;
  bool m_showHeader = true;
};

}  // namespace qm::ui
