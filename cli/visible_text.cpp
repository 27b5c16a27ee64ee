#include "cli/visible_text.h"

#include <cwchar>

#include "platform/text.h"

namespace qm::cli {

std::wstring VisibleText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (!platform::isControlCharacter(c)) {
            out += c;
        } else if (c == L'\n') {
            out += L"\\n";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\t') {
            out += L"\\t";
        } else {
            wchar_t code[8];
            std::swprintf(code, 8, L"\\x%02x", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out;
}

}  // namespace qm::cli
