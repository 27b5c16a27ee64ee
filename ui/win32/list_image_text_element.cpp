#include "ui/win32/list_image_text_element.h"

#include "ui/core/skin_values.h"

namespace qm::ui {

std::wstring CListImageTextElementUI::GetClass() const { return L"ListImageTextElementUI"; }

void* CListImageTextElementUI::GetInterface(std::wstring_view name) {
  if (name == L"ListImageTextElement") return this;
  return CListLabelElementUI::GetInterface(name);
}

void CListImageTextElementUI::SetImage(std::wstring_view image) {
  m_image = image;
  // The texts begin after a placed image instead of under it.
  ImageAttributes attributes;
  m_firstTextIndent = ParseImageAttributes(m_image, attributes) && attributes.hasDest ? attributes.dest.right + 4 : 0;
  Invalidate();
}

void CListImageTextElementUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"image" || name == L"icon") SetImage(value);
  else CListLabelElementUI::SetAttribute(name, value);
}

void CListImageTextElementUI::DrawItemText(HDC hdc, const RECT& rc) {
  if (!m_image.empty()) CRenderEngine::DrawImageString(hdc, m_manager, rc, m_rcPaint, m_image);
  CListLabelElementUI::DrawItemText(hdc, rc);
}

}  // namespace qm::ui
