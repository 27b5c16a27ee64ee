#include "ui/win32/menu_wnd.h"

#include <algorithm>
#include <functional>
#include <span>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/container.h"
#include "ui/win32/dialog_builder.h"
#include "ui/win32/menu_element.h"
#include "ui/win32/render_engine.h"

namespace qm::ui {
namespace {

const XmlElement* FindMenuElement(const XmlElement& e, int depth = 0) {
  if (e.name == L"Menu") return &e;
  if (depth > 64) return nullptr;
  for (const auto& child : e.children) {
    if (const XmlElement* found = FindMenuElement(child, depth + 1)) return found;
  }
  return nullptr;
}

void ReadItems(const XmlElement& parent, std::vector<MenuItemData>& out, int depth) {
  if (depth > 16) return;  // deeper submenus are not offered
  for (const auto& child : parent.children) {
    if (child.name != L"MenuElement") continue;
    MenuItemData item;
    for (const auto& a : child.attributes) {
      if (a.name == L"name") item.name = a.value;
      else if (a.name == L"text") item.text = a.value;
      else if (a.name == L"icon") item.icon = a.value;
      else item.attributes.push_back(a);
    }
    ReadItems(child, item.children, depth + 1);
    out.push_back(std::move(item));
  }
}

MenuItemData* FindIn(std::vector<MenuItemData>& items, std::wstring_view name) {
  for (auto& item : items) {
    if (item.name == name) return &item;
    if (MenuItemData* found = FindIn(item.children, name)) return found;
  }
  return nullptr;
}

}  // namespace

CMenuWnd::CMenuWnd() = default;

CMenuWnd::~CMenuWnd() {
  if (m_subMenu) m_subMenu->m_parentMenu = nullptr;
  if (m_parentMenu && m_parentMenu->m_subMenu == this) m_parentMenu->m_subMenu = nullptr;
}

UINT CMenuWnd::GetChosenMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"QuillmereMenuItemChosen");
  return message;
}

bool CMenuWnd::Load(std::wstring_view skinPath, std::shared_ptr<CSkinSource> source, std::wstring* error) {
  m_source = source ? source : CPaintManagerUI::GetDefaultResource();
  auto fail = [error](std::wstring text) {
    if (error) *error = std::move(text);
    return false;
  };
  if (!m_source) return fail(L"no skin source is set");
  std::vector<std::uint8_t> bytes;
  std::wstring path(skinPath);
  if (m_source->ReadFile(path, bytes) != 0) {
    path = L"xml/" + std::wstring(skinPath);
    if (m_source->ReadFile(path, bytes) != 0) return fail(std::wstring(skinPath) + L": not found in the " + m_source->Describe());
  }
  XmlParseResult parsed = ParseXml(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
  if (!parsed.ok) return fail(path + L": " + parsed.error);
  const XmlElement* menu = FindMenuElement(parsed.root);
  if (!menu) return fail(path + L": no <Menu> element");
  m_menuAttributes.clear();
  for (const auto& a : menu->attributes) {
    if (a.name == L"name") m_menuName = a.value;
    else m_menuAttributes.push_back(a);
  }
  m_items.clear();
  ReadItems(*menu, m_items, 0);
  m_windowElement = XmlElement{};
  m_windowElement.name = parsed.root.name;
  for (const auto& child : parsed.root.children) {
    if (child.name == L"Font" || child.name == L"Default") m_windowElement.children.push_back(child);
  }
  return true;
}

MenuItemData* CMenuWnd::FindItem(std::wstring_view name) { return FindIn(m_items, name); }

void CMenuWnd::ApplyLanguageSection(const std::map<std::wstring, std::wstring>& section) {
  for (const auto& [name, text] : section) {
    if (MenuItemData* item = FindItem(name)) item->text = text;
    if (CControlUI* control = m_pm.FindControl(name)) control->SetText(text);
  }
}

bool CMenuWnd::AddSubItem(std::wstring_view parentName, std::wstring_view name, std::wstring_view text,
                          std::wstring_view imageAttributes) {
  MenuItemData* parent = FindItem(parentName);
  if (!parent) return false;
  MenuItemData item;
  item.name = name;
  item.text = text;
  item.icon = imageAttributes;
  parent->children.push_back(std::move(item));
  if (auto* element = m_pm.FindControl<CMenuElementUI>(parentName)) element->SetHasSubMenu(true);
  return true;
}

void CMenuWnd::ClearSubItems(std::wstring_view parentName) {
  if (MenuItemData* parent = FindItem(parentName)) parent->children.clear();
}

void CMenuWnd::BuildControls() {
  m_pm.SetResource(m_source);
  for (const auto& child : m_windowElement.children) CDialogBuilder::ApplyResourceElement(child, &m_pm);
  auto* root = new CMenuUI();
  root->SetBkColor(0xFFFFFFFF);
  root->SetBorderColor(0xFFC8C8C8);
  root->SetBorderSize(1);
  root->SetInset(RECT{2, 2, 2, 2});
  if (const std::wstring* defaults = m_pm.GetDefaultAttributeList(L"Menu")) root->ApplyAttributeList(*defaults);
  for (const auto& a : m_menuAttributes) {
    if (a.name != L"width" && a.name != L"height") root->SetAttribute(a.name, a.value);
  }
  for (const auto& item : m_items) {
    auto* element = new CMenuElementUI();
    if (const std::wstring* defaults = m_pm.GetDefaultAttributeList(L"MenuElement")) element->ApplyAttributeList(*defaults);
    for (const auto& a : item.attributes) element->SetAttribute(a.name, a.value);
    element->SetName(item.name);
    element->SetText(item.text);
    element->SetIcon(item.icon);
    element->SetHasSubMenu(!item.children.empty());
    root->Add(element);
  }
  m_pm.AttachDialog(root);
}

bool CMenuWnd::IsOwnChain(HWND hwnd) const {
  if (!hwnd) return false;
  const CMenuWnd* top = this;
  while (top->m_parentMenu) top = top->m_parentMenu;
  for (const CMenuWnd* m = top; m; m = m->m_subMenu) {
    if (m->m_hwnd == hwnd) return true;
  }
  return false;
}

bool CMenuWnd::Show(HWND owner, POINT screenPoint) {
  if (m_hwnd) return false;
  m_owner = owner;
  try {
    Create(owner, L"", WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, screenPoint.x, screenPoint.y, 10, 10);
  } catch (...) {
    return false;
  }
  // Size to the entries: the widest text plus icon and arrow room, the heights summed.
  int width = 120, height = 4;
  HDC hdc = ::GetDC(m_hwnd);
  auto* root = static_cast<CContainerUI*>(m_pm.GetRoot());
  for (int i = 0; root && i < root->GetCount(); ++i) {
    auto* element = static_cast<CMenuElementUI*>(root->GetItemAt(i));
    SIZE sz = CRenderEngine::GetTextSize(hdc, &m_pm, element->GetText(), element->GetFont(), DT_SINGLELINE);
    width = std::max<int>(width, sz.cx + element->GetTextPadding().left + element->GetTextPadding().right + 8);
    if (element->IsOwnVisible()) height += element->GetFixedHeight() > 0 ? element->GetFixedHeight() : 28;
  }
  ::ReleaseDC(m_hwnd, hdc);
  for (const auto& a : m_menuAttributes) {
    if (a.name == L"width") width = std::max(width, ReadIntValue(a.value, width));
  }
  if (root) height += root->GetInset().top + root->GetInset().bottom;
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromPoint(screenPoint, MONITOR_DEFAULTTONEAREST), &mi);
  int x = screenPoint.x, y = screenPoint.y;
  if (x + width > mi.rcWork.right) x = std::max<int>(mi.rcWork.left, x - width);
  if (y + height > mi.rcWork.bottom) y = std::max<int>(mi.rcWork.top, static_cast<int>(mi.rcWork.bottom) - height);
  ::SetWindowPos(m_hwnd, HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW | (m_parentMenu ? SWP_NOACTIVATE : 0));
  if (!m_parentMenu) {
    ::SetForegroundWindow(m_hwnd);
    ::SetFocus(m_hwnd);
  }
  return true;
}

CMenuWnd* CMenuWnd::OpenSubMenu(std::wstring_view name) {
  if (m_subMenu && m_subMenuOf == name) return m_subMenu;
  if (m_subMenu) {
    m_subMenu->CloseMenu();
    m_subMenu = nullptr;
  }
  MenuItemData* item = nullptr;
  for (auto& i : m_items) {
    if (i.name == name) item = &i;
  }
  if (!item || item->children.empty() || !m_hwnd) return nullptr;
  auto* sub = new CMenuWnd();
  sub->m_source = m_source;
  sub->m_windowElement = m_windowElement;
  sub->m_menuAttributes = m_menuAttributes;
  sub->m_menuName = item->name;
  sub->m_items = item->children;
  sub->m_parentMenu = this;
  POINT pt{0, 0};
  if (CControlUI* element = m_pm.FindControl(name)) pt = POINT{element->GetPos().right, element->GetPos().top};
  ::ClientToScreen(m_hwnd, &pt);
  if (!sub->Show(m_hwnd, pt)) {
    delete sub;
    return nullptr;
  }
  m_subMenu = sub;
  m_subMenuOf = name;
  return sub;
}

bool CMenuWnd::Choose(std::wstring_view name) {
  MenuItemData* item = FindItem(name);
  if (!item || !item->children.empty()) return false;
  ReportChoice(item->name);
  return true;
}

void CMenuWnd::ReportChoice(const std::wstring& name) {
  CMenuWnd* top = this;
  while (top->m_parentMenu) top = top->m_parentMenu;
  const std::wstring chosen = name;  // the entries go away with the menu
  auto callback = top->m_callback;
  HWND owner = top->m_owner;
  top->CloseMenu();
  if (callback) callback(chosen);
  if (owner && ::IsWindow(owner)) ::SendMessageW(owner, GetChosenMessage(), 0, reinterpret_cast<LPARAM>(chosen.c_str()));
}

void CMenuWnd::CloseMenu() {
  if (m_closing) return;
  m_closing = true;
  if (m_subMenu) {
    m_subMenu->CloseMenu();
    m_subMenu = nullptr;
  }
  if (m_hwnd && ::IsWindow(m_hwnd)) {
    ::ShowWindow(m_hwnd, SW_HIDE);
    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
  }
}

void CMenuWnd::Notify(TNotifyUI& msg) {
  if (!msg.sender) return;
  const std::wstring name = msg.sender->GetName();
  MenuItemData* item = nullptr;
  for (auto& i : m_items) {
    if (i.name == name) item = &i;
  }
  if (!item) return;
  if (msg.type == kNotifyClick) {
    if (!item->children.empty()) OpenSubMenu(name);
    else ReportChoice(name);
  } else if (msg.type == kNotifyOnHot) {
    if (!item->children.empty()) {
      OpenSubMenu(name);
    } else if (m_subMenu) {
      m_subMenu->CloseMenu();
      m_subMenu = nullptr;
    }
  }
}

LRESULT CMenuWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      m_pm.Init(m_hwnd);
      BuildControls();
      m_pm.AddNotifier(this);
      return 0;
    case WM_KILLFOCUS: {
      HWND next = reinterpret_cast<HWND>(wParam);
      if (!IsOwnChain(next)) {
        CMenuWnd* top = this;
        while (top->m_parentMenu) top = top->m_parentMenu;
        top->CloseMenu();
      }
      break;
    }
    case WM_KEYDOWN:
      if (HandleKey(wParam)) return 0;
      break;
    case WM_DESTROY:
      m_pm.RemoveNotifier(this);
      break;
    default:
      break;
  }
  LRESULT result = 0;
  if (m_pm.MessageHandler(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

bool CMenuWnd::HandleKey(WPARAM key) {
  if (key == VK_ESCAPE) {
    CMenuWnd* top = this;
    while (top->m_parentMenu) top = top->m_parentMenu;
    top->CloseMenu();
    return true;
  }
  if (key == VK_LEFT && m_parentMenu) {
    CMenuWnd* parent = m_parentMenu;
    CloseMenu();
    ::SetFocus(parent->m_hwnd);
    return true;
  }
  auto* root = static_cast<CContainerUI*>(m_pm.GetRoot());
  if (!root || root->GetCount() == 0) return false;
  int hot = -1;
  for (int i = 0; i < root->GetCount(); ++i) {
    if (static_cast<CMenuElementUI*>(root->GetItemAt(i))->IsHot()) hot = i;
  }
  if (key == VK_DOWN || key == VK_UP) {
    const int count = root->GetCount();
    int next = hot;
    for (int step = 0; step < count; ++step) {
      next = key == VK_DOWN ? (next + 1) % count : (next <= 0 ? count - 1 : next - 1);
      CControlUI* candidate = root->GetItemAt(next);
      if (candidate->IsVisible() && candidate->IsEnabled()) break;
    }
    for (int i = 0; i < count; ++i) static_cast<CMenuElementUI*>(root->GetItemAt(i))->SetHot(i == next);
    return true;
  }
  if ((key == VK_RETURN || key == VK_RIGHT) && hot >= 0) {
    const std::wstring name = root->GetItemAt(hot)->GetName();
    MenuItemData* item = nullptr;
    for (auto& i : m_items) {
      if (i.name == name) item = &i;
    }
    if (!item) return false;
    if (!item->children.empty()) {
      if (CMenuWnd* sub = OpenSubMenu(name)) {
        ::SetFocus(sub->m_hwnd);
        sub->HandleKey(VK_DOWN);
      }
    } else if (key == VK_RETURN) {
      ReportChoice(name);
    }
    return true;
  }
  return false;
}

void CMenuWnd::OnFinalMessage(HWND) {
  if (m_parentMenu && m_parentMenu->m_subMenu == this) m_parentMenu->m_subMenu = nullptr;
  delete this;
}

}  // namespace qm::ui
