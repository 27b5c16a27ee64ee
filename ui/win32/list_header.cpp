#include "ui/win32/list_header.h"

namespace qm::ui {

CListHeaderUI::CListHeaderUI() = default;

std::wstring CListHeaderUI::GetClass() const { return L"ListHeaderUI"; }

void* CListHeaderUI::GetInterface(std::wstring_view name) {
  if (name == L"ListHeader") return this;
  return CHorizontalLayoutUI::GetInterface(name);
}

SIZE CListHeaderUI::EstimateSize(SIZE) { return SIZE{m_fixedWidth, m_fixedHeight > 0 ? m_fixedHeight : 24}; }

}  // namespace qm::ui
