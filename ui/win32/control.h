#pragma once
// CControlUI: the base of every skin control. Holds name, text, look (colours, images, border),
// geometry (fixed/min/max sizes, padding, float position), state and the skin attributes.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/win32/ui_defs.h"

namespace qm::ui {

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // GetClass() is "<Element>UI" ("ControlUI", "ButtonUI", ...); GetInterface takes the element
  // name ("Control", "Button", ...) and answers this object, or nullptr.
  virtual std::wstring GetClass() const;
  virtual void* GetInterface(std::wstring_view name);
  virtual UINT GetControlFlags() const;

  const std::wstring& GetName() const { return m_name; }
  void SetName(std::wstring_view name);
  virtual std::wstring GetText() const;
  virtual void SetText(std::wstring_view text);
  const std::wstring& GetToolTip() const { return m_tooltip; }
  virtual void SetToolTip(std::wstring_view text);

  // Visible: own flag and every ancestor visible.
  virtual bool IsVisible() const;
  bool IsOwnVisible() const { return m_visible; }
  virtual void SetVisible(bool visible = true);
  virtual void SetInternVisible(bool visible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled = true);
  bool IsMouseEnabled() const { return m_mouseEnabled; }
  void SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
  bool IsKeyboardEnabled() const { return m_keyboardEnabled; }
  void SetKeyboardEnabled(bool enabled) { m_keyboardEnabled = enabled; }
  virtual bool IsFocused() const;
  virtual void SetFocus();
  bool IsFloat() const { return m_float; }
  void SetFloat(bool isFloat);

  // Look. Colours are ARGB (0xAARRGGBB); 0 = not drawn.
  DWORD GetBkColor() const { return m_bkColor; }
  void SetBkColor(DWORD argb);
  DWORD GetBkColor2() const { return m_bkColor2; }
  void SetBkColor2(DWORD argb);
  DWORD GetBorderColor() const { return m_borderColor; }
  void SetBorderColor(DWORD argb);
  DWORD GetFocusBorderColor() const { return m_focusBorderColor; }
  void SetFocusBorderColor(DWORD argb);
  int GetBorderSize() const { return m_borderSize; }
  void SetBorderSize(int size);
  SIZE GetBorderRound() const { return m_borderRound; }
  void SetBorderRound(SIZE round);
  // Images in the skin attribute syntax.
  const std::wstring& GetBkImage() const { return m_bkImage; }
  void SetBkImage(std::wstring_view image);
  const std::wstring& GetForeImage() const { return m_foreImage; }
  void SetForeImage(std::wstring_view image);
  bool DrawImage(HDC hdc, std::wstring_view image);

  // Program data.
  UINT_PTR GetTag() const { return m_tag; }
  void SetTag(UINT_PTR tag) { m_tag = tag; }
  const std::wstring& GetUserData() const { return m_userData; }
  void SetUserData(std::wstring_view data) { m_userData = data; }
  const std::wstring& GetCursorName() const { return m_cursor; }

  // Geometry (client coordinates of the window).
  const RECT& GetPos() const { return m_rcItem; }
  virtual void SetPos(RECT rc, bool needInvalidate = true);
  int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
  int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
  const RECT& GetPadding() const { return m_rcPadding; }
  void SetPadding(RECT padding);
  int GetFixedWidth() const { return m_fixedWidth; }
  void SetFixedWidth(int cx);
  int GetFixedHeight() const { return m_fixedHeight; }
  void SetFixedHeight(int cy);
  int GetMinWidth() const { return m_minWidth; }
  void SetMinWidth(int cx);
  int GetMaxWidth() const { return m_maxWidth; }
  void SetMaxWidth(int cx);
  int GetMinHeight() const { return m_minHeight; }
  void SetMinHeight(int cy);
  int GetMaxHeight() const { return m_maxHeight; }
  void SetMaxHeight(int cy);
  const RECT& GetFloatPos() const { return m_rcFloat; }
  void SetFloatPos(RECT pos);
  virtual SIZE EstimateSize(SIZE available);

  // Tree.
  CPaintManagerUI* GetManager() const { return m_manager; }
  CControlUI* GetParent() const { return m_parent; }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
  // Walks this control (and children for containers) according to UIFIND_* flags.
  virtual CControlUI* FindControl(const FindControlProc& proc, UINT flags);
  // The topmost visible, mouse-enabled control under `pt` (this or a descendant), or nullptr.
  virtual CControlUI* FindControlAt(POINT pt);

  // Layout and repaint requests.
  void Invalidate();
  bool IsUpdateNeeded() const { return m_updateNeeded; }
  void NeedUpdate();
  void NeedParentUpdate();

  virtual bool Activate();  // false when disabled/hidden
  virtual void Init();      // once, when the control joins a window
  virtual void DoInit() {}
  virtual void DoEvent(TEventUI& event);
  // Skin attributes; unknown names are ignored.
  virtual void SetAttribute(std::wstring_view name, std::wstring_view value);
  // A list as in <Default value="..."> or the tree's itemattr: name="value" name2="value2".
  void ApplyAttributeList(std::wstring_view list);

  virtual void DoPaint(HDC hdc, const RECT& paint);
  virtual void PaintBkColor(HDC hdc);
  virtual void PaintBkImage(HDC hdc);
  virtual void PaintStatusImage(HDC hdc);
  virtual void PaintText(HDC hdc);
  virtual void PaintBorder(HDC hdc);
  virtual void PaintForeImage(HDC hdc);

  // Handlers of this control's notifications, called before the window's listeners.
  // A handler returning true consumes the notification (the window does not see it).
  void AddNotifyHandler(std::function<bool(TNotifyUI&)> handler);
  const std::vector<std::function<bool(TNotifyUI&)>>& GetNotifyHandlers() const { return m_notifyHandlers; }
  // Expires when the control is deleted: code that sends notifications checks it before
  // touching the control again (a listener may have removed it).
  std::weak_ptr<void> Lifetime() const { return m_lifetime; }

 protected:
  CPaintManagerUI* m_manager = nullptr;
  CControlUI* m_parent = nullptr;
  std::wstring m_name;
  std::wstring m_text;
  std::wstring m_tooltip;
  std::wstring m_userData;
  std::wstring m_cursor;
  UINT_PTR m_tag = 0;
  bool m_updateNeeded = true;
  bool m_visible = true;
  bool m_internVisible = true;
  bool m_enabled = true;
  bool m_mouseEnabled = true;
  bool m_keyboardEnabled = true;
  bool m_focused = false;
  bool m_float = false;
  bool m_initialized = false;
  RECT m_rcItem{};
  RECT m_rcPaint{};
  RECT m_rcPadding{};
  RECT m_rcFloat{};
  int m_fixedWidth = 0, m_fixedHeight = 0;
  int m_minWidth = 0, m_minHeight = 0, m_maxWidth = 9999, m_maxHeight = 9999;
  DWORD m_bkColor = 0, m_bkColor2 = 0, m_borderColor = 0, m_focusBorderColor = 0;
  int m_borderSize = 0;
  SIZE m_borderRound{};
  std::wstring m_bkImage;
  std::wstring m_foreImage;
  std::vector<std::function<bool(TNotifyUI&)>> m_notifyHandlers;
  std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

}  // namespace qm::ui
