#pragma once
// CPaintManagerUI: one per skinned window. Owns the control tree, fonts and default attributes of
// the window, lays out and paints it, turns window messages into control events, keeps focus,
// hover, capture, option groups and timers, and sends notifications to INotifyUI listeners.
// The skin source (zip resource or folder) is process-wide by default; Term() releases it.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/win32/control.h"
#include "ui/win32/skin_source.h"

namespace qm::ui {

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // ---- process-wide ----
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  static std::wstring GetInstancePath();  // the program's folder, ending with '\\'
  // The default skin source: a zip archive in resource `id` of `type` ("ZIPRES", 101 for the program).
  static bool SetResourceZip(HINSTANCE module, int id, const wchar_t* type = L"ZIPRES", std::wstring* error = nullptr);
  static void SetResourceFolder(std::wstring folder);
  static void SetDefaultResource(std::shared_ptr<CSkinSource> source);
  static std::shared_ptr<CSkinSource> GetDefaultResource();
  // The pre-translation hook of the message loop: true when the message was consumed.
  static bool TranslateMessage(const MSG* msg);
  // Releases shared resources (skin sources, decoded images, tooltip window class data).
  static void Term();

  // ---- this window ----
  void Init(HWND hwnd);
  HWND GetPaintWindow() const { return m_hwnd; }
  HWND GetTooltipWindow() const { return m_tooltip; }
  void SetResource(std::shared_ptr<CSkinSource> source) { m_resource = std::move(source); }
  CSkinSource* GetResource() const;
  std::shared_ptr<CSkinSource> GetResourceShared() const;

  // Window attributes from the skin's <Window>.
  SIZE GetInitSize() const { return m_initSize; }
  void SetInitSize(int cx, int cy);
  SIZE GetMinInfo() const { return m_minInfo; }
  void SetMinInfo(int cx, int cy) { m_minInfo = {cx, cy}; }
  SIZE GetMaxInfo() const { return m_maxInfo; }
  void SetMaxInfo(int cx, int cy) { m_maxInfo = {cx, cy}; }
  const RECT& GetCaptionRect() const { return m_caption; }
  void SetCaptionRect(RECT rc) { m_caption = rc; }
  const RECT& GetSizeBox() const { return m_sizeBox; }
  void SetSizeBox(RECT rc) { m_sizeBox = rc; }
  SIZE GetRoundCorner() const { return m_roundCorner; }
  void SetRoundCorner(int cx, int cy);
  // Applies a <Window> attribute (size, mininfo, maxinfo, caption, sizebox, roundcorner, ...).
  void SetWindowAttribute(std::wstring_view name, std::wstring_view value);

  // Fonts (<Font id=...>); -1 or an unknown id gives the default font.
  void AddFont(int id, std::wstring_view face, int size, bool bold, bool underline, bool italic, bool isDefault);
  HFONT GetFont(int id) const;
  HFONT GetFont(int id, bool bold, bool italic, bool underline);
  void SetDefaultTextColor(DWORD argb) { m_defaultTextColor = argb; }
  DWORD GetDefaultTextColor() const { return m_defaultTextColor; }
  DWORD GetDefaultDisabledColor() const { return m_defaultDisabledColor; }
  DWORD GetDefaultLinkColor() const { return m_defaultLinkColor; }
  // <Default name="Button" value="..."/>: attributes applied to each new control of that element.
  void AddDefaultAttributeList(std::wstring_view element, std::wstring_view list);
  const std::wstring* GetDefaultAttributeList(std::wstring_view element) const;

  // Control tree.
  bool AttachDialog(CControlUI* root);  // takes ownership; lays out and sends "windowinit" soon
  CControlUI* GetRoot() const { return m_root; }
  void InitControls(CControlUI* control, CControlUI* parent = nullptr);
  // A control is going away: forget every reference to it (and to its descendants when subtree).
  void ReapObjects(CControlUI* control, bool subtree = false);
  void NameChanged(CControlUI* control, std::wstring_view oldName);
  CControlUI* FindControl(std::wstring_view name) const;
  template <class T>
  T* FindControl(std::wstring_view name) const { return dynamic_cast<T*>(FindControl(name)); }
  CControlUI* FindControl(POINT pt) const;
  CControlUI* FindSubControlByName(CControlUI* parent, std::wstring_view name) const;

  // Option groups.
  void AddOptionGroup(std::wstring_view group, CControlUI* control);
  const std::vector<CControlUI*>* GetOptionGroup(std::wstring_view group) const;
  void RemoveOptionGroup(std::wstring_view group, CControlUI* control);

  // Focus, hover, capture.
  CControlUI* GetFocus() const { return m_focus; }
  void SetFocus(CControlUI* control);
  bool SetNextTabControl(bool forward = true);
  CControlUI* GetHover() const { return m_hover; }
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const { return m_captured; }
  POINT GetMousePos() const { return m_lastMouse; }

  // Layout and painting.
  void NeedUpdate() { m_needUpdate = true; }
  void Invalidate(const RECT& rc);
  void Invalidate();
  // Lays out the tree now when needed (also done before every paint). "windowinit" is sent
  // after the first layout from the message loop, never from inside this call.
  void UpdateLayout();
  bool IsWindowInitSent() const { return m_windowInitSent; }
  // Draws the whole window into `hdc` (client coordinates), e.g. for a screenshot.
  void PaintTo(HDC hdc);

  // Notifications.
  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void SendNotify(CControlUI* control, std::wstring_view type, WPARAM wParam = 0, LPARAM lParam = 0);
  void SendNotify(TNotifyUI& msg);

  // Timers per control; each tick sends "timer" (wParam = id) from the control.
  bool SetTimer(CControlUI* control, UINT id, UINT elapse);
  bool KillTimer(CControlUI* control, UINT id);
  void KillTimer(CControlUI* control);
  void RemoveAllTimers();

  // Filters.
  void AddPreMessageFilter(IMessageFilterUI* filter);
  void RemovePreMessageFilter(IMessageFilterUI* filter);
  void AddMessageFilter(IMessageFilterUI* filter);
  void RemoveMessageFilter(IMessageFilterUI* filter);
  bool PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The window procedure's part: true when handled (result in `result`).
  bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  struct TimerInfo {
    CControlUI* control;
    UINT id;
    UINT_PTR winId;
  };
  struct FontInfo {
    std::wstring face;
    int size = 12;
    bool bold = false, underline = false, italic = false;
    HFONT font = nullptr;
  };
  void SendWindowInit();
  void LayoutAndInit();
  void EventToControl(CControlUI* control, UiEvent type, WPARAM wParam, LPARAM lParam, POINT pt);
  void UpdateTooltip(CControlUI* control);
  void ApplyRoundCorner();
  void ClearFonts();

  HWND m_hwnd = nullptr;
  HWND m_tooltip = nullptr;
  std::shared_ptr<CSkinSource> m_resource;
  CControlUI* m_root = nullptr;
  CControlUI* m_focus = nullptr;
  CControlUI* m_hover = nullptr;
  CControlUI* m_pushed = nullptr;  // received the button-down
  CControlUI* m_tipControl = nullptr;
  bool m_captured = false;
  bool m_needUpdate = true;
  bool m_windowInitSent = false;
  bool m_mouseTracking = false;
  bool m_firstLayout = true;
  POINT m_lastMouse{};
  SIZE m_initSize{}, m_minInfo{}, m_maxInfo{}, m_roundCorner{};
  RECT m_caption{}, m_sizeBox{};
  DWORD m_defaultTextColor = 0xFF000000, m_defaultDisabledColor = 0xFFA7A6AA, m_defaultLinkColor = 0xFF0000FF;
  std::map<int, FontInfo> m_fonts;
  int m_defaultFontId = -1;
  HFONT m_systemFont = nullptr;
  std::map<std::wstring, HFONT> m_fontVariants;
  std::map<std::wstring, std::wstring, std::less<>> m_defaultAttributes;
  std::multimap<std::wstring, CControlUI*, std::less<>> m_names;
  std::map<std::wstring, std::vector<CControlUI*>, std::less<>> m_optionGroups;
  std::vector<TimerInfo> m_timers;
  UINT_PTR m_nextTimerId = 0x1000;
  std::vector<INotifyUI*> m_notifiers;
  std::vector<IMessageFilterUI*> m_preFilters;
  std::vector<IMessageFilterUI*> m_filters;
};

}  // namespace qm::ui
