#pragma once
// CListImageTextElementUI: a list row with an image (skin attribute syntax, e.g. "file='drive.png'
// dest='28,0,50,24'", placed relative to the row) drawn under its texts.
#include "ui/win32/list_label_element.h"

namespace qm::ui {

class CListImageTextElementUI : public CListLabelElementUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  const std::wstring& GetImage() const { return m_image; }
  void SetImage(std::wstring_view image);
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void DrawItemText(HDC hdc, const RECT& rc) override;
  std::wstring m_image;
};

}  // namespace qm::ui
