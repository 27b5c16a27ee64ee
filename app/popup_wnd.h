// The base of the program's modal popups (progress, preview and message windows): a skinned
// window created over its owner, centred on it, run in its own modal loop, dragged by its caption
// strip and never resized.
#pragma once
#include <string>

#include "ui/win32/window_impl_base.h"

namespace qm::app {

class CPopUpWnd : public ui::WindowImplBase {
public:
    static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    static constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW;
    static constexpr UINT kResultOk = 1;
    static constexpr UINT kResultCancel = 2;

    // A plain popup of the layout "xml\" + skinName. It must be made with new: it deletes itself
    // when its window is destroyed, so the opener does not touch it after its modal loop.
    explicit CPopUpWnd(std::wstring skinName);
    ~CPopUpWnd() override = default;

    // Window operations, in the order the derived windows rely on.
    const wchar_t* GetWindowClassName() const override;
    void OnFinalMessage(HWND hwnd) override;
    virtual void Delete();
    void InitWindow() override;
    void OnClick(ui::TNotifyUI& msg) override;
    std::wstring GetSkinFolder() override;
    std::wstring GetSkinFile() override;
    ui::UILIB_RESOURCETYPE GetResourceType() const override;
    int GetResourceID() const override;
    bool IsCaptionBlocker(ui::CControlUI* control) const override;
    // Creates the window at 0,0 with the popup styles and the given size, then centres it on owner.
    virtual HWND CreatePopup(HWND owner, int width, int height);
    // Runs the modal loop; the result is the code the window was closed with.
    virtual UINT ShowPopupModal();
    // Deletes a derived window after its modal loop (a plain popup has deleted itself already).
    virtual void DeleteAfterModal();
    virtual void OnWindowInit(ui::TNotifyUI& msg);
    // Sets the text of every control named in the language section.
    virtual void ApplySection(const std::wstring& sectionName);

    void Notify(ui::TNotifyUI& msg) override;
    HWND GetOwner() const { return m_owner; }
    const std::wstring& GetSkinName() const { return m_skinName; }

protected:
    // For derived windows, deleted by their opener.
    CPopUpWnd(std::wstring skinName, bool deleteSelf);
    bool IsResizable() const override { return false; }
    void SetSkinName(std::wstring skinName) { m_skinName = std::move(skinName); }

    HWND m_owner = nullptr;

private:
    std::wstring m_skinName;
    bool m_deleteSelf = false;
};

}  // namespace qm::app
