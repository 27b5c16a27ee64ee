#include "ui/win32/text.h"

namespace qm::ui {

CTextUI::CTextUI() { m_textStyle = DT_WORDBREAK | DT_LEFT | DT_TOP; }

std::wstring CTextUI::GetClass() const { return L"TextUI"; }

void* CTextUI::GetInterface(std::wstring_view name) {
  if (name == L"Text") return this;
  return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const { return IsEnabled() && !m_links.empty() ? UIFLAG_SETCURSOR : 0; }

}  // namespace qm::ui
