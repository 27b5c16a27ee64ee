#include "app/custom_controls.h"

#include "app/button_ex.h"
#include "app/disk_list.h"
#include "app/file_tree.h"
#include "app/pagination.h"

namespace qm::app {

ui::CControlUI* CreateCustomControl(std::wstring_view className) {
    if (className == L"Pagination") return new CPaginationUI();
    if (className == L"FileTree") return new CFileTreeUI();
    if (className == L"DiskList") return new CDiskListUI();
    if (className == L"ButtonEx") return new CButtonExUI();
    return nullptr;
}

}  // namespace qm::app
