#pragma once
// WindowImplBase: a window built from a skin file. Creation builds the control tree (throwing
// "<class>::OnCreate: ..." when the skin cannot be loaded), then InitWindow(); after the first
// layout the window gets "windowinit". Handles caption dragging, sizing borders, min size, round
// corners, and delivers notifications to Notify().
#include <map>
#include <string>

#include "ui/win32/dialog_builder.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/window_wnd.h"

namespace qm::ui {

class WindowImplBase : public CWindowWnd, public INotifyUI, public IDialogBuilderCallback, public IMessageFilterUI {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  CPaintManagerUI& GetPaintManager() { return m_pm; }
  CControlUI* FindControl(std::wstring_view name) const { return m_pm.FindControl(name); }
  template <class T>
  T* FindControl(std::wstring_view name) const { return m_pm.FindControl<T>(name); }

  // Sets each named control's text (tree nodes: their item label). A disabled control is enabled
  // for the change and disabled again; the parent is laid out again.
  void ApplyLanguageSection(const std::map<std::wstring, std::wstring>& section);

  void Notify(TNotifyUI& msg) override;
  CControlUI* CreateControl(std::wstring_view className) override;
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  virtual std::wstring GetSkinFolder() { return L"Skins\\"; }
  virtual std::wstring GetSkinFile() = 0;
  virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_ZIPRESOURCE; }
  virtual int GetResourceID() const { return 101; }
  virtual const wchar_t* GetResourceTypeName() const { return L"ZIPRES"; }
  virtual void InitWindow() {}
  virtual void OnClick(TNotifyUI& msg);
  // True when `control` under the caption area keeps the mouse (no dragging there).
  virtual bool IsCaptionBlocker(CControlUI* control) const;
  // Sizing borders only when true (default: the skin has a sizebox).
  virtual bool IsResizable() const;

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

  CPaintManagerUI m_pm;
};

}  // namespace qm::ui
