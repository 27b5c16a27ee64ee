#include "ui/win32/list_label_element.h"

namespace qm::ui {

std::wstring CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }

void* CListLabelElementUI::GetInterface(std::wstring_view name) {
  if (name == L"ListLabelElement") return this;
  return CListElementUI::GetInterface(name);
}

}  // namespace qm::ui
