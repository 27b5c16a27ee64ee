// Text from a medium as the terminal should show it: control characters (escape sequences,
// bells, line breaks inside a name) written out as \x1b, \n, ... so that they are seen, not obeyed.
#pragma once
#include <string>

namespace qm::cli {

std::wstring VisibleText(const std::wstring& text);

}  // namespace qm::cli
