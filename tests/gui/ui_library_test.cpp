// The skin-driven control library under Wine on a virtual display: windows built from a test
// skin written to a folder (and from the program's own skin archive when it has layouts).
#include <windows.h>
#include <objidl.h>
#include <wtypes.h>
#include <gdiplus.h>
#include <commctrl.h>
#include <richedit.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm::ui;

namespace {

// GDI+ and OLE for the whole program, as the application's start-up brings them up.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::OleInitialize(nullptr);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  }
  void TearDown() override {
    CPaintManagerUI::Term();
    Gdiplus::GdiplusShutdown(token_);
    ::OleUninitialize();
  }

 private:
  ULONG_PTR token_ = 0;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

// Runs the message loop until `done` holds; the limit only stops a broken test from hanging.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 5000) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  for (;;) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!CPaintManagerUI::TranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    if (done()) return true;
    if (::GetTickCount() - start > limitMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void WriteText(const std::wstring& path, const std::string& text) {
  qm::test::writeWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool PngEncoder(CLSID& clsid) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<uint8_t> buffer(size);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, encoders);
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(encoders[i].MimeType) == L"image/png") {
      clsid = encoders[i].Clsid;
      return true;
    }
  }
  return false;
}

// A 32x16 strip of two frames: red, then green.
void WriteTestImage(const std::wstring& path) {
  Gdiplus::Bitmap bitmap(32, 16, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&bitmap);
    Gdiplus::SolidBrush red(Gdiplus::Color(255, 255, 0, 0)), green(Gdiplus::Color(255, 0, 255, 0));
    g.FillRectangle(&red, 0, 0, 16, 16);
    g.FillRectangle(&green, 16, 0, 16, 16);
  }
  CLSID png;
  ASSERT_TRUE(PngEncoder(png));
  ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &png, nullptr));
}

std::wstring ScreenshotFolder() {
  std::wstring folder = qm::test::hostPath(QM_SCREENSHOT_DIR);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

// Renders the window's controls into a bitmap and saves it as PNG. Returns the colour at `probe`.
COLORREF Screenshot(CPaintManagerUI& pm, HWND hwnd, const std::wstring& file, POINT probe) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  HDC screen = ::GetDC(hwnd);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = ::SelectObject(mem, bitmap);
  pm.PaintTo(mem);
  COLORREF color = ::GetPixel(mem, probe.x, probe.y);
  ::SelectObject(mem, old);
  {
    Gdiplus::Bitmap image(bitmap, nullptr);
    CLSID png;
    EXPECT_TRUE(PngEncoder(png));
    std::wstring path = ScreenshotFolder() + L"\\" + file;
    EXPECT_EQ(Gdiplus::Ok, image.Save(path.c_str(), &png, nullptr));
    EXPECT_GT(qm::test::readWholeFile(path).size(), 100u);
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(mem);
  ::ReleaseDC(hwnd, screen);
  return color;
}

POINT Centre(CControlUI* c) {
  const RECT& r = c->GetPos();
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Click(HWND hwnd, POINT pt) {
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

void DoubleClick(HWND hwnd, POINT pt) {
  Click(hwnd, pt);
  ::SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

struct Seen {
  std::wstring type, sender;
  WPARAM wParam;
  LPARAM lParam;
};

// A skinned window over a skin folder (or the program's archive), recording what it is told.
class TestWindow : public WindowImplBase {
 public:
  TestWindow(std::wstring folder, std::wstring skin) : folder_(std::move(folder)), skin_(std::move(skin)) {}
  std::vector<Seen> seen;
  std::vector<std::wstring> menuChoices;
  std::function<void(TestWindow&, TNotifyUI&)> onNotify;
  bool useArchive = false;

  void Notify(TNotifyUI& msg) override {
    seen.push_back(Seen{msg.type, msg.sender ? msg.sender->GetName() : L"", msg.wParam, msg.lParam});
    if (onNotify) onNotify(*this, msg);
    WindowImplBase::Notify(msg);
  }
  CControlUI* CreateControl(std::wstring_view className) override {
    if (className != L"Custom") return nullptr;
    auto* c = new CLabelUI();
    c->SetUserData(L"made by the window");
    return c;
  }
  size_t Count(const std::wstring& type, const std::wstring& sender) const {
    size_t n = 0;
    for (const auto& s : seen) n += (s.type == type && s.sender == sender) ? 1 : 0;
    return n;
  }
  const Seen* Last(const std::wstring& type) const {
    for (auto it = seen.rbegin(); it != seen.rend(); ++it) {
      if (it->type == type) return &*it;
    }
    return nullptr;
  }
  HWND Open(HWND owner = nullptr) {
    HWND hwnd = Create(owner, L"test", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_TOOLWINDOW, 0, 0, 0, 0);
    return hwnd;
  }

 protected:
  const wchar_t* GetWindowClassName() const override { return L"QmUiTestWnd"; }
  std::wstring GetSkinFile() override { return skin_; }
  std::wstring GetSkinFolder() override { return useArchive ? L"Skins\\" : folder_; }
  UILIB_RESOURCETYPE GetResourceType() const override { return useArchive ? UILIB_ZIPRESOURCE : UILIB_FILE; }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    if (msg == CMenuWnd::GetChosenMessage()) {
      menuChoices.push_back(reinterpret_cast<const wchar_t*>(lParam));
      handled = true;
      return 0;
    }
    return WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
  }

 private:
  std::wstring folder_, skin_;
};

const char kMainSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="480,420" mininfo="400,300" caption="0,0,0,36" sizebox="4,4,4,4" roundcorner="4,4">
  <Font id="0" name="Tahoma" size="12" default="true"/>
  <Font id="1" name="Tahoma" size="14" bold="true"/>
  <Default name="Button" value="textcolor=&quot;#FF112233&quot; tooltip=&quot;from defaults&quot;"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <HorizontalLayout name="titlebar" height="36" bkcolor="#FF0089BE">
      <Label name="title" text="Title" textcolor="#FFFFFFFF" font="1" padding="12,0,0,0" width="200"/>
      <Control name="spacer"/>
      <Button name="closebtn" width="36" height="36" text="X" tooltip="Close"/>
    </HorizontalLayout>
    <Include source="xml/page.xml"/>
    <TabLayout name="TabPage" height="40" selectedid="1">
      <Label name="page0" text="zero"/>
      <Label name="page1" text="one"/>
      <VerticalLayout name="page2"><Button name="inner" text="inner"/></VerticalLayout>
    </TabLayout>
    <Text name="message" height="30" showhtml="true" text="Go {a help}here{/a} {b}now{/b}"/>
    <HorizontalLayout height="24">
      <Edit name="e" width="120" text="typed"/>
      <RichEdit name="PreviewEdit" multiline="true" vscrollbar="true"/>
    </HorizontalLayout>
    <List name="FileList" height="100" checkbox="true" itemshowhtml="true" checkboximage="file='icons.png' source='0,0,16,16'" checkboxselectedimage="file='icons.png' source='16,0,32,16'">
      <ListHeader height="22">
        <ListHeaderItem name="CheckAll" width="24"><CheckBox name="ChkAllListSel" width="16" height="16" padding="4,3,0,0" bordersize="1" bordercolor="#FF808080"/></ListHeaderItem>
        <ListHeaderItem name="FileName" text="Name" width="150"/>
        <ListHeaderItem name="Size" text="Size" width="80"/>
      </ListHeader>
    </List>
    <TreeView name="TypeTree" height="100">
      <TreeNode name="NodePhoto" text="Photos" checkbox="true" expanded="true">
        <TreeNode name="NodeJpg" text="jpg" checkbox="true"/>
        <TreeNode name="NodePng" text="png" checkbox="true"/>
      </TreeNode>
      <TreeNode name="NodeAudio" text="Audio" checkbox="true"/>
    </TreeView>
    <Progress name="ScanProgress" height="8" min="0" max="200" value="50" forecolor="#FF00AA00"/>
    <Custom name="mine" height="10"/>
  </VerticalLayout>
</Window>
)";

const char kPageSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<HorizontalLayout name="options" height="30" childpadding="4">
  <Option name="o1" group="g" selected="true" text="A" width="60"/>
  <Option name="o2" group="g" text="B" width="60"/>
  <CheckBox name="c1" text="C" width="60"/>
  <CheckBox name="c2" text="D" width="60" enabled="false"/>
</HorizontalLayout>
)";

const char kModalSkin[] = R"(<Window size="200,100"><VerticalLayout name="modalroot" bkcolor="#FFEEEEEE"><Label name="only" text="modal"/></VerticalLayout></Window>)";

const char kMenuSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window>
  <Font id="0" name="Tahoma" size="12" default="true"/>
  <Menu name="menu_assist" width="160">
    <MenuElement name="item_help" text="Help" icon="file='icons.png' source='0,0,16,16' dest='6,6,22,22'"/>
    <MenuElement name="item_language" text="Language"/>
    <MenuElement name="item_exit" text="Exit"/>
  </Menu>
</Window>
)";

class UiLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new qm::test::TempDir();
    ::CreateDirectoryW(dir_->file(L"xml").c_str(), nullptr);
    WriteText(dir_->file(L"xml\\main.xml"), kMainSkin);
    WriteText(dir_->file(L"xml\\page.xml"), kPageSkin);
    WriteText(dir_->file(L"xml\\modal.xml"), kModalSkin);
    WriteText(dir_->file(L"xml\\menu_assist.xml"), kMenuSkin);
    WriteText(dir_->file(L"xml\\bad.xml"), "<Window>\n<VerticalLayout>\n</Window>\n");
    WriteText(dir_->file(L"xml\\badinclude.xml"), "<Window><VerticalLayout><Include source=\"xml/nothere.xml\"/></VerticalLayout></Window>");
    WriteTestImage(dir_->file(L"icons.png"));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  void SetUp() override {
    window_ = std::make_unique<TestWindow>(dir_->path(), L"xml\\main.xml");
    hwnd_ = window_->Open();
    ASSERT_NE(nullptr, hwnd_);
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(PumpUntil([this] { return window_->GetPaintManager().IsWindowInitSent(); }));
    pm_ = &window_->GetPaintManager();
  }
  void TearDown() override {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    window_.reset();
  }

  template <class T>
  T* Find(const wchar_t* name) {
    T* control = pm_->FindControl<T>(name);
    EXPECT_NE(nullptr, control) << "no control " << name;
    return control;
  }

  static qm::test::TempDir* dir_;
  std::unique_ptr<TestWindow> window_;
  HWND hwnd_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
};
qm::test::TempDir* UiLibraryTest::dir_ = nullptr;

TEST_F(UiLibraryTest, BuildsEveryNamedControlWithItsClass) {
  const std::map<std::wstring, std::wstring> expected = {
      {L"root", L"VerticalLayoutUI"},  {L"titlebar", L"HorizontalLayoutUI"}, {L"title", L"LabelUI"},
      {L"closebtn", L"ButtonUI"},      {L"o1", L"OptionUI"},                 {L"c1", L"CheckBoxUI"},
      {L"TabPage", L"TabLayoutUI"},    {L"message", L"TextUI"},              {L"e", L"EditUI"},
      {L"PreviewEdit", L"RichEditUI"}, {L"FileList", L"ListUI"},             {L"FileName", L"ListHeaderItemUI"},
      {L"TypeTree", L"TreeViewUI"},    {L"NodeJpg", L"TreeNodeUI"},          {L"ScanProgress", L"ProgressUI"},
      {L"inner", L"ButtonUI"},         {L"mine", L"LabelUI"}};
  for (const auto& [name, cls] : expected) {
    CControlUI* control = pm_->FindControl(name);
    ASSERT_NE(nullptr, control) << "missing control " << name;
    EXPECT_EQ(cls, control->GetClass());
  }
  // Typed lookup answers only for the right class (or a base of it).
  EXPECT_NE(nullptr, pm_->FindControl<CButtonUI>(L"closebtn"));
  EXPECT_NE(nullptr, pm_->FindControl<CLabelUI>(L"closebtn"));
  EXPECT_EQ(nullptr, pm_->FindControl<COptionUI>(L"closebtn"));
  EXPECT_EQ(nullptr, pm_->FindControl<CListUI>(L"nothing-by-this-name"));
  EXPECT_NE(nullptr, pm_->FindControl<COptionUI>(L"c1"));
  // <Default> attributes, the custom class from the window, interface names.
  auto* close = Find<CButtonUI>(L"closebtn");
  EXPECT_EQ(0xFF112233u, close->GetTextColor());
  EXPECT_EQ(L"Close", close->GetToolTip());
  EXPECT_EQ(L"from defaults", Find<CButtonUI>(L"inner")->GetToolTip());
  EXPECT_EQ(L"made by the window", Find<CLabelUI>(L"mine")->GetUserData());
  EXPECT_NE(nullptr, close->GetInterface(L"Button"));
  EXPECT_NE(nullptr, close->GetInterface(L"Label"));
  EXPECT_EQ(nullptr, close->GetInterface(L"Option"));
  // Window attributes.
  EXPECT_EQ(400, pm_->GetMinInfo().cx);
  EXPECT_EQ(36, pm_->GetCaptionRect().bottom);
  RECT wr{};
  ::GetWindowRect(hwnd_, &wr);
  EXPECT_EQ(480, wr.right - wr.left);
  EXPECT_EQ(420, wr.bottom - wr.top);
  // "windowinit" came once, from the root.
  EXPECT_EQ(1u, window_->Count(L"windowinit", L"root"));
}

TEST_F(UiLibraryTest, LaysOutVerticalHorizontalAndTabLayouts) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ASSERT_EQ(480, client.right);
  auto* titlebar = Find<CControlUI>(L"titlebar");
  EXPECT_EQ(0, titlebar->GetPos().top);
  EXPECT_EQ(36, titlebar->GetPos().bottom);
  EXPECT_EQ(480, titlebar->GetPos().right);
  // Row: fixed widths, the spacer takes the rest; padding moves the title.
  EXPECT_EQ(12, Find<CControlUI>(L"title")->GetPos().left);
  EXPECT_EQ(212, Find<CControlUI>(L"title")->GetPos().right);
  EXPECT_EQ(444, Find<CControlUI>(L"closebtn")->GetPos().left);
  EXPECT_EQ(480, Find<CControlUI>(L"closebtn")->GetPos().right);
  EXPECT_EQ(212, Find<CControlUI>(L"spacer")->GetPos().left);
  EXPECT_EQ(444, Find<CControlUI>(L"spacer")->GetPos().right);
  // The included row, with child padding.
  auto* o2 = Find<CControlUI>(L"o2");
  EXPECT_EQ(36, o2->GetPos().top);
  EXPECT_EQ(66, o2->GetPos().bottom);
  EXPECT_EQ(64, o2->GetPos().left);
  EXPECT_EQ(124, o2->GetPos().right);
  // Tab layout: the selected page fills it, the others are hidden.
  auto* tab = Find<CTabLayoutUI>(L"TabPage");
  EXPECT_EQ(1, tab->GetCurSel());
  EXPECT_EQ(66, tab->GetPos().top);
  EXPECT_EQ(106, tab->GetPos().bottom);
  EXPECT_TRUE(Find<CControlUI>(L"page1")->IsVisible());
  EXPECT_FALSE(Find<CControlUI>(L"page0")->IsVisible());
  EXPECT_EQ(tab->GetPos().top, Find<CControlUI>(L"page1")->GetPos().top);
  EXPECT_EQ(tab->GetPos().bottom, Find<CControlUI>(L"page1")->GetPos().bottom);
  EXPECT_TRUE(tab->SelectItem(2));
  EXPECT_FALSE(tab->SelectItem(3));
  pm_->UpdateLayout();
  EXPECT_TRUE(Find<CControlUI>(L"inner")->IsVisible());
  EXPECT_FALSE(Find<CControlUI>(L"page1")->IsVisible());
  EXPECT_EQ(66, Find<CControlUI>(L"inner")->GetPos().top);
  // A hidden child gives its share back to the others.
  Find<CControlUI>(L"closebtn")->SetVisible(false);
  pm_->UpdateLayout();
  EXPECT_EQ(480, Find<CControlUI>(L"spacer")->GetPos().right);
  // Resizing the window lays everything out again.
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 600, 420, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  pm_->UpdateLayout();
  EXPECT_EQ(600, titlebar->GetPos().right);
}

TEST_F(UiLibraryTest, StatesReadBackAndOptionGroupsStayExclusive) {
  auto* title = Find<CLabelUI>(L"title");
  title->SetText(L"New title");
  EXPECT_EQ(L"New title", title->GetText());
  title->SetToolTip(L"tip");
  EXPECT_EQ(L"tip", title->GetToolTip());
  title->SetVisible(false);
  EXPECT_FALSE(title->IsVisible());
  title->SetVisible(true);
  title->SetEnabled(false);
  EXPECT_FALSE(title->IsEnabled());
  title->SetBkImage(L"file='icons.png' corner='2,2,2,2'");
  EXPECT_EQ(L"file='icons.png' corner='2,2,2,2'", title->GetBkImage());
  // A hidden container hides its children.
  Find<CControlUI>(L"titlebar")->SetVisible(false);
  EXPECT_FALSE(Find<CControlUI>(L"closebtn")->IsVisible());
  Find<CControlUI>(L"titlebar")->SetVisible(true);
  EXPECT_TRUE(Find<CControlUI>(L"closebtn")->IsVisible());

  auto* o1 = Find<COptionUI>(L"o1");
  auto* o2 = Find<COptionUI>(L"o2");
  EXPECT_TRUE(o1->IsSelected());
  EXPECT_FALSE(o2->IsSelected());
  window_->seen.clear();
  o2->Selected(true);
  EXPECT_TRUE(o2->IsSelected());
  EXPECT_FALSE(o1->IsSelected());
  EXPECT_EQ(1u, window_->Count(L"selectchanged", L"o1"));
  EXPECT_EQ(1u, window_->Count(L"selectchanged", L"o2"));
  o2->Selected(true);  // no change, no notification
  EXPECT_EQ(2u, window_->seen.size());

  auto* c1 = Find<CCheckBoxUI>(L"c1");
  c1->SetCheck(true);
  EXPECT_TRUE(c1->GetCheck());
  c1->SetHalfCheck(true);
  EXPECT_TRUE(c1->IsHalfCheck());
  c1->SetCheck(false);
  EXPECT_FALSE(c1->GetCheck());
  EXPECT_FALSE(c1->IsHalfCheck());
  // Check boxes without a group are independent.
  Find<CCheckBoxUI>(L"c2")->SetCheck(true, false);
  c1->SetCheck(true, false);
  EXPECT_TRUE(Find<CCheckBoxUI>(L"c2")->GetCheck());

  auto* progress = Find<CProgressUI>(L"ScanProgress");
  EXPECT_EQ(50, progress->GetValue());
  progress->SetValue(500);
  EXPECT_EQ(200, progress->GetValue());
  progress->SetValue(-3);
  EXPECT_EQ(0, progress->GetValue());

  auto* edit = Find<CEditUI>(L"e");
  ASSERT_NE(nullptr, edit->GetHWND());
  EXPECT_EQ(L"typed", edit->GetText());
  edit->SetText(L"changed");
  wchar_t buffer[32] = {};
  ::GetWindowTextW(edit->GetHWND(), buffer, 32);
  EXPECT_EQ(std::wstring(L"changed"), buffer);
  // A hidden page hides the hosted window too.
  edit->SetVisible(false);
  EXPECT_FALSE(::IsWindowVisible(edit->GetHWND()));
}

TEST_F(UiLibraryTest, ClicksSendNotificationsByNameAndType) {
  window_->seen.clear();
  Click(hwnd_, Centre(Find<CControlUI>(L"o2")));
  EXPECT_EQ(1u, window_->Count(L"selectchanged", L"o2"));
  EXPECT_EQ(1u, window_->Count(L"click", L"o2"));
  EXPECT_TRUE(Find<COptionUI>(L"o2")->IsSelected());
  EXPECT_FALSE(Find<COptionUI>(L"o1")->IsSelected());

  Click(hwnd_, Centre(Find<CControlUI>(L"c1")));
  EXPECT_TRUE(Find<CCheckBoxUI>(L"c1")->GetCheck());
  Click(hwnd_, Centre(Find<CControlUI>(L"c1")));
  EXPECT_FALSE(Find<CCheckBoxUI>(L"c1")->GetCheck());
  EXPECT_EQ(2u, window_->Count(L"selectchanged", L"c1"));
  // A disabled control reports nothing.
  Click(hwnd_, Centre(Find<CControlUI>(L"c2")));
  EXPECT_EQ(0u, window_->Count(L"click", L"c2"));
  // Pressing on a button and releasing elsewhere is no click.
  POINT inside = Centre(Find<CControlUI>(L"closebtn"));
  ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inside.x, inside.y));
  ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, MAKELPARAM(5, 200));
  EXPECT_EQ(0u, window_->Count(L"click", L"closebtn"));
  EXPECT_TRUE(::IsWindow(hwnd_));
  // The close button closes the window through the default click handling.
  Click(hwnd_, inside);
  EXPECT_EQ(1u, window_->Count(L"click", L"closebtn"));
  EXPECT_TRUE(PumpUntil([this] { return !::IsWindow(hwnd_); }));
}

TEST_F(UiLibraryTest, ListSelectsChecksAndReportsDoubleClicksAndHeaders) {
  auto* list = Find<CListUI>(L"FileList");
  for (int i = 0; i < 3; ++i) {
    auto* row = new CListLabelElementUI();
    row->SetColumnText(1, L"file" + std::to_wstring(i) + L".txt");
    row->SetColumnText(2, L"{c #FF316D1E}1 KB{/c}");
    ASSERT_TRUE(list->Add(row));
  }
  ASSERT_EQ(3, list->GetCount());
  pm_->UpdateLayout();
  auto* row1 = static_cast<CListElementUI*>(list->GetItemAt(1));
  EXPECT_EQ(1, row1->GetIndex());
  EXPECT_EQ(L"file1.txt", row1->GetColumnText(1));
  // Rows sit under the 22-pixel header, 24 pixels each.
  EXPECT_EQ(list->GetPos().top + 22 + 24, row1->GetPos().top);
  auto columns = list->GetColumnRects();
  ASSERT_EQ(3u, columns.size());
  EXPECT_EQ(list->GetPos().left + 24, columns[1].left);

  window_->seen.clear();
  POINT nameCell{(columns[1].left + columns[1].right) / 2, Centre(row1).y};
  Click(hwnd_, nameCell);
  EXPECT_EQ(1, list->GetCurSel());
  EXPECT_TRUE(row1->IsSelected());
  const Seen* select = window_->Last(L"itemselect");
  ASSERT_NE(nullptr, select);
  EXPECT_EQ(L"FileList", select->sender);
  EXPECT_EQ(1u, select->wParam);
  EXPECT_EQ(-1, select->lParam);
  EXPECT_NE(nullptr, window_->Last(L"itemclick"));

  POINT checkCell{(columns[0].left + columns[0].right) / 2, Centre(row1).y};
  Click(hwnd_, checkCell);
  EXPECT_TRUE(row1->GetCheck());
  const Seen* check = window_->Last(L"list_check_click");
  ASSERT_NE(nullptr, check);
  EXPECT_EQ(L"FileList", check->sender);
  EXPECT_EQ(1u, check->wParam);
  EXPECT_EQ(1, check->lParam);

  auto* row2 = list->GetItemAt(2);
  DoubleClick(hwnd_, POINT{nameCell.x, Centre(row2).y});
  const Seen* dbl = window_->Last(L"list_item_dbclick");
  ASSERT_NE(nullptr, dbl);
  EXPECT_EQ(L"FileList", dbl->sender);
  EXPECT_EQ(2u, dbl->wParam);
  EXPECT_NE(nullptr, window_->Last(L"itemdbclick"));

  Click(hwnd_, Centre(Find<CControlUI>(L"Size")));
  EXPECT_EQ(1u, window_->Count(L"headerclick", L"Size"));
  // A check box inside a header item works as any other.
  auto* all = Find<CCheckBoxUI>(L"ChkAllListSel");
  EXPECT_EQ(Find<CControlUI>(L"CheckAll"), all->GetParent()->GetParent());
  Click(hwnd_, Centre(all));
  EXPECT_TRUE(all->GetCheck());
  EXPECT_EQ(1u, window_->Count(L"selectchanged", L"ChkAllListSel"));
  EXPECT_EQ(0u, window_->Count(L"headerclick", L"CheckAll"));

  // Sorting by a column keeps the selected row selected.
  list->SelectItem(1, false, false);
  list->SortItems([](CControlUI* a, CControlUI* b) {
    return static_cast<CListElementUI*>(a)->GetColumnText(1) > static_cast<CListElementUI*>(b)->GetColumnText(1);
  });
  EXPECT_EQ(L"file2.txt", static_cast<CListElementUI*>(list->GetItemAt(0))->GetColumnText(1));
  EXPECT_EQ(0, static_cast<CListElementUI*>(list->GetItemAt(0))->GetIndex());
  EXPECT_EQ(1, list->GetCurSel());
  EXPECT_EQ(row1, list->GetItemAt(1));

  // Programmatic selection, removal keeps indexes straight.
  EXPECT_TRUE(list->SelectItem(0, false, false));
  EXPECT_FALSE(list->SelectItem(7));
  ASSERT_TRUE(list->RemoveAt(0));
  EXPECT_EQ(-1, list->GetCurSel());
  EXPECT_EQ(0, static_cast<CListElementUI*>(list->GetItemAt(0))->GetIndex());
  list->RemoveAll();
  EXPECT_EQ(0, list->GetCount());
}

TEST_F(UiLibraryTest, ListScrollsWithTheWheelWhenRowsOverflow) {
  auto* list = Find<CListUI>(L"FileList");
  for (int i = 0; i < 20; ++i) {
    auto* row = new CListLabelElementUI();
    row->SetColumnText(1, L"row " + std::to_wstring(i));
    list->Add(row);
  }
  pm_->UpdateLayout();
  auto* body = list->GetList();
  ASSERT_NE(nullptr, body->GetVerticalScrollBar());
  EXPECT_TRUE(body->GetVerticalScrollBar()->IsVisible());
  EXPECT_EQ(20 * 24 - (100 - 22), body->GetScrollRange());
  const int topBefore = list->GetItemAt(0)->GetPos().top;
  POINT pt = Centre(list);
  ::ClientToScreen(hwnd_, &pt);
  ::SendMessageW(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(pt.x, pt.y));
  pm_->UpdateLayout();
  EXPECT_GT(body->GetScrollPos(), 0);
  EXPECT_EQ(topBefore - body->GetScrollPos(), list->GetItemAt(0)->GetPos().top);
  // Dragging the thumb scrolls with it; a press on the track below it pages down.
  CScrollBarUI* bar = body->GetVerticalScrollBar();
  body->SetScrollPos(0);
  pm_->UpdateLayout();
  RECT thumb = bar->GetThumbRect();
  POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grab.x, grab.y));
  ::SendMessageW(hwnd_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(grab.x, grab.y + 10));
  ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, MAKELPARAM(grab.x, grab.y + 10));
  const int dragged = body->GetScrollPos();
  EXPECT_GT(dragged, 0);
  thumb = bar->GetThumbRect();
  if (thumb.bottom + 2 < bar->GetPos().bottom) {
    Click(hwnd_, POINT{grab.x, bar->GetPos().bottom - 1});
    EXPECT_GT(body->GetScrollPos(), dragged);
  }
  // Selecting a row below the visible part scrolls it into view.
  list->SelectItem(19);
  pm_->UpdateLayout();
  EXPECT_LE(list->GetItemAt(19)->GetPos().bottom, list->GetPos().bottom);
}

TEST_F(UiLibraryTest, TreeNodesExpandCollapseAndReportChecks) {
  auto* tree = Find<CTreeViewUI>(L"TypeTree");
  auto* photo = Find<CTreeNodeUI>(L"NodePhoto");
  auto* jpg = Find<CTreeNodeUI>(L"NodeJpg");
  auto* audio = Find<CTreeNodeUI>(L"NodeAudio");
  ASSERT_EQ(4, tree->GetCount());
  EXPECT_EQ(photo, tree->GetItemAt(0));
  EXPECT_EQ(jpg, tree->GetItemAt(1));
  EXPECT_EQ(audio, tree->GetItemAt(3));
  EXPECT_EQ(2, photo->GetCountChild());
  EXPECT_EQ(photo, jpg->GetParentNode());
  EXPECT_EQ(1, jpg->GetTreeLevel());
  EXPECT_EQ(L"jpg", jpg->GetItemText());
  // Children are indented by their depth.
  EXPECT_GT(jpg->GetCheckBox()->GetPos().left, photo->GetCheckBox()->GetPos().left);

  window_->seen.clear();
  Click(hwnd_, Centre(photo->GetFolderButton()));
  EXPECT_FALSE(photo->IsExpanded());
  EXPECT_FALSE(jpg->IsVisible());
  const Seen* expand = window_->Last(L"itemexpand");
  ASSERT_NE(nullptr, expand);
  EXPECT_EQ(L"NodePhoto", expand->sender);
  EXPECT_EQ(0u, expand->wParam);
  pm_->UpdateLayout();
  // The collapsed rows give their room to the next top-level node.
  EXPECT_EQ(photo->GetPos().bottom, audio->GetPos().top);
  photo->SetExpanded(true);
  EXPECT_TRUE(jpg->IsVisible());

  Click(hwnd_, Centre(audio->GetCheckBox()));
  EXPECT_TRUE(audio->IsCheckBoxSelected());
  const Seen* check = window_->Last(L"checkboxselectchanged");
  ASSERT_NE(nullptr, check);
  EXPECT_EQ(L"NodeAudio", check->sender);
  EXPECT_EQ(1u, check->wParam);

  Click(hwnd_, Centre(audio->GetItemButton()));
  EXPECT_EQ(3, tree->GetCurSel());
  const Seen* select = window_->Last(L"itemselect");
  ASSERT_NE(nullptr, select);
  EXPECT_EQ(L"TypeTree", select->sender);

  jpg->SetHalfChecked(true);
  EXPECT_TRUE(jpg->IsHalfChecked());
  jpg->SetCheckBoxSelected(true);
  EXPECT_FALSE(jpg->IsHalfChecked());

  // Nodes added at run time land after their parent's last descendant.
  auto* gif = new CTreeNodeUI();
  gif->SetName(L"NodeGif");
  gif->SetItemText(L"gif");
  ASSERT_TRUE(photo->AddChildNode(gif));
  EXPECT_EQ(3, tree->GetItemIndex(gif));
  EXPECT_EQ(gif, pm_->FindControl(L"NodeGif"));
  ASSERT_TRUE(photo->RemoveChildNode(gif));
  EXPECT_EQ(nullptr, pm_->FindControl(L"NodeGif"));
  ASSERT_TRUE(tree->RemoveAt(tree->GetItemIndex(photo)));
  EXPECT_EQ(1, tree->GetCount());
  EXPECT_EQ(nullptr, pm_->FindControl(L"NodeJpg"));
}

TEST_F(UiLibraryTest, CaptionDragsSizingBordersResizeAndCornersAreRound) {
  auto hit = [this](int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd_, &pt);
    return ::SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  };
  EXPECT_EQ(HTCAPTION, hit(100, 20));                                       // over the title label
  EXPECT_EQ(HTCAPTION, hit(300, 20));                                       // over the spacer
  EXPECT_EQ(HTCLIENT, hit(460, 20));                                        // over the close button
  EXPECT_EQ(HTCLIENT, hit(100, 200));                                       // below the caption
  EXPECT_EQ(HTLEFT, hit(1, 200));
  EXPECT_EQ(HTBOTTOMRIGHT, hit(478, 418));
  EXPECT_EQ(HTTOP, hit(200, 1));
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(ERROR, ::GetWindowRgn(hwnd_, region));
  EXPECT_FALSE(::PtInRegion(region, 0, 0));  // the corner pixel is cut off
  EXPECT_TRUE(::PtInRegion(region, 240, 200));
  ::DeleteObject(region);
  MINMAXINFO info{};
  ::SendMessageW(hwnd_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(400, info.ptMinTrackSize.x);
  EXPECT_EQ(300, info.ptMinTrackSize.y);
}

TEST_F(UiLibraryTest, PreTranslationMovesTheFocusWithTabAndTooltipsFollowTheMouse) {
  MSG tab{hwnd_, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(CPaintManagerUI::TranslateMessage(&tab));
  CControlUI* first = pm_->GetFocus();
  ASSERT_NE(nullptr, first);
  EXPECT_TRUE(first->GetControlFlags() & UIFLAG_TABSTOP);
  EXPECT_TRUE(CPaintManagerUI::TranslateMessage(&tab));
  EXPECT_NE(first, pm_->GetFocus());
  MSG other{hwnd_, WM_KEYDOWN, 'A', 0, 0, {}};
  EXPECT_FALSE(CPaintManagerUI::TranslateMessage(&other));
  // Space on a focused button clicks it.
  auto* close = Find<CButtonUI>(L"closebtn");
  close->SetFocus();
  EXPECT_EQ(close, pm_->GetFocus());
  window_->seen.clear();
  ::SendMessageW(hwnd_, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(1u, window_->Count(L"click", L"closebtn"));

  POINT pt = Centre(close);
  ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
  ASSERT_NE(nullptr, pm_->GetTooltipWindow());
  EXPECT_EQ(1, ::SendMessageW(pm_->GetTooltipWindow(), TTM_GETTOOLCOUNT, 0, 0));
  EXPECT_EQ(close, pm_->GetHover());
  pt = Centre(Find<CControlUI>(L"spacer"));
  ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
  EXPECT_EQ(0, ::SendMessageW(pm_->GetTooltipWindow(), TTM_GETTOOLCOUNT, 0, 0));
}

TEST_F(UiLibraryTest, AListenerMayRefillTheListWhileARowIsClicked) {
  auto* list = Find<CListUI>(L"FileList");
  auto fill = [list] {
    list->RemoveAll();
    for (int i = 0; i < 3; ++i) {
      auto* row = new CListLabelElementUI();
      row->SetColumnText(1, L"{a}row{/a} " + std::to_wstring(i));
      list->Add(row);
    }
  };
  fill();
  int refills = 0;
  window_->onNotify = [&](TestWindow&, TNotifyUI& msg) {
    if (msg.type == L"itemselect" && refills++ == 0) fill();  // the clicked row is gone now
  };
  pm_->UpdateLayout();
  POINT pt{list->GetColumnRects()[1].left + 40, Centre(list->GetItemAt(1)).y};
  Click(hwnd_, pt);
  EXPECT_EQ(1, refills);
  EXPECT_EQ(3, list->GetCount());
  EXPECT_EQ(nullptr, window_->Last(L"itemclick"));  // its row was deleted before it could report
}

TEST_F(UiLibraryTest, ControlHandlersSeeNotificationsFirstAndMayConsumeThem) {
  auto* title = Find<CLabelUI>(L"title");
  std::vector<std::wstring> handled;
  title->AddNotifyHandler([&handled](TNotifyUI& msg) {
    handled.push_back(msg.type);
    return msg.type == L"offhot";  // consumed: the window does not see it
  });
  window_->seen.clear();
  for (const wchar_t* type : {L"onhot", L"offhot", L"updatepage"}) pm_->SendNotify(title, type, 3, 4);
  EXPECT_EQ((std::vector<std::wstring>{L"onhot", L"offhot", L"updatepage"}), handled);
  EXPECT_EQ(1u, window_->Count(L"onhot", L"title"));
  EXPECT_EQ(0u, window_->Count(L"offhot", L"title"));
  ASSERT_EQ(1u, window_->Count(L"updatepage", L"title"));
  EXPECT_EQ(3u, window_->Last(L"updatepage")->wParam);
  EXPECT_EQ(4, window_->Last(L"updatepage")->lParam);
  // A listener that is removed hears nothing more.
  pm_->RemoveNotifier(window_.get());
  pm_->SendNotify(title, L"onhot");
  EXPECT_EQ(1u, window_->Count(L"onhot", L"title"));
  pm_->AddNotifier(window_.get());
}

TEST_F(UiLibraryTest, TimersTickPerControlUntilKilled) {
  auto* progress = Find<CControlUI>(L"ScanProgress");
  window_->seen.clear();
  ASSERT_TRUE(pm_->SetTimer(progress, 7, 10));
  ASSERT_TRUE(PumpUntil([this] { return window_->Count(L"timer", L"ScanProgress") >= 2; }));
  EXPECT_EQ(7u, window_->Last(L"timer")->wParam);
  EXPECT_TRUE(pm_->KillTimer(progress, 7));
  EXPECT_FALSE(pm_->KillTimer(progress, 7));
}

TEST_F(UiLibraryTest, ModalWindowEndsWithTheCodeGivenToClose) {
  TestWindow modal(dir_->path(), L"xml\\modal.xml");
  modal.onNotify = [](TestWindow& w, TNotifyUI& msg) {
    if (msg.type == L"windowinit") w.GetPaintManager().SetTimer(msg.sender, 1, 10);
    if (msg.type == L"timer") w.Close(42);
  };
  ASSERT_NE(nullptr, modal.Open(hwnd_));
  modal.CenterWindow();
  RECT owner{}, box{};
  ::GetWindowRect(hwnd_, &owner);
  ::GetWindowRect(modal.GetHWND(), &box);
  EXPECT_EQ((owner.left + owner.right) / 2, (box.left + box.right) / 2);
  EXPECT_EQ(42u, modal.ShowModal());
  EXPECT_TRUE(::IsWindowEnabled(hwnd_));
  EXPECT_EQ(nullptr, modal.GetHWND());
  EXPECT_EQ(1u, modal.Count(L"windowinit", L"modalroot"));
}

TEST_F(UiLibraryTest, EscapeEndsAModalWindowAsCancel) {
  TestWindow modal(dir_->path(), L"xml\\modal.xml");
  modal.onNotify = [](TestWindow& w, TNotifyUI& msg) {
    if (msg.type == L"windowinit") ::PostMessageW(w.GetHWND(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  ASSERT_NE(nullptr, modal.Open(hwnd_));
  EXPECT_EQ(static_cast<UINT>(IDCANCEL), modal.ShowModal());
}

TEST_F(UiLibraryTest, AFaultInAModalWindowsHandlerEndsItsLoopWithTheException) {
  TestWindow modal(dir_->path(), L"xml\\modal.xml");
  modal.onNotify = [](TestWindow&, TNotifyUI& msg) {
    if (msg.type == L"windowinit") throw std::runtime_error("CTestWnd::Notify: broken");
  };
  ASSERT_NE(nullptr, modal.Open(hwnd_));
  try {
    modal.ShowModal();
    ADD_FAILURE() << "the fault was lost";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("CTestWnd::Notify: broken", e.what());
  }
  EXPECT_TRUE(::IsWindowEnabled(hwnd_));
  EXPECT_EQ(nullptr, modal.GetHWND());
}

TEST_F(UiLibraryTest, LanguageSectionSetsTextsByControlName) {
  std::map<std::wstring, std::wstring> section = {
      {L"title", L"Wiederherstellung"}, {L"c2", L"Abgeschaltet"}, {L"NodeJpg", L"JPEG-Bilder"}, {L"nobody", L"x"}};
  window_->ApplyLanguageSection(section);
  EXPECT_EQ(L"Wiederherstellung", Find<CLabelUI>(L"title")->GetText());
  EXPECT_EQ(L"Abgeschaltet", Find<CCheckBoxUI>(L"c2")->GetText());
  EXPECT_FALSE(Find<CCheckBoxUI>(L"c2")->IsEnabled());
  EXPECT_EQ(L"JPEG-Bilder", Find<CTreeNodeUI>(L"NodeJpg")->GetItemText());
  EXPECT_EQ(L"JPEG-Bilder", Find<CTreeNodeUI>(L"NodeJpg")->GetItemButton()->GetText());
}

TEST_F(UiLibraryTest, RichEditHostsTheSystemControlWithItsOleInterface) {
  auto* rich = Find<CRichEditUI>(L"PreviewEdit");
  ASSERT_NE(nullptr, rich->GetHWND());
  rich->SetText(L"first line");
  rich->AppendText(L" and more");
  EXPECT_EQ(L"first line and more", rich->GetText());
  EXPECT_EQ(19, rich->GetTextLength());
  IRichEditOle* ole = rich->GetRichEditOle();
  ASSERT_NE(nullptr, ole);
  ole->Release();
  rich->SetReadOnly(true);
  EXPECT_TRUE(::GetWindowLongW(rich->GetHWND(), GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(rich->IsReadOnly());
}

TEST_F(UiLibraryTest, MarkupLinksAreClickableAndTheWindowDrawsItsSkin) {
  COLORREF title = Screenshot(*pm_, hwnd_, L"ui_library_main.png", POINT{300, 10});
  EXPECT_EQ(RGB(0x00, 0x89, 0xBE), title);
  auto* message = Find<CTextUI>(L"message");
  ASSERT_EQ(1u, message->GetLinks().size());
  EXPECT_EQ(L"help", message->GetLinks()[0].argument);
  window_->seen.clear();
  const RECT& link = message->GetLinks()[0].rect;
  Click(hwnd_, POINT{(link.left + link.right) / 2, (link.top + link.bottom) / 2});
  const Seen* seen = window_->Last(L"link");
  ASSERT_NE(nullptr, seen);
  EXPECT_EQ(L"message", seen->sender);
  EXPECT_EQ(0, seen->lParam);

  // A tree row written in the angle form: spacing, then a linked image frame, then the text.
  auto* list = Find<CListUI>(L"FileList");
  auto* row = new CListLabelElementUI();
  row->SetColumnText(1, L"<x 6><a><i icons.png 2 1></a>Disk 0");
  list->Add(row);
  Screenshot(*pm_, hwnd_, L"ui_library_rows.png", POINT{0, 0});
  ASSERT_EQ(1u, row->GetLinks().size());
  const RECT& expander = row->GetLinks()[0].rect;
  EXPECT_EQ(16, expander.right - expander.left);
  EXPECT_EQ(list->GetColumnRects()[1].left + 4 + 6, expander.left);
  // The green frame was drawn where the link is.
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  HDC screen = ::GetDC(hwnd_);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = ::SelectObject(mem, bitmap);
  pm_->PaintTo(mem);
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(mem, expander.left + 8, (expander.top + expander.bottom) / 2));
  ::SelectObject(mem, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(mem);
  ::ReleaseDC(hwnd_, screen);
}

TEST_F(UiLibraryTest, ImagesHonourSourceDestNineGridMaskAndFade) {
  HDC screen = ::GetDC(hwnd_);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 100, 40);
  HGDIOBJ old = ::SelectObject(mem, bitmap);
  auto draw = [&](const wchar_t* attributes) {
    RECT all{0, 0, 100, 40};
    ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    return CRenderEngine::DrawImageString(mem, pm_, RECT{0, 0, 100, 40}, all, attributes);
  };
  // Source picks the green frame; dest places it.
  ASSERT_TRUE(draw(L"file='icons.png' source='16,0,32,16' dest='10,10,26,26'"));
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(mem, 18, 18));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(mem, 5, 5));
  // Stretched with corners: the left 16 pixels stay red, the right ones green, no seam between.
  ASSERT_TRUE(draw(L"file='icons.png' corner='4,0,4,0'"));
  EXPECT_EQ(RGB(255, 0, 0), ::GetPixel(mem, 2, 20));
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(mem, 97, 20));
  for (int x = 0; x < 100; ++x) EXPECT_NE(RGB(255, 255, 255), ::GetPixel(mem, x, 20)) << x;
  // The mask colour becomes transparent.
  ASSERT_TRUE(draw(L"file='icons.png' mask='#FFFF0000'"));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(mem, 10, 20));
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(mem, 90, 20));
  // Fade blends with what is underneath.
  ASSERT_TRUE(draw(L"file='icons.png' source='16,0,32,16' fade='128'"));
  COLORREF faded = ::GetPixel(mem, 50, 20);
  EXPECT_NEAR(127, GetRValue(faded), 3);
  EXPECT_EQ(255, GetGValue(faded));
  // Missing files and malformed attributes draw nothing.
  EXPECT_FALSE(draw(L"file='missing.png'"));
  EXPECT_FALSE(draw(L"file='icons.png"));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(mem, 50, 20));
  ::SelectObject(mem, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(mem);
  ::ReleaseDC(hwnd_, screen);
}

TEST_F(UiLibraryTest, MenuOpensRenamesAddsEntriesAndReportsTheChoice) {
  auto source = CSkinSource::FromFolder(dir_->path());
  std::vector<std::wstring> chosen;
  auto* menu = new CMenuWnd();
  std::wstring error;
  ASSERT_TRUE(menu->Load(L"menu_assist.xml", source, &error)) << error;
  EXPECT_EQ(L"menu_assist", menu->GetMenuName());
  ASSERT_NE(nullptr, menu->FindItem(L"item_help"));
  menu->ApplyLanguageSection({{L"item_help", L"Hilfe"}, {L"item_exit", L"Beenden"}});
  EXPECT_EQ(L"Hilfe", menu->FindItem(L"item_help")->text);
  EXPECT_TRUE(menu->AddSubItem(L"item_language", L"lang_English", L"English", L"file='icons.png' source='0,0,16,16'"));
  EXPECT_TRUE(menu->AddSubItem(L"item_language", L"lang_Deutsch", L"Deutsch"));
  EXPECT_FALSE(menu->AddSubItem(L"item_nothing", L"x", L"x"));
  menu->SetChosenCallback([&chosen](const std::wstring& name) { chosen.push_back(name); });
  ASSERT_TRUE(menu->Show(hwnd_, POINT{100, 100}));
  HWND menuWindow = menu->GetHWND();
  ASSERT_NE(nullptr, menuWindow);
  EXPECT_EQ(L"Hilfe", menu->GetPaintManager().FindControl(L"item_help")->GetText());
  CMenuWnd* sub = menu->OpenSubMenu(L"item_language");
  ASSERT_NE(nullptr, sub);
  HWND subWindow = sub->GetHWND();
  ASSERT_NE(nullptr, sub->GetPaintManager().FindControl(L"lang_Deutsch"));
  EXPECT_FALSE(menu->Choose(L"item_language"));  // a submenu entry is no choice
  EXPECT_TRUE(menu->Choose(L"lang_Deutsch"));
  ASSERT_EQ(1u, chosen.size());
  EXPECT_EQ(L"lang_Deutsch", chosen[0]);
  ASSERT_EQ(1u, window_->menuChoices.size());
  EXPECT_EQ(L"lang_Deutsch", window_->menuChoices[0]);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(menuWindow) && !::IsWindow(subWindow); }));

  // A click on an entry chooses it too.
  auto* second = new CMenuWnd();
  ASSERT_TRUE(second->Load(L"menu_assist.xml", source));
  second->SetChosenCallback([&chosen](const std::wstring& name) { chosen.push_back(name); });
  ASSERT_TRUE(second->Show(hwnd_, POINT{120, 120}));
  HWND secondWindow = second->GetHWND();
  CControlUI* exit = second->GetPaintManager().FindControl(L"item_exit");
  ASSERT_NE(nullptr, exit);
  second->GetPaintManager().UpdateLayout();
  Click(secondWindow, Centre(exit));
  ASSERT_EQ(2u, chosen.size());
  EXPECT_EQ(L"item_exit", chosen[1]);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(secondWindow); }));

  // Hovering an entry with sub-entries opens its submenu; the keyboard walks and chooses.
  auto* fourth = new CMenuWnd();
  ASSERT_TRUE(fourth->Load(L"menu_assist.xml", source));
  fourth->AddSubItem(L"item_language", L"lang_English", L"English");
  fourth->SetChosenCallback([&chosen](const std::wstring& name) { chosen.push_back(name); });
  ASSERT_TRUE(fourth->Show(hwnd_, POINT{160, 160}));
  HWND fourthWindow = fourth->GetHWND();
  fourth->GetPaintManager().UpdateLayout();
  POINT over = Centre(fourth->GetPaintManager().FindControl(L"item_language"));
  ::SendMessageW(fourthWindow, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
  ASSERT_NE(nullptr, fourth->GetOpenSubMenu());
  HWND fourthSub = fourth->GetOpenSubMenu()->GetHWND();
  ::SendMessageW(fourthSub, WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageW(fourthSub, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(3u, chosen.size());
  EXPECT_EQ(L"lang_English", chosen[2]);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(fourthWindow) && !::IsWindow(fourthSub); }));

  // Escape dismisses a menu without a choice.
  auto* third = new CMenuWnd();
  ASSERT_TRUE(third->Load(L"menu_assist.xml", source));
  third->SetChosenCallback([&chosen](const std::wstring& name) { chosen.push_back(name); });
  ASSERT_TRUE(third->Show(hwnd_, POINT{140, 140}));
  HWND thirdWindow = third->GetHWND();
  ::SendMessageW(thirdWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(thirdWindow); }));
  EXPECT_EQ(3u, chosen.size());

  // Losing the focus to another window closes the menu too.
  auto* fifth = new CMenuWnd();
  ASSERT_TRUE(fifth->Load(L"menu_assist.xml", source));
  ASSERT_TRUE(fifth->Show(hwnd_, POINT{180, 180}));
  HWND fifthWindow = fifth->GetHWND();
  ::SendMessageW(fifthWindow, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd_), 0);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(fifthWindow); }));
}

TEST(UiLibraryErrors, MalformedSkinsGiveClearErrorsNotCrashes) {
  qm::test::TempDir dir;
  ::CreateDirectoryW(dir.file(L"xml").c_str(), nullptr);
  WriteText(dir.file(L"xml\\bad.xml"), "<Window>\n<VerticalLayout>\n</Window>\n");
  WriteText(dir.file(L"xml\\badinclude.xml"),
            "<Window><VerticalLayout><Include source=\"xml/nothere.xml\"/></VerticalLayout></Window>");
  WriteText(dir.file(L"xml\\empty.xml"), "<Window size=\"10,10\"/>");
  WriteText(dir.file(L"xml\\loop.xml"), "<Window><VerticalLayout><Include source=\"xml/loop.xml\"/></VerticalLayout></Window>");
  // Hostile numbers: huge, negative and malformed sizes, paddings, frames and fonts.
  WriteText(dir.file(L"xml\\hostile.xml"),
            "<Window size=\"99999999999,-5\" caption=\"0,0,0,x\"><Font id=\"0\" size=\"-3\"/><Font id=\"1\" size=\"90000\"/>"
            "<VerticalLayout name=\"r\" childpadding=\"2000000000\" inset=\"-9,-9,-9,-9\">"
            "<Label name=\"a\" height=\"2147483647\" width=\"-4\" padding=\"2000000000,0,0,0\" font=\"99\" "
            "text=\"{i icons.png 2147483647 -5}{x 2000000000}{f 1}{c #zz}x{/c}{/f}{a}{/a}{b}\" showhtml=\"true\"/>"
            "<Label name=\"b\" height=\"2147483647\" bkimage=\"file='icons.png' source='-5,-5,99999,99999' corner='9999,9999,9999,9999' dest='-10,-10,99999,99999'\"/>"
            "<List name=\"l\" itemheight=\"-7\"><ListLabelElement text=\"&lt;i icons.png 0 0&gt;\"/></List>"
            "</VerticalLayout></Window>");
  WriteTestImage(dir.file(L"icons.png"));
  auto expectThrow = [&dir](const wchar_t* skin, const std::string& fragment) {
    TestWindow window(dir.path(), skin);
    try {
      window.Open();
      ADD_FAILURE() << "no exception for " << fragment;
    } catch (const std::runtime_error& e) {
      std::string what = e.what();
      EXPECT_NE(std::string::npos, what.find("QmUiTestWnd::OnCreate")) << what;
      EXPECT_NE(std::string::npos, what.find(fragment)) << what;
    }
    EXPECT_EQ(nullptr, window.GetHWND());
  };
  expectThrow(L"xml\\missing.xml", "missing.xml");
  expectThrow(L"xml\\bad.xml", "line");
  expectThrow(L"xml\\badinclude.xml", "nothere.xml");
  expectThrow(L"xml\\empty.xml", "no control");
  expectThrow(L"xml\\loop.xml", "nested too deeply");
  {
    TestWindow hostile(dir.path(), L"xml\\hostile.xml");
    ASSERT_NE(nullptr, hostile.Open());
    ::ShowWindow(hostile.GetHWND(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(PumpUntil([&hostile] { return hostile.GetPaintManager().IsWindowInitSent(); }));
    ::SetWindowPos(hostile.GetHWND(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::UpdateWindow(hostile.GetHWND());
    Screenshot(hostile.GetPaintManager(), hostile.GetHWND(), L"ui_library_hostile.png", POINT{0, 0});
    EXPECT_LE(hostile.FindControl(L"a")->GetFixedHeight(), 100000);
    EXPECT_EQ(0, hostile.FindControl(L"a")->GetFixedWidth());
    ::DestroyWindow(hostile.GetHWND());
  }

  CPaintManagerUI pm;
  pm.SetResource(CSkinSource::FromFolder(dir.path()));
  CDialogBuilder builder;
  EXPECT_EQ(nullptr, builder.Create(L"xml\\bad.xml", nullptr, &pm));
  EXPECT_NE(std::wstring::npos, builder.GetLastErrorText().find(L"bad.xml"));
  WriteText(dir.file(L"xml\\unknown.xml"), "<Window>\n<VerticalLayout>\n<Buton name=\"x\"/>\n<Label name=\"y\"/>\n</VerticalLayout></Window>");
  std::unique_ptr<CControlUI> built(builder.Create(L"xml\\unknown.xml", nullptr, &pm));
  ASSERT_NE(nullptr, built);
  ASSERT_EQ(1u, builder.GetWarnings().size());
  EXPECT_NE(std::wstring::npos, builder.GetWarnings()[0].find(L"<Buton> (line 3)"));
  EXPECT_EQ(1, static_cast<CContainerUI*>(built.get())->GetCount());

  std::wstring error;
  EXPECT_EQ(nullptr, CSkinSource::FromZipBytes({'P', 'K', 1, 2, 3}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(nullptr, CSkinSource::FromResource(::GetModuleHandleW(nullptr), 4711, L"ZIPRES", &error));
  EXPECT_NE(std::wstring::npos, error.find(L"4711"));
  // Unknown images and bad attribute strings draw nothing and do not fail the paint.
  auto source = CSkinSource::FromFolder(dir.path());
  EXPECT_EQ(nullptr, source->GetImage(L"nothing.png"));
  WriteText(dir.file(L"broken.png"), "not an image at all");
  EXPECT_EQ(nullptr, source->GetImage(L"broken.png"));
}

// The program's own skin archive (resource ZIPRES 101 of this test program).
TEST(UiLibraryArchive, MessageBoxSkinsBuildFromTheProgramArchive) {
  std::wstring error;
  auto archive = CSkinSource::FromResource(::GetModuleHandleW(nullptr), 101, L"ZIPRES", &error);
  ASSERT_NE(nullptr, archive) << "the skin archive is missing";
  const wchar_t* skins[] = {L"xml\\MessageBox_Error.xml", L"xml\\MessageBox_Confirm.xml",
                            L"xml\\MessageBox_Information.xml", L"xml\\MessageBox_Warning.xml",
                            L"xml\\MessageBox_Question.xml"};
  int built = 0;
  for (const wchar_t* skin : skins) {
    if (!archive->Exists(skin)) continue;
    TestWindow box(L"", skin);
    box.useArchive = true;
    ASSERT_NE(nullptr, box.Open());
    ::ShowWindow(box.GetHWND(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(PumpUntil([&box] { return box.GetPaintManager().IsWindowInitSent(); }));
    EXPECT_NE(nullptr, box.FindControl<CButtonUI>(L"okbtn"));
    EXPECT_NE(nullptr, box.FindControl(L"message"));
    EXPECT_NE(nullptr, box.FindControl(L"title"));
    std::wstring name(skin + 4);
    name.replace(name.size() - 4, 4, L".png");
    Screenshot(box.GetPaintManager(), box.GetHWND(), name, POINT{0, 0});
    ::DestroyWindow(box.GetHWND());
    ++built;
  }
  if (built == 0) GTEST_SKIP() << "the skin archive holds no message box layouts yet";
}

TEST(UiLibraryArchive, GalleryOfEveryControlClassBuildsAndDraws) {
  auto archive = CSkinSource::FromResource(::GetModuleHandleW(nullptr), 101, L"ZIPRES");
  ASSERT_NE(nullptr, archive);
  if (!archive->Exists(L"xml\\Gallery.xml")) GTEST_SKIP() << "no gallery layout in the skin archive";
  TestWindow gallery(L"", L"xml\\Gallery.xml");
  gallery.useArchive = true;
  ASSERT_NE(nullptr, gallery.Open());
  ::ShowWindow(gallery.GetHWND(), SW_SHOWNOACTIVATE);
  ASSERT_TRUE(PumpUntil([&gallery] { return gallery.GetPaintManager().IsWindowInitSent(); }));
  // Library classes come from the archive; the program's own ones (ButtonEx, ...) are skipped here.
  EXPECT_NE(nullptr, gallery.FindControl<CListUI>(L"GalleryList"));
  EXPECT_NE(nullptr, gallery.FindControl<CTreeViewUI>(L"GalleryTree"));
  EXPECT_NE(nullptr, gallery.FindControl<CTabLayoutUI>(L"GalleryTabLayout"));
  EXPECT_NE(nullptr, gallery.FindControl<CProgressUI>(L"GalleryProgress"));
  EXPECT_EQ(nullptr, gallery.FindControl(L"GalleryButtonEx"));
  auto* list = gallery.FindControl<CListUI>(L"GalleryList");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(3, list->GetCount());
  Screenshot(gallery.GetPaintManager(), gallery.GetHWND(), L"Gallery.png", POINT{0, 0});
  // The included second page: the rich-edit box shows once its page is selected.
  ASSERT_TRUE(gallery.FindControl<CTabLayoutUI>(L"GalleryTabLayout")->SelectItem(1));
  gallery.GetPaintManager().UpdateLayout();
  auto* rich = gallery.FindControl<CRichEditUI>(L"PreviewEdit");
  ASSERT_NE(nullptr, rich);
  EXPECT_TRUE(::IsWindowVisible(rich->GetHWND()));
  EXPECT_EQ(L"Preview text.", rich->GetText());
  EXPECT_TRUE(rich->IsReadOnly());
  // Bars that lists make for themselves take the skin's scroll bar style.
  EXPECT_EQ(12, list->GetList()->GetVerticalScrollBar()->GetBarWidth());
  ::DestroyWindow(gallery.GetHWND());
}

}  // namespace
