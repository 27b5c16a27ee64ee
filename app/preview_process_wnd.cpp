#include "app/preview_process_wnd.h"

#include <cwchar>

#include "app/message_box.h"
#include "app/module_folder.h"
#include "app/player_processes.h"
#include "platform/text.h"
#include "preview/preview_kind.h"
#include "preview/preview_temp_files.h"
#include "ui/win32/control.h"
#include "ui/win32/progress.h"

namespace qm::app {

namespace {
constexpr wchar_t kLanguageSection[] = L"PreviewProcessWnd";
}

CPreviewProcessWnd::CPreviewProcessWnd(IFileRecoveryParse* engine, const ScanRecord& record, PreviewState& state)
    : CWorkerPopUpWnd(L"PreviewProcessWnd.xml", false), m_engine(engine), m_record(record), m_state(state) {}

CPreviewProcessWnd::~CPreviewProcessWnd() {
    if (m_worker.joinable()) m_worker.join();
}

UINT CPreviewProcessWnd::Run(HWND owner, IFileRecoveryParse* engine, const ScanRecord& record, PreviewState& state) {
    CPreviewProcessWnd window(engine, record, state);
    window.CreatePopup(owner, kWidth, kHeight);
    return window.ShowPopupModal();
}

void CPreviewProcessWnd::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(kLanguageSection);
    if (ui::CControlUI* name = FindControl(L"FileName"))
        name->SetText(m_texts.GetText(L"MSG0902") + L" " + platform::fromUtf8(recordName(m_record)));
    StartRefreshTimer();
    m_worker = std::thread([this] { Extract(); });
}

void CPreviewProcessWnd::Extract() {
    PreviewState& state = m_state;
    state.Reset(m_record);
    state.extension = platform::fromUtf8(recordExtensionLower(m_record));
    switch (preview::ClassifyExtension(state.extension)) {
        case preview::PreviewKind::Audio: state.audio = state.media = true; break;
        case preview::PreviewKind::Video: state.media = true; break;
        case preview::PreviewKind::Document: state.document = true; break;
        default: break;
    }
    // A running player holds the temporary media file open.
    TerminateProcessesByName(kPreviewPlayer, GetModuleFolder());
    TerminateProcessesByName(kPreviewPlayerSecond, GetModuleFolder());
    if (state.media) ::Sleep(kPlayerReleaseMs);
    if (state.document) {
        state.pdf = state.extension == L"pdf";
        state.converter = CreateConverter(state.extension);
    }
    // Every earlier copy goes, not just the last one: they are the user's private files.
    preview::DeletePreviewTempFiles(RememberedPreviewDocuments());

    int rc = 0;
    bool cancelled = false;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        cancelled = m_cancel;
    }
    if (cancelled) {
        rc = CancelCode;
        state.byteCount = 0;
    } else if (m_engine) {
        try {
            rc = m_engine->ExtractItem(&state.record, state.tempPath, state.buffer.data(), state.byteCount, &Progress, this);
        } catch (...) {
            state.tempPath.clear();
            state.byteCount = 0;
        }
        if (state.byteCount > state.buffer.size()) state.byteCount = state.buffer.size();
        if (state.document) RememberPreviewDocument(state.tempPath);
    } else {
        state.byteCount = 0;
    }
    m_result = rc == CancelCode ? kResultStopped : kResultDone;
    m_done = true;
    ::PostMessageW(m_hwnd, kMsgWorkerEnded, 0, 0);
}

int QM_STDCALL CPreviewProcessWnd::Progress(void* userData, int percent, int) {
    auto* self = static_cast<CPreviewProcessWnd*>(userData);
    std::lock_guard<std::mutex> hold(self->m_lock);
    if (self->m_cancel) return CancelCode;
    self->m_percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    return 0;
}

void CPreviewProcessWnd::ShowLatest() {
    const int percent = m_percent;
    if (percent < 0 || percent == m_shownPercent) return;
    m_shownPercent = percent;
    if (auto* bar = FindControl<ui::CProgressUI>(L"progress")) bar->SetValue(percent);
    if (ui::CControlUI* text = FindControl(L"percent")) {
        wchar_t buffer[256];
        std::swprintf(buffer, 256, L"%ls %d%%", m_texts.GetText(L"MSG0901").c_str(), percent);
        text->SetText(buffer);
    }
}

void CPreviewProcessWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"cancelbtn" || name == L"closebtn") AskToStop();
}

void CPreviewProcessWnd::AskToStop() {
    if (m_done || m_asking) return;
    bool stop = false;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_asking = true;
        stop = ShowMessageBox(kMessageBoxQuestion, m_hwnd, m_texts.GetText(L"MSG0903"), kMessageBoxWidth) == 1;
        if (stop) m_cancel = true;
        m_asking = false;
    }
    if (stop) WaitForWorker(m_done);
    if (TakePendingFinish() || stop) Finish();
}

void CPreviewProcessWnd::Finish() {
    TakePendingFinish();
    if (m_worker.joinable()) m_worker.join();
    StopRefreshTimer();
    ShowLatest();
    Close(m_result);
}

}  // namespace qm::app
