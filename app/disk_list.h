// The media list: disks with their partitions (and loaded image files) as a collapsible tree of
// image-and-text rows.
#pragma once
#include "app/list_ex.h"

namespace qm::app {

class CListImageTextNodeUI;

class CDiskListUI : public CListExUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    // A row with a picture in the skin's image syntax (e.g. "file='drive.png' dest='28,0,50,24'").
    Node* AddDiskNode(std::wstring text, std::wstring image, Node* parent = nullptr, void* data = nullptr);

protected:
    ui::CListElementUI* CreateRow() override;
    void RefreshDescendants(Node* node) override;
};

}  // namespace qm::app
