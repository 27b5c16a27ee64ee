#include "ui/win32/attribute_utils.h"

#include <cwctype>

namespace qm::ui {

UINT ParseAlign(std::wstring_view text, UINT style) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(L" ,", pos);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring_view word = text.substr(pos, end - pos);
    if (word == L"left") {
      style = (style & ~(DT_CENTER | DT_RIGHT)) | DT_LEFT;
    } else if (word == L"center") {
      style = (style & ~(DT_LEFT | DT_RIGHT)) | DT_CENTER;
    } else if (word == L"right") {
      style = (style & ~(DT_LEFT | DT_CENTER)) | DT_RIGHT;
    } else if (word == L"top") {
      style = (style & ~(DT_BOTTOM | DT_VCENTER)) | DT_TOP;
    } else if (word == L"vcenter") {
      style = (style & ~(DT_TOP | DT_BOTTOM)) | DT_VCENTER;
    } else if (word == L"bottom") {
      style = (style & ~(DT_TOP | DT_VCENTER)) | DT_BOTTOM;
    } else if (word == L"wrap") {
      style = (style & ~DT_SINGLELINE) | DT_WORDBREAK;
    } else if (word == L"singleline") {
      style = (style & ~DT_WORDBREAK) | DT_SINGLELINE;
    }
    pos = end + 1;
  }
  return style;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  }
  return out;
}

std::wstring NormaliseSkinPath(std::wstring_view path) {
  std::wstring out(path);
  for (auto& c : out) {
    if (c == L'\\') c = L'/';
  }
  while (out.rfind(L"./", 0) == 0) out.erase(0, 2);
  while (!out.empty() && out.front() == L'/') out.erase(0, 1);
  return out;
}

}  // namespace qm::ui
