#pragma once
// CScrollBarUI: the vertical scroll bar of a container (track, draggable thumb, wheel).
#include "ui/win32/control.h"

namespace qm::ui {

class CContainerUI;

class CScrollBarUI : public CControlUI {
 public:
  CScrollBarUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  void SetOwner(CContainerUI* owner) { m_owner = owner; }
  CContainerUI* GetOwner() const { return m_owner; }
  int GetScrollRange() const { return m_range; }
  void SetScrollRange(int range);
  int GetScrollPos() const { return m_pos; }
  void SetScrollPos(int pos);
  int GetLineSize() const { return m_lineSize; }
  int GetBarWidth() const { return m_fixedWidth; }
  RECT GetThumbRect() const;

  void DoEvent(TEventUI& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(HDC hdc) override;

 protected:
  CContainerUI* m_owner = nullptr;
  int m_range = 0, m_pos = 0, m_lineSize = 24;
  DWORD m_thumbColor = 0xFFC2C2C2, m_thumbHotColor = 0xFFA0A0A0;
  std::wstring m_thumbImage, m_thumbHotImage;
  bool m_dragging = false, m_thumbHot = false;
  int m_dragStartY = 0, m_dragStartPos = 0;
};

}  // namespace qm::ui
