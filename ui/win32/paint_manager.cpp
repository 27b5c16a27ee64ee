#include "ui/win32/paint_manager.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>

#include "ui/core/skin_values.h"
#include "ui/win32/attribute_utils.h"
#include "ui/win32/gdiplus_session.h"

namespace qm::ui {
namespace {

constexpr UINT kMsgLayoutInit = WM_APP + 0x3A1;  // posted by AttachDialog: first layout + "windowinit"

std::mutex g_globalsMutex;
HINSTANCE g_instance = nullptr;
std::shared_ptr<CSkinSource> g_defaultResource;
std::vector<CPaintManagerUI*> g_managers;

POINT PointFromLParam(LPARAM lp) {
  return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() {
  std::lock_guard<std::mutex> lock(g_globalsMutex);
  g_managers.push_back(this);
}

CPaintManagerUI::~CPaintManagerUI() {
  {
    std::lock_guard<std::mutex> lock(g_globalsMutex);
    g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
  }
  RemoveAllTimers();
  CControlUI* root = m_root;
  m_root = nullptr;
  delete root;
  if (m_tooltip && ::IsWindow(m_tooltip)) ::DestroyWindow(m_tooltip);
  ClearFonts();
}

// ---- process-wide ----

void CPaintManagerUI::SetInstance(HINSTANCE instance) {
  std::lock_guard<std::mutex> lock(g_globalsMutex);
  g_instance = instance;
}

HINSTANCE CPaintManagerUI::GetInstance() {
  std::lock_guard<std::mutex> lock(g_globalsMutex);
  return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}

std::wstring CPaintManagerUI::GetInstancePath() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameW(GetInstance(), path, MAX_PATH);
  std::wstring result(path, n);
  size_t slash = result.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : result.substr(0, slash + 1);
}

bool CPaintManagerUI::SetResourceZip(HINSTANCE module, int id, const wchar_t* type, std::wstring* error) {
  auto source = CSkinSource::FromResource(module ? module : GetInstance(), id, type, error);
  if (!source) return false;
  SetDefaultResource(source);
  return true;
}

void CPaintManagerUI::SetResourceFolder(std::wstring folder) { SetDefaultResource(CSkinSource::FromFolder(std::move(folder))); }

void CPaintManagerUI::SetDefaultResource(std::shared_ptr<CSkinSource> source) {
  std::lock_guard<std::mutex> lock(g_globalsMutex);
  g_defaultResource = std::move(source);
}

std::shared_ptr<CSkinSource> CPaintManagerUI::GetDefaultResource() {
  std::lock_guard<std::mutex> lock(g_globalsMutex);
  return g_defaultResource;
}

bool CPaintManagerUI::TranslateMessage(const MSG* msg) {
  if (!msg || !msg->hwnd) return false;
  std::vector<CPaintManagerUI*> managers;
  {
    std::lock_guard<std::mutex> lock(g_globalsMutex);
    managers = g_managers;
  }
  const bool keyboard = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
  for (CPaintManagerUI* manager : managers) {
    HWND hwnd = manager->m_hwnd;
    if (!hwnd) continue;
    // Keys typed into a hosted child window (an edit box) belong to its skinned window too.
    if (hwnd == msg->hwnd || (keyboard && ::IsChild(hwnd, msg->hwnd))) {
      LRESULT result = 0;
      if (manager->PreMessageHandler(msg->message, msg->wParam, msg->lParam, result)) return true;
    }
  }
  return false;
}

void CPaintManagerUI::Term() {
  CSkinSource::ReleaseShared();
  std::shared_ptr<CSkinSource> dropped;
  {
    std::lock_guard<std::mutex> lock(g_globalsMutex);
    dropped.swap(g_defaultResource);
  }
  if (dropped) dropped->ClearImages();
  ShutdownGdiplus();  // only when the library started it itself
}

// ---- this window ----

void CPaintManagerUI::Init(HWND hwnd) {
  m_hwnd = hwnd;
  if (!m_resource) m_resource = GetDefaultResource();
  if (!m_tooltip && hwnd) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    m_tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                                  GetInstance(), nullptr);
    if (m_tooltip) ::SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
  }
}

CSkinSource* CPaintManagerUI::GetResource() const {
  if (m_resource) return m_resource.get();
  // A manager without its own source reads the process-wide one (kept alive by the globals).
  std::lock_guard<std::mutex> lock(g_globalsMutex);
  return g_defaultResource.get();
}

std::shared_ptr<CSkinSource> CPaintManagerUI::GetResourceShared() const {
  return m_resource ? m_resource : GetDefaultResource();
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  m_initSize = SIZE{cx, cy};
  if (m_hwnd && cx > 0 && cy > 0) {
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

void CPaintManagerUI::SetRoundCorner(int cx, int cy) {
  m_roundCorner = SIZE{cx, cy};
  ApplyRoundCorner();
}

void CPaintManagerUI::SetWindowAttribute(std::wstring_view name, std::wstring_view value) {
  int cx = 0, cy = 0;
  if (name == L"size") {
    if (ParseSize(value, cx, cy)) SetInitSize(ClampSize(cx), ClampSize(cy));
  } else if (name == L"mininfo") {
    if (ParseSize(value, cx, cy)) SetMinInfo(ClampSize(cx), ClampSize(cy));
  } else if (name == L"maxinfo") {
    if (ParseSize(value, cx, cy)) SetMaxInfo(ClampSize(cx), ClampSize(cy));
  } else if (name == L"caption") {
    ReadRect(value, m_caption);
  } else if (name == L"sizebox") {
    ReadRect(value, m_sizeBox);
  } else if (name == L"roundcorner") {
    if (ParseSize(value, cx, cy)) SetRoundCorner(cx, cy);
  } else if (name == L"defaultfontcolor") {
    ReadColor(value, m_defaultTextColor);
  } else if (name == L"disabledfontcolor") {
    ReadColor(value, m_defaultDisabledColor);
  } else if (name == L"linkfontcolor") {
    ReadColor(value, m_defaultLinkColor);
  }
}

void CPaintManagerUI::ApplyRoundCorner() {
  if (!m_hwnd || (m_roundCorner.cx <= 0 && m_roundCorner.cy <= 0)) return;
  RECT rc{};
  ::GetWindowRect(m_hwnd, &rc);
  if (::IsZoomed(m_hwnd)) {
    ::SetWindowRgn(m_hwnd, nullptr, TRUE);
    return;
  }
  HRGN rgn = ::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, m_roundCorner.cx, m_roundCorner.cy);
  ::SetWindowRgn(m_hwnd, rgn, TRUE);  // the window owns the region now
}

void CPaintManagerUI::AddFont(int id, std::wstring_view face, int size, bool bold, bool underline, bool italic,
                              bool isDefault) {
  FontInfo info;
  info.face = face.empty() ? L"Tahoma" : std::wstring(face);
  info.size = size > 0 && size <= 500 ? size : 12;
  info.bold = bold;
  info.underline = underline;
  info.italic = italic;
  info.font = ::CreateFontW(-info.size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, underline, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            info.face.c_str());
  auto found = m_fonts.find(id);
  if (found != m_fonts.end() && found->second.font) ::DeleteObject(found->second.font);
  m_fonts[id] = info;
  if (isDefault || m_defaultFontId < 0) m_defaultFontId = id;
  // Variants derive from the base fonts: rebuild them lazily.
  for (auto& v : m_fontVariants) ::DeleteObject(v.second);
  m_fontVariants.clear();
}

HFONT CPaintManagerUI::GetFont(int id) const {
  auto found = m_fonts.find(id);
  if (found == m_fonts.end()) found = m_fonts.find(m_defaultFontId);
  if (found != m_fonts.end() && found->second.font) return found->second.font;
  return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HFONT CPaintManagerUI::GetFont(int id, bool bold, bool italic, bool underline) {
  if (!bold && !italic && !underline) return GetFont(id);
  auto found = m_fonts.find(id);
  if (found == m_fonts.end()) found = m_fonts.find(m_defaultFontId);
  FontInfo base;
  if (found != m_fonts.end()) base = found->second;
  else base.face = L"Tahoma";
  std::wstring key = std::to_wstring(found != m_fonts.end() ? found->first : -1) + L"|" + (bold ? L"b" : L"") +
                     (italic ? L"i" : L"") + (underline ? L"u" : L"");
  auto variant = m_fontVariants.find(key);
  if (variant != m_fontVariants.end()) return variant->second;
  HFONT font = ::CreateFontW(-base.size, 0, 0, 0, (bold || base.bold) ? FW_BOLD : FW_NORMAL, italic || base.italic,
                             underline || base.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, base.face.c_str());
  if (!font) return GetFont(id);
  m_fontVariants[key] = font;
  return font;
}

void CPaintManagerUI::ClearFonts() {
  for (auto& f : m_fonts) {
    if (f.second.font) ::DeleteObject(f.second.font);
  }
  m_fonts.clear();
  for (auto& v : m_fontVariants) ::DeleteObject(v.second);
  m_fontVariants.clear();
}

void CPaintManagerUI::AddDefaultAttributeList(std::wstring_view element, std::wstring_view list) {
  m_defaultAttributes[std::wstring(element)] = std::wstring(list);
}

const std::wstring* CPaintManagerUI::GetDefaultAttributeList(std::wstring_view element) const {
  auto found = m_defaultAttributes.find(element);
  return found == m_defaultAttributes.end() ? nullptr : &found->second;
}

// ---- control tree ----

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (!root) return false;
  if (m_root && m_root != root) {
    CControlUI* old = m_root;
    m_root = nullptr;
    delete old;
  }
  m_focus = m_hover = m_pushed = m_tipControl = nullptr;
  m_root = root;
  root->SetManager(this, nullptr, true);
  m_needUpdate = true;
  m_windowInitSent = false;
  if (m_hwnd) {
    ::PostMessageW(m_hwnd, kMsgLayoutInit, 0, 0);
    ::InvalidateRect(m_hwnd, nullptr, FALSE);
  }
  return true;
}

void CPaintManagerUI::InitControls(CControlUI* control, CControlUI*) {
  if (!control) return;
  control->FindControl(
      [this](CControlUI* c) -> CControlUI* {
        if (!c->GetName().empty()) {
          auto range = m_names.equal_range(c->GetName());
          bool known = false;
          for (auto it = range.first; it != range.second; ++it) known = known || it->second == c;
          if (!known) m_names.emplace(c->GetName(), c);
        }
        c->Init();
        return nullptr;
      },
      UIFIND_ALL);
}

void CPaintManagerUI::ReapObjects(CControlUI* control, bool subtree) {
  if (!control) return;
  auto reap = [this](CControlUI* c) {
    if (m_focus == c) m_focus = nullptr;
    if (m_hover == c) m_hover = nullptr;
    if (m_pushed == c) m_pushed = nullptr;
    if (m_tipControl == c) {
      m_tipControl = nullptr;
      if (m_tooltip) {
        TOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.hwnd = m_hwnd;
        ti.uId = 1;
        ::SendMessageW(m_tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
      }
    }
    for (auto it = m_names.begin(); it != m_names.end();) {
      if (it->second == c) it = m_names.erase(it);
      else ++it;
    }
    for (auto& group : m_optionGroups) {
      auto& v = group.second;
      v.erase(std::remove(v.begin(), v.end(), c), v.end());
    }
    KillTimer(c);
  };
  if (subtree) {
    control->FindControl([&reap](CControlUI* c) -> CControlUI* { reap(c); return nullptr; }, UIFIND_ALL);
  } else {
    reap(control);
  }
}

void CPaintManagerUI::NameChanged(CControlUI* control, std::wstring_view oldName) {
  auto range = m_names.equal_range(std::wstring(oldName));
  bool known = false;
  for (auto it = range.first; it != range.second;) {
    if (it->second == control) {
      it = m_names.erase(it);
      known = true;
    } else {
      ++it;
    }
  }
  if (known && !control->GetName().empty()) m_names.emplace(control->GetName(), control);
}

CControlUI* CPaintManagerUI::FindControl(std::wstring_view name) const {
  auto found = m_names.find(name);
  return found == m_names.end() ? nullptr : found->second;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const { return m_root ? m_root->FindControlAt(pt) : nullptr; }

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, std::wstring_view name) const {
  if (!parent) return nullptr;
  return parent->FindControl([name](CControlUI* c) { return c->GetName() == name ? c : nullptr; }, UIFIND_ALL);
}

void CPaintManagerUI::AddOptionGroup(std::wstring_view group, CControlUI* control) {
  auto& members = m_optionGroups[std::wstring(group)];
  if (std::find(members.begin(), members.end(), control) == members.end()) members.push_back(control);
}

const std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(std::wstring_view group) const {
  auto found = m_optionGroups.find(group);
  return found == m_optionGroups.end() ? nullptr : &found->second;
}

void CPaintManagerUI::RemoveOptionGroup(std::wstring_view group, CControlUI* control) {
  auto found = m_optionGroups.find(group);
  if (found == m_optionGroups.end()) return;
  auto& v = found->second;
  v.erase(std::remove(v.begin(), v.end(), control), v.end());
  if (v.empty()) m_optionGroups.erase(found);
}

// ---- focus and capture ----

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (m_hwnd && ::GetFocus() != m_hwnd && control) ::SetFocus(m_hwnd);
  if (control == m_focus) return;
  if (m_focus) {
    TEventUI event;
    event.type = UiEvent::KillFocus;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    CControlUI* old = m_focus;
    m_focus = nullptr;
    old->DoEvent(event);
  }
  if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    m_focus = control;
    TEventUI event;
    event.type = UiEvent::SetFocus;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    control->DoEvent(event);
  }
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
  if (!m_root) return false;
  std::vector<CControlUI*> stops;
  m_root->FindControl(
      [&stops](CControlUI* c) -> CControlUI* {
        if ((c->GetControlFlags() & UIFLAG_TABSTOP) && c->IsKeyboardEnabled()) stops.push_back(c);
        return nullptr;
      },
      UIFIND_VISIBLE | UIFIND_ENABLED);
  if (stops.empty()) return false;
  auto it = std::find(stops.begin(), stops.end(), m_focus);
  size_t index = 0;
  if (it == stops.end()) {
    index = forward ? 0 : stops.size() - 1;
  } else {
    size_t cur = static_cast<size_t>(it - stops.begin());
    index = forward ? (cur + 1) % stops.size() : (cur + stops.size() - 1) % stops.size();
  }
  stops[index]->SetFocus();
  return true;
}

void CPaintManagerUI::SetCapture() {
  if (m_hwnd) ::SetCapture(m_hwnd);
  m_captured = true;
}

void CPaintManagerUI::ReleaseCapture() {
  if (m_captured) ::ReleaseCapture();
  m_captured = false;
}

// ---- layout and painting ----

void CPaintManagerUI::Invalidate(const RECT& rc) {
  if (m_hwnd) ::InvalidateRect(m_hwnd, &rc, FALSE);
}

void CPaintManagerUI::Invalidate() {
  if (m_hwnd) ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CPaintManagerUI::UpdateLayout() {
  if (!m_root || !m_hwnd) return;
  RECT client{};
  ::GetClientRect(m_hwnd, &client);
  if (IsEmptyRect(client)) return;
  // Controls may ask for another pass while laying out (a label sizing to its text): bounded.
  for (int pass = 0; pass < 3 && (m_needUpdate || m_root->IsUpdateNeeded()); ++pass) {
    m_needUpdate = false;
    m_root->SetPos(client, true);
  }
  m_needUpdate = false;
}

void CPaintManagerUI::LayoutAndInit() {
  UpdateLayout();
  // Sent even for a window without a size yet: its layout follows when it gets one.
  if (!m_windowInitSent && m_root && m_hwnd) SendWindowInit();
}

void CPaintManagerUI::SendWindowInit() {
  m_windowInitSent = true;
  SendNotify(m_root, kNotifyWindowInit);
}

void CPaintManagerUI::PaintTo(HDC hdc) {
  UpdateLayout();
  if (!m_root || !m_hwnd) return;
  RECT client{};
  ::GetClientRect(m_hwnd, &client);
  m_root->DoPaint(hdc, client);
}

// ---- notifications ----

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (notifier && std::find(m_notifiers.begin(), m_notifiers.end(), notifier) == m_notifiers.end()) {
    m_notifiers.push_back(notifier);
  }
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  m_notifiers.erase(std::remove(m_notifiers.begin(), m_notifiers.end(), notifier), m_notifiers.end());
}

void CPaintManagerUI::SendNotify(CControlUI* control, std::wstring_view type, WPARAM wParam, LPARAM lParam) {
  TNotifyUI msg;
  msg.type = type;
  msg.sender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
  msg.ptMouse = m_lastMouse;
  msg.timestamp = ::GetTickCount();
  if (msg.sender) {
    // Copies: a handler may change the lists (or remove the sender).
    auto handlers = msg.sender->GetNotifyHandlers();
    for (auto& handler : handlers) {
      if (handler && handler(msg)) return;
    }
  }
  auto notifiers = m_notifiers;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) notifier->Notify(msg);
  }
}

// ---- timers ----

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapse) {
  if (!control || !m_hwnd) return false;
  for (auto& t : m_timers) {
    if (t.control == control && t.id == id) return ::SetTimer(m_hwnd, t.winId, elapse, nullptr) != 0;
  }
  UINT_PTR winId = m_nextTimerId++;
  if (!::SetTimer(m_hwnd, winId, elapse, nullptr)) return false;
  m_timers.push_back(TimerInfo{control, id, winId});
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
    if (it->control == control && it->id == id) {
      if (m_hwnd) ::KillTimer(m_hwnd, it->winId);
      m_timers.erase(it);
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    if (it->control == control) {
      if (m_hwnd) ::KillTimer(m_hwnd, it->winId);
      it = m_timers.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::RemoveAllTimers() {
  for (auto& t : m_timers) {
    if (m_hwnd) ::KillTimer(m_hwnd, t.winId);
  }
  m_timers.clear();
}

// ---- filters and messages ----

void CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (std::find(m_preFilters.begin(), m_preFilters.end(), filter) == m_preFilters.end()) m_preFilters.push_back(filter);
}
void CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  m_preFilters.erase(std::remove(m_preFilters.begin(), m_preFilters.end(), filter), m_preFilters.end());
}
void CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end()) m_filters.push_back(filter);
}
void CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
}

bool CPaintManagerUI::PreMessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto filters = m_preFilters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    LRESULT r = filter->MessageHandler(msg, wParam, lParam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  if (msg == WM_KEYDOWN && wParam == VK_TAB) {
    return SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
  }
  return false;
}

void CPaintManagerUI::EventToControl(CControlUI* control, UiEvent type, WPARAM wParam, LPARAM lParam, POINT pt) {
  if (!control) return;
  TEventUI event;
  event.type = type;
  event.sender = control;
  event.wParam = wParam;
  event.lParam = lParam;
  event.ptMouse = pt;
  event.keyState = static_cast<WORD>(wParam);
  event.key = static_cast<wchar_t>(wParam);
  event.timestamp = ::GetTickCount();
  control->DoEvent(event);
}

void CPaintManagerUI::UpdateTooltip(CControlUI* control) {
  if (!m_tooltip) return;
  TOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.hwnd = m_hwnd;
  ti.uId = 1;
  if (m_tipControl) ::SendMessageW(m_tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  m_tipControl = nullptr;
  if (!control || control->GetToolTip().empty()) return;
  static thread_local std::wstring text;
  text = control->GetToolTip();
  ti.uFlags = TTF_SUBCLASS;
  ti.hinst = GetInstance();
  ti.rect = control->GetPos();
  ti.lpszText = text.data();
  ::SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  m_tipControl = control;
}

bool CPaintManagerUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!m_hwnd) return false;
  {
    auto filters = m_filters;
    for (IMessageFilterUI* filter : filters) {
      bool handled = false;
      LRESULT r = filter->MessageHandler(msg, wParam, lParam, handled);
      if (handled) {
        result = r;
        return true;
      }
    }
  }
  switch (msg) {
    case kMsgLayoutInit:
      LayoutAndInit();
      result = 0;
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      result = 0;
      return true;
    case WM_PAINT: {
      LayoutAndInit();
      PAINTSTRUCT ps{};
      HDC hdc = ::BeginPaint(m_hwnd, &ps);
      RECT client{};
      ::GetClientRect(m_hwnd, &client);
      if (!IsEmptyRect(client) && !IsEmptyRect(ps.rcPaint)) {
        HDC mem = ::CreateCompatibleDC(hdc);
        HBITMAP bitmap = ::CreateCompatibleBitmap(hdc, client.right, client.bottom);
        HGDIOBJ old = ::SelectObject(mem, bitmap);
        HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        ::FillRect(mem, &ps.rcPaint, white);
        ::IntersectClipRect(mem, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
        if (m_root) m_root->DoPaint(mem, ps.rcPaint);
        ::BitBlt(hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                 ps.rcPaint.bottom - ps.rcPaint.top, mem, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(mem);
      }
      ::EndPaint(m_hwnd, &ps);
      result = 0;
      return true;
    }
    case WM_SIZE:
      if (m_root) {
        m_needUpdate = true;
        m_root->NeedUpdate();
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
      }
      ApplyRoundCorner();
      return false;
    case WM_TIMER:
      for (const auto& t : m_timers) {
        if (t.winId == wParam) {
          EventToControl(t.control, UiEvent::Timer, t.id, lParam, m_lastMouse);
          result = 0;
          return true;
        }
      }
      return false;
    case WM_MOUSEMOVE: {
      if (!m_mouseTracking) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hwnd, 0};
        ::TrackMouseEvent(&tme);
        m_mouseTracking = true;
      }
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = FindControl(pt);
      if (control != m_hover) {
        CControlUI* old = m_hover;
        m_hover = control;
        if (old) EventToControl(old, UiEvent::MouseLeave, wParam, lParam, pt);
        if (m_hover) EventToControl(m_hover, UiEvent::MouseEnter, wParam, lParam, pt);
        UpdateTooltip(m_hover);
      }
      if (m_pushed) EventToControl(m_pushed, UiEvent::MouseMove, wParam, lParam, pt);
      else if (m_hover) EventToControl(m_hover, UiEvent::MouseMove, wParam, lParam, pt);
      return false;
    }
    case WM_MOUSELEAVE:
      m_mouseTracking = false;
      if (m_hover && !m_pushed) {
        CControlUI* old = m_hover;
        m_hover = nullptr;
        EventToControl(old, UiEvent::MouseLeave, wParam, lParam, m_lastMouse);
        UpdateTooltip(nullptr);
      }
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      ::SetFocus(m_hwnd);
      CControlUI* control = FindControl(pt);
      if (!control || !control->IsEnabled()) return false;
      m_pushed = control;
      SetCapture();
      if (control->GetControlFlags() & UIFLAG_TABSTOP) SetFocus(control);
      EventToControl(control, msg == WM_LBUTTONDOWN ? UiEvent::ButtonDown : UiEvent::DblClick, wParam, lParam, pt);
      return false;
    }
    case WM_LBUTTONUP: {
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = m_pushed;
      m_pushed = nullptr;  // before releasing: WM_CAPTURECHANGED must not cancel this press
      ReleaseCapture();
      if (control) EventToControl(control, UiEvent::ButtonUp, wParam, lParam, pt);
      return false;
    }
    case WM_RBUTTONDOWN: {
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = FindControl(pt);
      if (control && control->IsEnabled()) EventToControl(control, UiEvent::RButtonDown, wParam, lParam, pt);
      return false;
    }
    case WM_CONTEXTMENU: {
      POINT pt = PointFromLParam(lParam);
      ::ScreenToClient(m_hwnd, &pt);
      CControlUI* control = FindControl(pt);
      if (control && control->IsEnabled()) EventToControl(control, UiEvent::ContextMenu, wParam, lParam, pt);
      return false;
    }
    case WM_MOUSEWHEEL: {
      POINT pt = PointFromLParam(lParam);
      ::ScreenToClient(m_hwnd, &pt);
      CControlUI* control = FindControl(pt);
      if (!control) return false;
      EventToControl(control, UiEvent::ScrollWheel, wParam, lParam, pt);
      result = 0;
      return true;
    }
    case WM_KEYDOWN:
      if (m_focus) {
        EventToControl(m_focus, UiEvent::KeyDown, wParam, lParam, m_lastMouse);
        return true;
      }
      return false;
    case WM_CHAR:
      if (m_focus) {
        EventToControl(m_focus, UiEvent::Char, wParam, lParam, m_lastMouse);
        return true;
      }
      return false;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      POINT pt{};
      ::GetCursorPos(&pt);
      ::ScreenToClient(m_hwnd, &pt);
      CControlUI* control = FindControl(pt);
      if (!control || !(control->GetControlFlags() & UIFLAG_SETCURSOR)) return false;
      EventToControl(control, UiEvent::SetCursor, wParam, lParam, pt);
      result = TRUE;
      return true;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      if (m_pushed && reinterpret_cast<HWND>(lParam) != m_hwnd) {
        CControlUI* control = m_pushed;
        m_pushed = nullptr;
        m_captured = false;
        // Let the control drop its pushed look without acting.
        EventToControl(control, UiEvent::ButtonUp, 0, 0, POINT{-10000, -10000});
      }
      return false;
    case WM_DESTROY:
      RemoveAllTimers();
      // The handle may be reused by a later window: this manager no longer answers for it.
      m_hwnd = nullptr;
      m_tooltip = nullptr;  // destroyed with its owner
      return false;
    default:
      return false;
  }
}

}  // namespace qm::ui
