#pragma once
// Shared definitions of the skin-driven control library: notifications, input events, flags.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace qm::ui {

class CControlUI;
class CPaintManagerUI;

// Where a window's skin files come from (values kept from the program's skin settings).
enum UILIB_RESOURCETYPE { UILIB_FILE = 1, UILIB_ZIP = 2, UILIB_RESOURCE = 3, UILIB_ZIPRESOURCE = 4 };

// Notification types sent to INotifyUI listeners (TNotifyUI::type).
inline constexpr wchar_t kNotifyWindowInit[] = L"windowinit";
inline constexpr wchar_t kNotifyClick[] = L"click";
inline constexpr wchar_t kNotifySelectChanged[] = L"selectchanged";
inline constexpr wchar_t kNotifyCheckBoxSelectChanged[] = L"checkboxselectchanged";
inline constexpr wchar_t kNotifyItemSelect[] = L"itemselect";
inline constexpr wchar_t kNotifyItemExpand[] = L"itemexpand";
inline constexpr wchar_t kNotifyItemClick[] = L"itemclick";
inline constexpr wchar_t kNotifyItemDbClick[] = L"itemdbclick";
inline constexpr wchar_t kNotifyListCheckClick[] = L"list_check_click";
inline constexpr wchar_t kNotifyListItemDbClick[] = L"list_item_dbclick";
inline constexpr wchar_t kNotifyUpdatePage[] = L"updatepage";
inline constexpr wchar_t kNotifyHeaderClick[] = L"headerclick";
inline constexpr wchar_t kNotifyOnHot[] = L"onhot";
inline constexpr wchar_t kNotifyOffHot[] = L"offhot";
inline constexpr wchar_t kNotifyTimer[] = L"timer";
inline constexpr wchar_t kNotifyLink[] = L"link";  // a markup link was clicked; lParam = link index

struct TNotifyUI {
  std::wstring type;
  CControlUI* sender = nullptr;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT ptMouse{};
  DWORD timestamp = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees every message of the windows before the window procedure does (pre-translation and
// per-window filters). Return true with *handled set to stop the message.
class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

enum class UiEvent {
  MouseMove, MouseLeave, MouseEnter, MouseHover, ButtonDown, ButtonUp, RButtonDown, DblClick,
  ContextMenu, ScrollWheel, KillFocus, SetFocus, KeyDown, Char, SetCursor, Timer
};

struct TEventUI {
  UiEvent type = UiEvent::MouseMove;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT ptMouse{};
  wchar_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Control flags (GetControlFlags).
inline constexpr UINT UIFLAG_TABSTOP = 0x01;
inline constexpr UINT UIFLAG_SETCURSOR = 0x02;
inline constexpr UINT UIFLAG_WANTRETURN = 0x04;

// FindControl flags.
inline constexpr UINT UIFIND_ALL = 0x0;
inline constexpr UINT UIFIND_VISIBLE = 0x1;
inline constexpr UINT UIFIND_ENABLED = 0x2;
inline constexpr UINT UIFIND_TOP_FIRST = 0x8;   // children before their parent
inline constexpr UINT UIFIND_ME_FIRST = 0x80;   // the parent before its children

// Control state bits (buttons, options, list items).
inline constexpr UINT UISTATE_FOCUSED = 0x01;
inline constexpr UINT UISTATE_SELECTED = 0x02;
inline constexpr UINT UISTATE_DISABLED = 0x04;
inline constexpr UINT UISTATE_HOT = 0x08;
inline constexpr UINT UISTATE_PUSHED = 0x10;
inline constexpr UINT UISTATE_READONLY = 0x20;
inline constexpr UINT UISTATE_CAPTURED = 0x40;

// Visitor for FindControl: return the control to stop the walk with it, nullptr to go on.
using FindControlProc = std::function<CControlUI*(CControlUI* control)>;

}  // namespace qm::ui
