#include "app/message_box.h"

#include <mutex>

#include "app/core/language_manager.h"
#include "ui/win32/control.h"

namespace qm::app {

namespace {

struct KindInfo {
    const wchar_t* skin;
    const wchar_t* titleKey;
};

constexpr KindInfo kKinds[] = {
    {L"MessageBox_Error.xml", L"MSG0401"},
    {L"MessageBox_Confirm.xml", L"MSG0402"},
    {L"MessageBox_Information.xml", L"MSG0403"},
    {L"MessageBox_Warning.xml", L"MSG0405"},
    {L"MessageBox_Question.xml", L"MSG0404"},
};

const KindInfo& InfoOf(int kind) {
    if (kind < 0 || kind >= static_cast<int>(std::size(kKinds))) return kKinds[kMessageBoxError];
    return kKinds[kind];
}

std::mutex& ObserverLock() {
    static std::mutex lock;
    return lock;
}

MessageBoxObserver& Observer() {
    static MessageBoxObserver observer;
    return observer;
}

}  // namespace

const wchar_t* MessageBoxSkinName(int kind) { return InfoOf(kind).skin; }
const wchar_t* MessageBoxTitleKey(int kind) { return InfoOf(kind).titleKey; }

void SetMessageBoxObserver(MessageBoxObserver observer) {
    std::lock_guard guard(ObserverLock());
    Observer() = std::move(observer);
}

CMessageBox::CMessageBox(int kind)
    : CPopUpWnd(MessageBoxSkinName(kind), false),
      m_kind(kind >= 0 && kind < static_cast<int>(std::size(kKinds)) ? kind : kMessageBoxError) {}

const wchar_t* CMessageBox::GetWindowClassName() const { return L"UIMessageBox"; }

HWND CMessageBox::CreateBox(HWND owner, std::wstring_view text, int width, int height) {
    CLanguageManager& languages = CLanguageManager::Instance();
    const std::wstring title = languages.GetText(L"Messages", MessageBoxTitleKey(m_kind));
    HWND hwnd = CreatePopup(owner, width, height);
    if (ui::CControlUI* label = FindControl(L"title")) label->SetText(title);
    if (ui::CControlUI* message = FindControl(L"message")) message->SetText(text);
    return hwnd;
}

void CMessageBox::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(L"MessageBox");
    MessageBoxObserver observer;
    {
        std::lock_guard guard(ObserverLock());
        observer = Observer();
    }
    if (observer) observer(*this);
}

int ShowMessageBox(int kind, HWND owner, std::wstring_view text, int width) {
    CMessageBox box(kind);
    box.CreateBox(owner, text, width, kMessageBoxHeight);
    const UINT result = box.ShowPopupModal();
    return result == CPopUpWnd::kResultOk ? 1 : 2;
}

}  // namespace qm::app
