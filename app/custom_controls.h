// The program's own skin elements, for the CreateControl answer of its windows.
#pragma once
#include <string_view>

namespace qm::ui {
class CControlUI;
}

namespace qm::app {

// A new control for "Pagination", "FileTree", "DiskList" or "ButtonEx"; nullptr for other names.
ui::CControlUI* CreateCustomControl(std::wstring_view className);

}  // namespace qm::app
