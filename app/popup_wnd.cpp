#include "app/popup_wnd.h"

#include <stdexcept>

#include "app/core/language_manager.h"
#include "app/skin_settings.h"
#include "ui/win32/control.h"

namespace qm::app {

CPopUpWnd::CPopUpWnd(std::wstring skinName) : CPopUpWnd(std::move(skinName), true) {}

CPopUpWnd::CPopUpWnd(std::wstring skinName, bool deleteSelf)
    : m_skinName(std::move(skinName)), m_deleteSelf(deleteSelf) {}

const wchar_t* CPopUpWnd::GetWindowClassName() const { return L"UIPopUpWnd"; }

void CPopUpWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    if (m_deleteSelf) Delete();
}

void CPopUpWnd::Delete() { delete this; }

void CPopUpWnd::InitWindow() {}

void CPopUpWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"closebtn" || name == L"cancelbtn") Close(kResultCancel);
    else if (name == L"okbtn") Close(kResultOk);
}

std::wstring CPopUpWnd::GetSkinFolder() { return kSkinFolder; }

std::wstring CPopUpWnd::GetSkinFile() {
    if (m_skinName.empty()) throw std::runtime_error("CPopUpWnd::GetSkinFile");
    return kSkinLayoutFolder + m_skinName;
}

ui::UILIB_RESOURCETYPE CPopUpWnd::GetResourceType() const { return kSkinResourceKind; }

int CPopUpWnd::GetResourceID() const { return kSkinResourceId; }

bool CPopUpWnd::IsCaptionBlocker(ui::CControlUI* control) const {
    if (!control) return false;
    const std::wstring cls = control->GetClass();
    return cls == L"ButtonUI" || cls == L"OptionUI" || cls == L"TextUI" || cls == L"FadeButtonUI";
}

HWND CPopUpWnd::CreatePopup(HWND owner, int width, int height) {
    m_owner = owner;
    HWND hwnd = Create(owner, L"", kStyle, kExStyle, 0, 0, width, height);
    // The skin's own size replaces the requested one while the layout loads; the caller's wins.
    ::SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
    return hwnd;
}

UINT CPopUpWnd::ShowPopupModal() { return ShowModal(); }

void CPopUpWnd::DeleteAfterModal() {
    if (!m_deleteSelf) Delete();
}

void CPopUpWnd::OnWindowInit(ui::TNotifyUI&) {}

void CPopUpWnd::ApplySection(const std::wstring& sectionName) {
    CLanguageManager& languages = CLanguageManager::Instance();
    // A copy: the table may be replaced by a language switch while the window lives.
    const TextTable section = languages.GetSection(sectionName);
    ApplyLanguageSection(section);
}

void CPopUpWnd::Notify(ui::TNotifyUI& msg) {
    if (msg.type == ui::kNotifyWindowInit) OnWindowInit(msg);
    else if (msg.type == ui::kNotifyClick && msg.sender) OnClick(msg);
}

}  // namespace qm::app
