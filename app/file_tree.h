// The checkable file-type tree: a node's check spreads to its whole subtree and each ancestor
// shows whether all, some or none of its children are checked; a double click opens or closes a
// node like its folder button.
#pragma once
#include "ui/win32/tree_view.h"

namespace qm::app {

class CFileTreeUI : public ui::CTreeViewUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    void OnNodeFolderChanged(ui::CTreeNodeUI* node, bool expanded) override;
    void OnNodeCheckChanged(ui::CTreeNodeUI* node, bool checked) override;
    void OnItemDbClick(ui::CListElementUI* item) override;

    // Checks or clears a node as its check box would, with the same spreading and notification.
    void SetNodeChecked(ui::CTreeNodeUI* node, bool checked);
};

}  // namespace qm::app
