#pragma once
// CMenuWnd: a pop-up menu from a skin file ("menu_assist.xml": <Window> with <Menu name=...> of
// <MenuElement name text icon>; nested MenuElements form submenus). Load() reads it, the program
// may rename entries and add sub-entries, then Show() opens it at a screen point. Choosing an
// entry reports its name to the owner (callback, and the registered message
// GetChosenMessage() sent to the owner with lParam = const wchar_t* name) and closes the menu.
// It also closes on Escape and when it loses the focus. After Show() the window owns itself.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/xml_document.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/window_wnd.h"

namespace qm::ui {

class CMenuUI;

struct MenuItemData {
  std::wstring name;
  std::wstring text;
  std::wstring icon;  // image in the skin attribute syntax
  std::vector<XmlAttribute> attributes;  // the rest, applied to the entry control
  std::vector<MenuItemData> children;
};

class CMenuWnd : public CWindowWnd, public INotifyUI {
 public:
  CMenuWnd();
  ~CMenuWnd() override;

  // Reads the menu skin (tries `skinPath`, then "xml\\" + skinPath). false + *error on failure.
  bool Load(std::wstring_view skinPath, std::shared_ptr<CSkinSource> source = nullptr, std::wstring* error = nullptr);
  const std::wstring& GetMenuName() const { return m_menuName; }
  MenuItemData* FindItem(std::wstring_view name);
  std::vector<MenuItemData>& Items() { return m_items; }
  // Entry texts by name.
  void ApplyLanguageSection(const std::map<std::wstring, std::wstring>& section);
  // Adds a sub-entry under `parentName`; false when there is no such entry.
  bool AddSubItem(std::wstring_view parentName, std::wstring_view name, std::wstring_view text,
                  std::wstring_view imageAttributes = {});
  void ClearSubItems(std::wstring_view parentName);

  void SetChosenCallback(std::function<void(const std::wstring& name)> callback) { m_callback = std::move(callback); }
  static UINT GetChosenMessage();

  // Opens the menu with its top-left corner at `screenPoint` (moved to stay on the screen).
  bool Show(HWND owner, POINT screenPoint);
  // Chooses an entry as a click would (no-op for a submenu entry). False when not found.
  bool Choose(std::wstring_view name);
  // Opens the submenu of an entry (as hovering it does); returns it, or nullptr.
  CMenuWnd* OpenSubMenu(std::wstring_view name);
  CMenuWnd* GetOpenSubMenu() const { return m_subMenu; }
  CPaintManagerUI& GetPaintManager() { return m_pm; }
  void CloseMenu();  // closes this menu and its submenus (and the parent chain when chosen)

  void Notify(TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"QmMenuWnd"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS | CS_DROPSHADOW; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  void BuildControls();
  void ReportChoice(const std::wstring& name);
  // Keyboard: Up/Down move the highlight, Return or Right act on it, Left/Escape close.
  bool HandleKey(WPARAM key);
  bool IsOwnChain(HWND hwnd) const;

  CPaintManagerUI m_pm;
  std::shared_ptr<CSkinSource> m_source;
  XmlElement m_windowElement;
  std::wstring m_menuName;
  std::vector<XmlAttribute> m_menuAttributes;
  std::vector<MenuItemData> m_items;
  std::function<void(const std::wstring&)> m_callback;
  HWND m_owner = nullptr;
  CMenuWnd* m_parentMenu = nullptr;
  CMenuWnd* m_subMenu = nullptr;
  std::wstring m_subMenuOf;
  bool m_closing = false;
};

}  // namespace qm::ui
