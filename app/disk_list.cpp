#include "app/disk_list.h"

#include "app/list_image_text_node.h"

namespace qm::app {

std::wstring CDiskListUI::GetClass() const { return L"DiskListUI"; }

void* CDiskListUI::GetInterface(std::wstring_view name) {
    if (name == L"DiskList") return this;
    return CListExUI::GetInterface(name);
}

ui::CListElementUI* CDiskListUI::CreateRow() { return new CListImageTextNodeUI(); }

CListExUI::Node* CDiskListUI::AddDiskNode(std::wstring text, std::wstring image, Node* parent, void* data) {
    Node* node = AddNode(std::move(text), parent, data);
    if (node) {
        if (auto* row = static_cast<CListImageTextNodeUI*>(node->row->GetInterface(L"ListImageTextNodeUI"))) {
            row->SetImage(image);
        }
    }
    return node;
}

void CDiskListUI::RefreshDescendants(Node* node) {
    // Every row between the node and its last descendant: a media row shows only when its own
    // parent is expanded and visible; other rows follow the tree's rule.
    const auto [first, last] = m_model.DescendantRows(node->id);
    if (first > last) return;
    const std::vector<TreeRowModel::NodeId> rows = m_model.Rows();
    for (int i = first; i <= last && i < static_cast<int>(rows.size()); ++i) {
        Node* row = NodeOfId(rows[static_cast<std::size_t>(i)]);
        if (!row || !row->row) continue;
        row->row->SetText(m_model.RowText(row->id));
        bool visible = m_model.IsVisible(row->id);
        if (row->row->GetClass() == L"ListImageTextNodeUI") {
            Node* parent = ParentOf(row);
            const bool parentShown = !parent || (m_model.IsExpanded(parent->id) && parent->row->IsOwnVisible());
            visible = parentShown && m_model.IsVisible(row->id);
        }
        if (row->row->IsOwnVisible() != visible) row->row->SetVisible(visible);
    }
}

}  // namespace qm::app
