// The program's own controls on the gallery window (xml\Gallery.xml from the real skin archive):
// the tri-state file tree, the page selector, the media list's tree rows, the hover button and
// the window shadow.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/button_ex.h"
#include "app/custom_controls.h"
#include "app/disk_list.h"
#include "app/file_tree.h"
#include "app/list_ex.h"
#include "app/list_image_text_node.h"
#include "app/pagination.h"
#include "app/wnd_shadow.h"
#include "tests/gui/gallery_window.h"
#include "tests/gui/gui_test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm;
using guitest::GalleryWindow;

namespace {

TEST(CustomControlTest, CreateCustomControlAnswersTheProgramsElements) {
    struct Case {
        const wchar_t* element;
        const wchar_t* className;
        const wchar_t* interfaces[3];
    };
    const Case cases[] = {
        {L"Pagination", L"PaginationUI", {L"Pagination", L"HorizontalLayout", L"Container"}},
        {L"FileTree", L"FileTreeUI", {L"FileTree", L"TreeView", L"List"}},
        {L"DiskList", L"DiskListUI", {L"DiskList", L"ListEx", L"List"}},
        {L"ButtonEx", L"ButtonExUI", {L"ButtonEx", L"Button", L"Label"}},
    };
    for (const Case& c : cases) {
        ui::CControlUI* control = app::CreateCustomControl(c.element);
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(c.className, control->GetClass());
        for (const wchar_t* name : c.interfaces) EXPECT_EQ(control, control->GetInterface(name)) << control->GetClass();
        EXPECT_EQ(control, control->GetInterface(L"Control"));
        delete control;
    }
    for (const wchar_t* other : {L"Button", L"List", L"pagination", L"", L"ListImageTextNodeUI"}) {
        EXPECT_EQ(nullptr, app::CreateCustomControl(other));
    }
    app::CListImageTextNodeUI row;
    EXPECT_EQ(L"ListImageTextNodeUI", row.GetClass());
    EXPECT_EQ(&row, row.GetInterface(L"ListImageTextNodeUI"));
}

TEST(ListExTest, LabelRowsFormATreeWithHiddenBranches) {
    app::CListExUI list;
    auto* a = list.AddNode(L"A");
    auto* b = list.AddNode(L"B");
    auto* a1 = list.AddNode(L"A1", a);
    auto* a1x = list.AddNode(L"A1x", a1);
    auto* a1xy = list.AddNode(L"A1xy", a1x);
    auto* a1xyz = list.AddNode(L"A1xyz", a1xy);
    ASSERT_TRUE(a && b && a1 && a1x && a1xy && a1xyz);
    ASSERT_EQ(6, list.GetCount());
    EXPECT_EQ(L"ListLabelElementUI", list.GetItemAt(0)->GetClass());
    EXPECT_EQ(b->row, list.GetItemAt(5));
    EXPECT_EQ(-1, list.DepthOf(nullptr));
    EXPECT_EQ(3, list.DepthOf(a1xy));
    // Rows three deep and deeper have no expander.
    EXPECT_EQ(L"<x 6><x 18><x 18><x 18>A1xy", a1xy->row->GetText());
    EXPECT_EQ((std::vector<app::CListExUI::Node*>{a, b}), list.ChildrenOf(nullptr));
    EXPECT_EQ(std::vector<app::CListExUI::Node*>{a1}, list.ChildrenOf(a));

    // Only the top level starts open.
    EXPECT_TRUE(a1->row->IsOwnVisible());
    EXPECT_FALSE(a1x->row->IsOwnVisible());
    list.SetExpanded(a1, true);
    EXPECT_TRUE(a1x->row->IsOwnVisible());
    EXPECT_FALSE(a1xy->row->IsOwnVisible());
    // A row hidden on purpose takes its subtree along and gives it back.
    list.SetNodeHidden(a1, true);
    EXPECT_FALSE(a1->row->IsOwnVisible() || a1x->row->IsOwnVisible());
    list.SetNodeHidden(a1, false);
    EXPECT_TRUE(a1->row->IsOwnVisible() && a1x->row->IsOwnVisible());

    // A row's tag leads back to its node; a foreign control has none.
    EXPECT_EQ(a1x, list.NodeOfRow(a1x->row));
    ui::CControlUI stranger;
    stranger.SetTag(reinterpret_cast<UINT_PTR>(a1x));
    EXPECT_EQ(nullptr, list.NodeOfRow(&stranger));

    list.RemoveNode(a1);
    EXPECT_EQ(2, list.GetCount());
    EXPECT_TRUE(list.ChildrenOf(a).empty());
    list.RemoveAll();
    EXPECT_EQ(0, list.GetCount());
    EXPECT_TRUE(list.ChildrenOf(nullptr).empty());
}

class GalleryTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.Create(nullptr, L"Gallery", WS_POPUP | WS_VISIBLE, 0, 40, 40, 900, 600);
        ASSERT_TRUE(guitest::PumpUntil([&] { return window_.GetPaintManager().IsWindowInitSent(); }));
        guitest::PumpFor(50);
    }
    void TearDown() override {
        ::DestroyWindow(window_.GetHWND());
        guitest::PumpFor(20);
    }
    // Lays the window out now (a test changes controls without painting).
    void Layout() {
        window_.GetPaintManager().UpdateLayout();
    }
    GalleryWindow window_;
};

TEST_F(GalleryTest, FileTreeSpreadsChecksDownAndSumsThemUp) {
    auto* tree = window_.FindControl<app::CFileTreeUI>(L"GalleryFileTree");
    ASSERT_NE(nullptr, tree);
    auto* audio = window_.FindControl<ui::CTreeNodeUI>(L"GalleryFileNodeAudio");
    auto* mp3 = window_.FindControl<ui::CTreeNodeUI>(L"GalleryFileNodeMp3");
    auto* wav = window_.FindControl<ui::CTreeNodeUI>(L"GalleryFileNodeWav");
    ASSERT_TRUE(audio && mp3 && wav);
    Layout();
    guitest::SaveWindowScreenshot(window_.GetHWND(), L"app_gallery.png");

    // One child checked by a click: the parent is half-checked.
    window_.notifications.clear();
    guitest::PostClick(window_.GetHWND(), mp3->GetCheckBox());
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"checkboxselectchanged") == 1; }));
    EXPECT_TRUE(mp3->IsCheckBoxSelected());
    EXPECT_TRUE(audio->IsHalfChecked());
    EXPECT_FALSE(audio->IsCheckBoxSelected());
    EXPECT_EQ(L"GalleryFileNodeMp3", window_.LastSender(L"checkboxselectchanged"));

    // Both checked: the parent is checked.
    guitest::PostClick(window_.GetHWND(), wav->GetCheckBox());
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"checkboxselectchanged") == 2; }));
    EXPECT_TRUE(audio->IsCheckBoxSelected());
    EXPECT_FALSE(audio->IsHalfChecked());
    Layout();
    guitest::SaveWindowScreenshot(window_.GetHWND(), L"app_gallery_tree_checked.png");

    // Clearing the parent clears the whole subtree.
    guitest::PostClick(window_.GetHWND(), audio->GetCheckBox());
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"checkboxselectchanged") == 3; }));
    EXPECT_FALSE(audio->IsCheckBoxSelected() || audio->IsHalfChecked());
    EXPECT_FALSE(mp3->IsCheckBoxSelected() || wav->IsCheckBoxSelected());

    // Through a call: a half-checked parent, then a checked parent clears its children's marks.
    tree->SetNodeChecked(wav, true);
    EXPECT_TRUE(audio->IsHalfChecked());
    tree->SetNodeChecked(audio, true);
    EXPECT_TRUE(mp3->IsCheckBoxSelected() && wav->IsCheckBoxSelected());
    EXPECT_FALSE(mp3->IsHalfChecked() || audio->IsHalfChecked());
    tree->SetNodeChecked(mp3, false);
    EXPECT_TRUE(audio->IsHalfChecked());
    EXPECT_EQ(6, window_.Count(L"checkboxselectchanged"));
}

TEST_F(GalleryTest, FileTreeFolderButtonAndDoubleClickOpenAndClose) {
    auto* tree = window_.FindControl<app::CFileTreeUI>(L"GalleryFileTree");
    auto* audio = window_.FindControl<ui::CTreeNodeUI>(L"GalleryFileNodeAudio");
    auto* mp3 = window_.FindControl<ui::CTreeNodeUI>(L"GalleryFileNodeMp3");
    ASSERT_TRUE(tree && audio && mp3);
    Layout();
    ASSERT_TRUE(audio->IsExpanded());
    ASSERT_TRUE(mp3->IsVisible());

    window_.notifications.clear();
    guitest::PostClick(window_.GetHWND(), audio->GetFolderButton());
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"itemexpand") == 1; }));
    EXPECT_FALSE(audio->IsExpanded());
    EXPECT_FALSE(mp3->IsVisible());
    EXPECT_EQ(0u, window_.LastParam(L"itemexpand"));

    // A double click on the row toggles the folder button back.
    tree->OnItemDbClick(audio);
    EXPECT_EQ(1, window_.Count(L"itemdbclick"));
    EXPECT_EQ(2, window_.Count(L"itemexpand"));
    EXPECT_TRUE(audio->IsExpanded());
    EXPECT_TRUE(mp3->IsVisible());
    EXPECT_EQ(1u, window_.LastParam(L"itemexpand"));
}

// The texts of the shown page buttons and "..." labels, left to right.
std::vector<std::wstring> VisibleTexts(app::CPaginationUI* pages) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < pages->GetCount(); ++i) {
        ui::CControlUI* child = pages->GetItemAt(i);
        if (child == pages->GetPrevButton() || child == pages->GetNextButton()) continue;
        if (child->IsOwnVisible() && !child->GetText().empty()) texts.push_back(child->GetText());
    }
    return texts;
}

std::vector<std::wstring> Pages(std::initializer_list<const wchar_t*> list) { return {list.begin(), list.end()}; }

TEST_F(GalleryTest, PaginationShowsTheRightButtons) {
    auto* pages = window_.FindControl<app::CPaginationUI>(L"GalleryPagination");
    ASSERT_NE(nullptr, pages);
    // Spacer, Prev, 11 pages, two "...", Next.
    ASSERT_EQ(16, pages->GetCount());
    EXPECT_EQ(L"ControlUI", pages->GetItemAt(0)->GetClass());
    EXPECT_EQ(pages->GetPrevButton(), pages->GetItemAt(1));
    EXPECT_EQ(pages->GetNextButton(), pages->GetItemAt(15));
    for (int slot = 0; slot < app::kPaginationButtons; ++slot) {
        EXPECT_EQ(app::kPaginationGroup, pages->GetPageButton(slot)->GetGroup());
        EXPECT_EQ(32, pages->GetPageButton(slot)->GetFixedWidth());
    }
    EXPECT_EQ(30, pages->GetPrevButton()->GetFixedWidth());
    EXPECT_EQ(16, pages->GetEllipsis(0)->GetFixedWidth());

    pages->SetPageCount(5);
    pages->SetCurrentPage(1);
    EXPECT_EQ(Pages({L"1", L"2", L"3", L"4", L"5"}), VisibleTexts(pages));
    EXPECT_FALSE(pages->GetPrevButton()->IsEnabled());
    EXPECT_TRUE(pages->GetNextButton()->IsEnabled());
    EXPECT_FALSE(pages->GetEllipsis(0)->IsOwnVisible() || pages->GetEllipsis(1)->IsOwnVisible());
    Layout();
    guitest::PumpFor(50);
    guitest::SaveWindowScreenshot(window_.GetHWND(), L"app_gallery_pagination_5.png");

    // Next by a click: the window hears "updatepage" with the new page.
    window_.notifications.clear();
    guitest::PostClick(window_.GetHWND(), pages->GetNextButton());
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"updatepage") == 1; }));
    EXPECT_EQ(2, pages->GetCurrentPage());
    EXPECT_EQ(2u, window_.LastParam(L"updatepage"));
    EXPECT_EQ(L"GalleryPagination", window_.LastSender(L"updatepage"));
    EXPECT_TRUE(pages->GetPageButton(1)->IsSelected());
    // A page button leads to its own number; Next stops on the last page.
    guitest::PostClick(window_.GetHWND(), pages->GetPageButton(4));
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"updatepage") == 2; }));
    EXPECT_EQ(5, pages->GetCurrentPage());
    EXPECT_FALSE(pages->GetNextButton()->IsEnabled());
    pages->GoNext();
    EXPECT_EQ(5, pages->GetCurrentPage());

    pages->SetPageCount(20);
    pages->SetCurrentPage(1);
    EXPECT_EQ(Pages({L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"...", L"19", L"20"}), VisibleTexts(pages));
    pages->SetCurrentPage(10);
    EXPECT_EQ(Pages({L"1", L"2", L"...", L"7", L"8", L"9", L"10", L"11", L"12", L"13", L"...", L"19", L"20"}),
              VisibleTexts(pages));
    EXPECT_TRUE(pages->GetPrevButton()->IsEnabled() && pages->GetNextButton()->IsEnabled());
    Layout();
    guitest::PumpFor(50);
    guitest::SaveWindowScreenshot(window_.GetHWND(), L"app_gallery_pagination_20_10.png");
    pages->SetCurrentPage(18);
    EXPECT_EQ(Pages({L"1", L"2", L"...", L"12", L"13", L"14", L"15", L"16", L"17", L"18", L"19", L"20"}),
              VisibleTexts(pages));
    pages->GoPrev();
    EXPECT_EQ(17, pages->GetCurrentPage());
}

TEST_F(GalleryTest, DiskListRowsFollowTheirParentsExpansion) {
    auto* tabs = window_.FindControl<ui::CTabLayoutUI>(L"GalleryTabLayout");
    ASSERT_NE(nullptr, tabs);
    tabs->SelectItem(1);
    if (auto* tab = window_.FindControl<ui::COptionUI>(L"GalleryTabRich")) tab->Selected(true, false);
    auto* disks = window_.FindControl<app::CDiskListUI>(L"GalleryDiskList");
    ASSERT_NE(nullptr, disks);
    int sources[4] = {};
    // Disks carry their picture in their text, partitions as the row's image.
    auto* disk0 = disks->AddDiskNode(L"{i physical_drive.png 1 0}{x 4}Disk 1", L"", nullptr, &sources[0]);
    auto* disk1 = disks->AddDiskNode(L"{i removable_drive.png 1 0}{x 4}Disk 2", L"");
    auto* part0 = disks->AddDiskNode(L"{x 28}C: System", L"file='drive.png' dest='42,6,66,24'", disk0, &sources[1]);
    auto* part1 = disks->AddDiskNode(L"{x 28}D: Data", L"file='drive.png' dest='42,6,66,24'", disk0);
    auto* part2 = disks->AddDiskNode(L"{x 28}E: Card", L"file='drive_usb.png' dest='42,6,66,24'", disk1);
    auto* deep = disks->AddDiskNode(L"Unallocated", L"", part1);
    ASSERT_TRUE(disk0 && disk1 && part0 && part1 && part2 && deep);

    // A child goes right after its parent's last descendant.
    const std::vector<app::CListExUI::Node*> order = {disk0, part0, part1, deep, disk1, part2};
    ASSERT_EQ(6, disks->GetCount());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(order[static_cast<std::size_t>(i)]->row, disks->GetItemAt(i)) << i;
        EXPECT_EQ(order[static_cast<std::size_t>(i)], disks->NodeOfRow(disks->GetItemAt(i)));
        EXPECT_EQ(L"ListImageTextNodeUI", disks->GetItemAt(i)->GetClass());
    }
    EXPECT_EQ(&sources[1], disks->NodeOfRow(part0->row)->data);
    EXPECT_EQ(disk0, disks->ParentOf(part1));
    EXPECT_EQ(2, disks->DepthOf(deep));
    EXPECT_EQ(L"<x 6><a><i expand_flag.png 2 1></a>{i physical_drive.png 1 0}{x 4}Disk 1", disks->GetItemAt(0)->GetText());
    EXPECT_EQ(L"<x 6><x 18><a><i expand_flag.png 2 0></a>{x 28}C: System", part0->row->GetText());

    // Top-level rows start open, deeper ones closed.
    auto shown = [&] {
        std::vector<bool> v;
        for (auto* n : order) v.push_back(n->row->IsOwnVisible());
        return v;
    };
    EXPECT_EQ((std::vector<bool>{true, true, true, false, true, true}), shown());
    disks->SetExpanded(part1, true);
    EXPECT_EQ((std::vector<bool>{true, true, true, true, true, true}), shown());
    Layout();
    guitest::PumpFor(50);
    guitest::SaveWindowScreenshot(window_.GetHWND(), L"app_gallery_disk_list.png");
    disks->SetExpanded(disk0, false);
    EXPECT_EQ((std::vector<bool>{true, false, false, false, true, true}), shown());
    EXPECT_EQ(L"<x 6><a><i expand_flag.png 2 0></a>{i physical_drive.png 1 0}{x 4}Disk 1", disk0->row->GetText());
    // Opening again restores each row's own state (part1 stayed open).
    disks->SetExpanded(disk0, true);
    EXPECT_EQ((std::vector<bool>{true, true, true, true, true, true}), shown());
    disks->SetExpanded(part1, false);
    EXPECT_EQ((std::vector<bool>{true, true, true, false, true, true}), shown());

    disks->RemoveNode(disk0);
    EXPECT_EQ(2, disks->GetCount());
    EXPECT_EQ(disk1->row, disks->GetItemAt(0));
    EXPECT_EQ(part2->row, disks->GetItemAt(1));
}

TEST_F(GalleryTest, ButtonExReportsHoverWhileEnabled) {
    auto* button = window_.FindControl<app::CButtonExUI>(L"GalleryButtonEx");
    auto* label = window_.FindControl(L"GalleryLabel");
    ASSERT_TRUE(button && label);
    Layout();
    window_.notifications.clear();
    const POINT on = guitest::CentreOf(button), off = guitest::CentreOf(label);
    ::PostMessageW(window_.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(on.x, on.y));
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"onhot") == 1; }));
    EXPECT_EQ(L"GalleryButtonEx", window_.LastSender(L"onhot"));
    ::PostMessageW(window_.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(off.x, off.y));
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"offhot") == 1; }));
    // Leaving the window counts as leaving the button.
    ::PostMessageW(window_.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(on.x, on.y));
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"onhot") == 2; }));
    ::PostMessageW(window_.GetHWND(), WM_MOUSELEAVE, 0, 0);
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Count(L"offhot") == 2; }));

    // Disabled: silent.
    button->SetEnabled(false);
    ::PostMessageW(window_.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(on.x, on.y));
    ::PostMessageW(window_.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(off.x, off.y));
    guitest::PumpFor(100);
    EXPECT_EQ(2, window_.Count(L"onhot"));
    EXPECT_EQ(2, window_.Count(L"offhot"));
}

TEST_F(GalleryTest, ShadowFollowsItsWindow) {
    app::CWndShadow shadow;
    ASSERT_TRUE(shadow.Create(window_.GetHWND()));
    HWND layer = shadow.GetShadowWindow();
    ASSERT_TRUE(::IsWindow(layer));
    wchar_t cls[64] = {};
    ::GetClassNameW(layer, cls, 64);
    EXPECT_STREQ(L"HaldenShadowWnd", cls);
    EXPECT_EQ(window_.GetHWND(), ::GetWindow(layer, GW_OWNER));
    const LONG_PTR ex = ::GetWindowLongPtrW(layer, GWL_EXSTYLE);
    EXPECT_TRUE((ex & WS_EX_LAYERED) && (ex & WS_EX_TRANSPARENT));
    EXPECT_EQ(150, shadow.GetDarkness());
    EXPECT_EQ(5, shadow.GetSharpness());
    EXPECT_EQ(4, shadow.GetSize());
    EXPECT_EQ(RGB(0, 0, 0), shadow.GetColor());

    auto expectAround = [&] {
        RECT w{}, s{};
        ::GetWindowRect(window_.GetHWND(), &w);
        ::GetWindowRect(layer, &s);
        EXPECT_EQ(w.left - 4, s.left);
        EXPECT_EQ(w.top - 4, s.top);
        EXPECT_EQ(w.right + 4, s.right);
        EXPECT_EQ(w.bottom + 4, s.bottom);
    };
    EXPECT_TRUE(::IsWindowVisible(layer));
    expectAround();
    ::SetWindowPos(window_.GetHWND(), nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    guitest::PumpFor(20);
    expectAround();
    ::SetWindowPos(window_.GetHWND(), nullptr, 0, 0, 800, 560, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    guitest::PumpFor(20);
    expectAround();
    ::ShowWindow(window_.GetHWND(), SW_HIDE);
    EXPECT_FALSE(::IsWindowVisible(layer));
    ::ShowWindow(window_.GetHWND(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(::IsWindowVisible(layer));
    // The window's end takes its shadow with it.
    ::DestroyWindow(window_.GetHWND());
    EXPECT_FALSE(::IsWindow(layer));
}

TEST(ShadowBitmapTest, ShadeLiesOutsideTheWindowAndFadesOut) {
    const int w = 40, h = 30, size = 4;
    const auto alpha = app::CWndShadow::ComputeShadowAlpha(w, h, size, 5, 150);
    ASSERT_EQ(static_cast<std::size_t>((w + 2 * size) * (h + 2 * size)), alpha.size());
    const int width = w + 2 * size;
    auto at = [&](int x, int y) { return static_cast<int>(alpha[static_cast<std::size_t>(y * width + x)]); };
    int maxAlpha = 0;
    for (auto a : alpha) maxAlpha = std::max<int>(maxAlpha, a);
    EXPECT_LE(maxAlpha, 150);
    EXPECT_GT(maxAlpha, 30);
    // Clear over the window itself, darker next to its edge than at the bitmap's border.
    EXPECT_EQ(0, at(size + w / 2, size + h / 2));
    EXPECT_GT(at(size - 1, size + h / 2), at(0, size + h / 2));
    EXPECT_GT(at(size + w / 2, size + h), at(size + w / 2, size + h + size - 1));
    // Symmetric left/right.
    EXPECT_EQ(at(size - 1, size + h / 2), at(size + w, size + h / 2));
    EXPECT_TRUE(app::CWndShadow::ComputeShadowAlpha(0, 10, size, 5, 150).empty());
    EXPECT_TRUE(app::CWndShadow::ComputeShadowAlpha(100000, 10, size, 5, 150).empty());
}

}  // namespace
