#pragma once
// COptionUI: a button with a selected state. Options of one group are exclusive: selecting one
// unselects the others of its window. Sends "selectchanged".
#include "ui/win32/button.h"

namespace qm::ui {

class COptionUI : public CButtonUI {
 public:
  ~COptionUI() override;
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  const std::wstring& GetGroup() const { return m_group; }
  void SetGroup(std::wstring_view group);
  bool IsSelected() const { return m_selected; }
  // Changes the state; sends "selectchanged" when it changed and sendNotify.
  virtual void Selected(bool selected, bool sendNotify = true);
  bool Activate() override;  // click: select (or toggle for ungrouped options)
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void DoInit() override;

  void SetSelectedImage(std::wstring_view image);
  const std::wstring& GetSelectedImage() const { return m_selectedImage; }
  void SetSelectedHotImage(std::wstring_view image);
  void SetSelectedTextColor(DWORD argb) { m_selectedTextColor = argb; Invalidate(); }
  void SetSelectedBkColor(DWORD argb) { m_selectedBkColor = argb; Invalidate(); }

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;

 protected:
  bool m_selected = false;
  std::wstring m_group;
  std::wstring m_selectedImage, m_selectedHotImage;
  DWORD m_selectedTextColor = 0, m_selectedBkColor = 0;
};

}  // namespace qm::ui
