// The main window's preview: a click on a file of the results shows it in the pane, a double
// click on a picture opens the preview window.
#include <span>

#include "app/core/language_manager.h"
#include "app/embedded_player.h"
#include "app/main_wnd.h"
#include "app/message_box.h"
#include "app/preview_display.h"
#include "app/preview_process_wnd.h"
#include "app/preview_wnd.h"
#include "platform/text.h"
#include "preview/preview_kind.h"
#include "preview/text_dump.h"
#include "ui/win32/list.h"
#include "ui/win32/rich_edit.h"

namespace qm::app {

const ScanRecord* CMainWnd::RecordOfFileRow(int rowIndex) const {
    if (!m_fileList || rowIndex < 0) return nullptr;
    const ui::CControlUI* row = m_fileList->GetItemAt(rowIndex);
    if (!row) return nullptr;
    const auto index = static_cast<size_t>(row->GetTag());
    return index < m_found.Records().size() ? &m_found.Records()[index] : nullptr;
}

std::vector<ScanRecord> CMainWnd::PreviewListRecords() const {
    std::vector<ScanRecord> records;
    for (int i = 0; m_fileList && i < m_fileList->GetCount(); ++i)
        if (const ScanRecord* record = RecordOfFileRow(i)) records.push_back(*record);
    return records;
}

IFileRecoveryParse* CMainWnd::PreviewEngineOf(const ScanRecord& record) const { return EngineOfTag(record.driveLetter); }

void CMainWnd::OnFileListSelect(int rowIndex) {
    if (const ScanRecord* record = RecordOfFileRow(rowIndex)) ShowInPane(*record);
}

void CMainWnd::ShowInPane(const ScanRecord& record) {
    auto* pane = FindControl<ui::CRichEditUI>(L"PreviewEdit");
    if (record.isFolder) {
        ShowPreviewText(pane, Message(L"MSG0904"));
        return;
    }
    // A copy: the list may be refilled while the extraction window runs its loop.
    const ScanRecord chosen = record;
    m_paneExtracting = true;
    const UINT result = CPreviewProcessWnd::Run(m_hwnd, PreviewEngineOf(chosen), chosen, m_paneState);
    m_paneExtracting = false;
    if (result == CPreviewProcessWnd::kResultDone) ShowPaneOutcome();
    if (m_pendingPreviewRow >= 0) {
        ::PostMessageW(m_hwnd, kMsgOpenPreview, static_cast<WPARAM>(m_pendingPreviewRow), 0);
        m_pendingPreviewRow = -1;
    }
}

void CMainWnd::ShowPaneOutcome() {
    auto* pane = FindControl<ui::CRichEditUI>(L"PreviewEdit");
    PreviewState& state = m_paneState;
    if (state.tempPath.empty()) {
        const size_t count = static_cast<size_t>(state.byteCount);
        ShowPreviewText(pane, preview::TextDump(std::span<const uint8_t>(state.buffer.data(), count)));
        return;
    }
    if (state.media) {
        ShowPreviewText(pane, L"");
        if (state.audio) PlayAudioPreview(m_hwnd, state.tempPath);
        else if (!(state.playbackReported = PlayVideoPreview(state.tempPath)))
            ShowMessageBox(kMessageBoxWarning, m_hwnd, Message(L"MSG1207"), kMessageBoxWidth);
        return;
    }
    if (!state.converter) {
        ShowPreviewPicture(pane, state.tempPath, Message(L"MSG0905"));
        return;
    }
    std::wstring converted;
    const bool ok = state.converter->Convert(state.tempPath, converted) == 0;
    if (ok && state.pdf) ShowPreviewPicture(pane, converted, Message(L"MSG0905"));
    else if (ok) ShowPreviewText(pane, converted);
    else ShowPreviewText(pane, preview::TextDumpOfFile(state.tempPath));
    state.converter.reset();
}

void CMainWnd::OnFileListDoubleClick(int rowIndex) {
    const ScanRecord* record = RecordOfFileRow(rowIndex);
    if (!record || record->isFolder) return;
    if (preview::IsPhotoExtension(platform::fromUtf8(recordExtensionLower(*record))))
        ::PostMessageW(m_hwnd, kMsgOpenPreview, static_cast<WPARAM>(rowIndex), 0);
}

void CMainWnd::OpenPreviewWindow(int rowIndex) {
    if (m_paneExtracting) {
        m_pendingPreviewRow = rowIndex;
        return;
    }
    const ScanRecord* record = RecordOfFileRow(rowIndex);
    if (!record) return;
    CPreviewWnd window(*this, *record, true);
    window.CreatePopup(m_hwnd, CPreviewWnd::kWidth, CPreviewWnd::kHeight);
    window.ShowPopupModal();
}

}  // namespace qm::app
