#include "app/message_box.h"

#include <mutex>

#include "app/core/language_manager.h"
#include "ui/win32/control.h"

namespace qm::app {

namespace {

struct KindInfo {
    const wchar_t* skin;
    const wchar_t* titleKey;
    // The kind's own button captions: "okbtn" reads "OK" in most boxes but "Yes" in a question,
    // so one section for every box cannot translate it.
    const wchar_t* captionSection;
};

constexpr KindInfo kKinds[] = {
    {L"MessageBox_Error.xml", L"MSG0401", L"MessageBoxError"},
    {L"MessageBox_Confirm.xml", L"MSG0402", L"MessageBoxConfirm"},
    {L"MessageBox_Information.xml", L"MSG0403", L"MessageBoxInformation"},
    {L"MessageBox_Warning.xml", L"MSG0405", L"MessageBoxWarning"},
    {L"MessageBox_Question.xml", L"MSG0404", L"MessageBoxQuestion"},
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
const wchar_t* MessageBoxCaptionSection(int kind) { return InfoOf(kind).captionSection; }

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
    // The kind's captions first; a caption the "MessageBox" section gives stands over them.
    ApplySection(MessageBoxCaptionSection(m_kind));
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
