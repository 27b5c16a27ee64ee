#include "app/list_image_text_node.h"

namespace qm::app {

std::wstring CListImageTextNodeUI::GetClass() const { return L"ListImageTextNodeUI"; }

void* CListImageTextNodeUI::GetInterface(std::wstring_view name) {
    if (name == L"ListImageTextNodeUI" || name == L"ListImageTextNode") return this;
    return CListImageTextElementUI::GetInterface(name);
}

}  // namespace qm::app
