#include "app/list_ex.h"

#include "ui/win32/list_element.h"
#include "ui/win32/list_label_element.h"

namespace qm::app {

CListExUI::CListExUI() = default;
CListExUI::~CListExUI() = default;

std::wstring CListExUI::GetClass() const { return L"ListExUI"; }

void* CListExUI::GetInterface(std::wstring_view name) {
    if (name == L"ListEx") return this;
    return CListUI::GetInterface(name);
}

ui::CListElementUI* CListExUI::CreateRow() { return new ui::CListLabelElementUI(); }

CListExUI::Node* CListExUI::NodeOfId(TreeRowModel::NodeId id) const {
    auto found = m_nodes.find(id);
    return found == m_nodes.end() ? nullptr : found->second.get();
}

CListExUI::Node* CListExUI::AddNode(std::wstring text, Node* parent, void* data) {
    const TreeRowModel::NodeId parentId = parent ? parent->id : TreeRowModel::kRoot;
    if (!m_model.Contains(parentId) && parentId != TreeRowModel::kRoot) return nullptr;
    const int index = m_model.InsertIndex(parentId);
    const TreeRowModel::NodeId id = m_model.AddRow(parentId, std::move(text));
    if (id == TreeRowModel::kNoNode) return nullptr;
    auto node = std::make_unique<Node>();
    node->id = id;
    node->data = data;
    node->row = CreateRow();
    node->row->SetTag(reinterpret_cast<UINT_PTR>(node.get()));
    Node* raw = node.get();
    m_nodes.emplace(id, std::move(node));
    if (index < 0 || index > GetCount()) CListUI::Add(raw->row);
    else CListUI::AddAt(raw->row, index);
    RefreshRow(raw);
    // The parent's expander appears with its first child.
    if (parent) RefreshRow(parent);
    return raw;
}

void CListExUI::RemoveNode(Node* node) {
    if (!node || !m_model.Contains(node->id)) return;
    const std::vector<TreeRowModel::NodeId> rows = m_model.Rows();
    const int own = m_model.RowIndex(node->id);
    const int last = m_model.DescendantRows(node->id).second;
    const int end = last >= own ? last : own;
    std::vector<TreeRowModel::NodeId> gone;
    // The node's row and its descendants' rows lie together; remove them from the bottom up.
    for (int i = end; own >= 0 && i >= own; --i) {
        gone.push_back(rows[static_cast<std::size_t>(i)]);
        CListUI::RemoveAt(i);
    }
    const TreeRowModel::NodeId parentId = m_model.ParentOf(node->id);
    m_model.RemoveRow(node->id);
    for (TreeRowModel::NodeId id : gone) m_nodes.erase(id);
    if (Node* parent = NodeOfId(parentId)) RefreshRow(parent);
    NeedUpdate();
}

void CListExUI::RemoveAllNodes() {
    CListUI::RemoveAll();
    m_model.Clear();
    m_nodes.clear();
}

void CListExUI::RemoveAll() { RemoveAllNodes(); }

CListExUI::Node* CListExUI::NodeOfRow(ui::CControlUI* row) const {
    if (!row) return nullptr;
    auto* node = reinterpret_cast<Node*>(row->GetTag());
    // Only tags this list handed out count.
    if (!node || NodeOfId(node->id) != node || node->row != row) return nullptr;
    return node;
}

CListExUI::Node* CListExUI::ParentOf(const Node* node) const {
    if (!node) return nullptr;
    return NodeOfId(m_model.ParentOf(node->id));
}

std::vector<CListExUI::Node*> CListExUI::ChildrenOf(const Node* node) const {
    std::vector<Node*> children;
    const TreeRowModel::NodeId id = node ? node->id : TreeRowModel::kRoot;
    if (!m_model.Contains(id) && id != TreeRowModel::kRoot) return children;
    for (TreeRowModel::NodeId child : m_model.ChildrenOf(id)) {
        if (Node* n = NodeOfId(child)) children.push_back(n);
    }
    return children;
}

int CListExUI::DepthOf(const Node* node) const { return node ? m_model.Depth(node->id) : -1; }

bool CListExUI::IsExpanded(const Node* node) const { return node && m_model.IsExpanded(node->id); }

bool CListExUI::IsRowVisible(const Node* node) const { return node && m_model.IsVisible(node->id); }

std::wstring CListExUI::TextOf(const Node* node) const { return node ? m_model.TextOf(node->id) : std::wstring(); }

void CListExUI::SetNodeText(Node* node, std::wstring text) {
    if (!node) return;
    m_model.SetText(node->id, std::move(text));
    RefreshRow(node);
}

void CListExUI::SetNodeHidden(Node* node, bool hidden) {
    if (!node) return;
    m_model.SetHidden(node->id, hidden);
    RefreshRow(node);
    RefreshDescendants(node);
    NeedUpdate();
}

void CListExUI::SetExpanded(Node* node, bool expanded) {
    if (!node) return;
    m_model.SetExpanded(node->id, expanded);
    RefreshRow(node);
    RefreshDescendants(node);
    NeedUpdate();
}

void CListExUI::RefreshRow(Node* node) {
    if (!node || !node->row) return;
    node->row->SetText(m_model.RowText(node->id));
    const bool visible = m_model.IsVisible(node->id);
    if (node->row->IsOwnVisible() != visible) node->row->SetVisible(visible);
}

void CListExUI::RefreshDescendants(Node* node) {
    const auto [first, last] = m_model.DescendantRows(node->id);
    if (first > last) return;
    const std::vector<TreeRowModel::NodeId> rows = m_model.Rows();
    for (int i = first; i <= last && i < static_cast<int>(rows.size()); ++i) RefreshRow(NodeOfId(rows[static_cast<std::size_t>(i)]));
}

}  // namespace qm::app
