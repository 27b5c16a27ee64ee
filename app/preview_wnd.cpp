#include "app/preview_wnd.h"

#include <span>

#include "app/core/photo_navigation.h"
#include "app/picture_component.h"
#include "app/preview_display.h"
#include "app/preview_process_wnd.h"
#include "app/recover_process_wnd.h"
#include "platform/text.h"
#include "preview/preview_kind.h"
#include "preview/text_dump.h"
#include "ui/win32/rich_edit.h"

namespace qm::app {

namespace {
constexpr wchar_t kLanguageSection[] = L"PreviewWnd";
}

CPreviewWnd::CPreviewWnd(IPreviewHost& host, const ScanRecord& record, bool withList)
    : CPopUpWnd(L"PreviewWnd.xml", false), m_host(host), m_pending(record), m_withList(withList) {}

void CPreviewWnd::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(kLanguageSection);
    m_edit = FindControl<ui::CRichEditUI>(L"PreviewEdit");
    AttachPictureComponent(m_hwnd, m_edit);
    if (!m_withList) {
        for (const wchar_t* bar : {L"PrevBar", L"NextBar"})
            if (ui::CControlUI* control = FindControl(bar)) control->SetVisible(false);
    }
    // The window shows first; the extraction's own window then opens over it.
    ::PostMessageW(m_hwnd, kMsgExtract, 0, 0);
}

LRESULT CPreviewWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == kMsgExtract) {
        handled = true;
        Extract();
        return 0;
    }
    if (msg == kMsgShow) {
        handled = true;
        Show();
        return 0;
    }
    return CPopUpWnd::HandleCustomMessage(msg, wParam, lParam, handled);
}

void CPreviewWnd::Extract() {
    if (m_extracting) return;
    m_extracting = true;
    const UINT result = CPreviewProcessWnd::Run(m_hwnd, m_host.PreviewEngineOf(m_pending), m_pending, m_state);
    m_extracting = false;
    if (result == CPreviewProcessWnd::kResultDone) ::PostMessageW(m_hwnd, kMsgShow, 0, 0);
}

void CPreviewWnd::Show() {
    m_current = m_state.record;
    if (ui::CControlUI* name = FindControl(L"FileName")) name->SetText(platform::fromUtf8(recordName(m_state.record)));
    if (!m_state.tempPath.empty()) {
        ShowPreviewPictureOrNotice(m_edit, m_state.tempPath);
    } else {
        const size_t count = static_cast<size_t>(m_state.byteCount);
        ShowPreviewText(m_edit, preview::TextDump(std::span<const uint8_t>(m_state.buffer.data(), count)));
    }
    m_list.clear();
    if (!m_withList) return;
    for (const ScanRecord& record : m_host.PreviewListRecords())
        if (!record.isFolder) m_list.push_back(record);
}

void CPreviewWnd::Step(bool forward) {
    if (m_extracting || m_list.empty()) return;
    std::vector<NavigationEntry> entries;
    entries.reserve(m_list.size());
    for (const ScanRecord& record : m_list)
        entries.push_back({record.fsId, record.recordNo,
                           preview::IsPhotoExtension(platform::fromUtf8(recordExtensionLower(record)))});
    std::optional<NavigationPosition> position;
    if (m_current) position = NavigationPosition{m_current->fsId, m_current->recordNo};
    const int next = NextPhotoIndex(entries, position, forward);
    if (next < 0) return;
    m_pending = m_list[static_cast<size_t>(next)];
    Extract();
}

void CPreviewWnd::RecoverShown() {
    if (!m_current || m_extracting) return;
    const std::wstring folder = m_host.AskRecoveryDestination(m_hwnd);
    IFileRecoveryParse* engine = m_host.PreviewEngineOf(*m_current);
    if (folder.empty() || !engine) return;
    CRecoverProcessWnd window(folder, RecoveryItem{engine, *m_current});
    window.CreatePopup(m_hwnd, CRecoverProcessWnd::kWidthFromPreview, CRecoverProcessWnd::kHeight);
    window.ShowPopupModal();
}

void CPreviewWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"NextBtn") Step(true);
    else if (name == L"PrevBtn") Step(false);
    else if (name == L"RecoveryBtn") RecoverShown();
    else if (name == L"CancelBtn" || name == L"closebtn") Close(kResultCancel);
}

}  // namespace qm::app
