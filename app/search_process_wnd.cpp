#include "app/search_process_wnd.h"

#include "app/message_box.h"
#include "platform/folders.h"
#include "ui/win32/control.h"
#include "ui/win32/progress.h"

namespace qm::app {

namespace {
constexpr wchar_t kLanguageSection[] = L"SearchProcessWnd";
}

CSearchProcessWnd::CSearchProcessWnd(const std::vector<ScanSource>& sources, std::wstring pattern,
                                     std::vector<ScanRecord>& results)
    : CWorkerPopUpWnd(L"SearchProcessWnd.xml", false), m_sources(sources), m_pattern(std::move(pattern)), m_results(results) {}

CSearchProcessWnd::~CSearchProcessWnd() {
    if (m_worker.joinable()) m_worker.join();
}

const wchar_t* CSearchProcessWnd::GetWindowClassName() const { return L"UISearchProcessWnd"; }

void CSearchProcessWnd::InitWindow() {
    m_cancel = false;
    m_done = false;
}

void CSearchProcessWnd::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(kLanguageSection);
    StartRefreshTimer();
    m_worker = std::thread([this] { RunSearch(); });
}

std::wstring CSearchProcessWnd::StageText(const ScanSource& source) const {
    if (source.isImage) return FormatWithText(m_texts.GetText(L"MSG1203"), platform::fileNameOf(source.imagePath));
    const wchar_t letter = static_cast<wchar_t>(source.driveLetter);
    if ((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z'))
        return FormatWithChar(m_texts.GetText(L"MSG1201"), letter);
    return FormatWithNumber(m_texts.GetText(L"MSG1202"), source.driveLetter);
}

void CSearchProcessWnd::RunSearch() {
    try {
        for (const ScanSource& source : m_sources) {
            if (!source.engine) break;
            {
                std::lock_guard<std::mutex> hold(m_viewLock);
                m_stage = StageText(source);
                m_viewDirty = true;
            }
            source.engine->SetListCallback(&CSearchProcessWnd::OnListProgress, this);
            // The engine clears the list it is given: each source lists apart, then joins the rest.
            std::vector<ScanRecord> found;
            const int rc = source.engine->ListByType(m_pattern, found);
            m_results.insert(m_results.end(), found.begin(), found.end());
            if (rc == CancelCode) break;
        }
    } catch (...) {
        // An engine that throws ends the listing; what was listed before stays.
    }
    m_done = true;
    ::PostMessageW(m_hwnd, kMsgWorkerEnded, 0, 0);
    if (m_owner) ::PostMessageW(m_owner, kMsgSearchFinished, 0, 0);
}

int QM_STDCALL CSearchProcessWnd::OnListProgress(void* user, int percent, int) {
    auto* self = static_cast<CSearchProcessWnd*>(user);
    std::lock_guard<std::mutex> hold(self->m_lock);
    if (self->m_cancel) return CancelCode;
    std::lock_guard<std::mutex> view(self->m_viewLock);
    self->m_percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    self->m_viewDirty = true;
    return 0;
}

void CSearchProcessWnd::ShowLatest() {
    int percent = 0;
    std::wstring stage;
    {
        std::lock_guard<std::mutex> hold(m_viewLock);
        if (!m_viewDirty) return;
        m_viewDirty = false;
        percent = m_percent;
        stage = m_stage;
    }
    if (ui::CControlUI* control = FindControl(L"stage")) control->SetText(stage);
    if (auto* bar = FindControl<ui::CProgressUI>(L"progress")) bar->SetValue(percent);
    if (ui::CControlUI* control = FindControl(L"percent"))
        control->SetText(m_texts.GetText(L"MSG1204") + L" " + std::to_wstring(percent) + L"%");
}

void CSearchProcessWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"cancelbtn" || name == L"closebtn") AskToStop();
}

void CSearchProcessWnd::AskToStop() {
    if (m_done || m_asking) return;
    bool stop = false;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_asking = true;
        stop = ShowMessageBox(kMessageBoxQuestion, m_hwnd, m_texts.GetText(L"MSG1205"), kMessageBoxWidth) == 1;
        if (stop) m_cancel = true;
        m_asking = false;
    }
    if (stop) {
        WaitForWorker(m_done);
        Finish(kResultStopped);
    } else if (TakePendingFinish()) {
        Finish(kResultListed);
    }
}

void CSearchProcessWnd::Finish(UINT result) {
    TakePendingFinish();
    if (m_worker.joinable()) m_worker.join();
    StopRefreshTimer();
    ShowLatest();
    Close(result);
}

}  // namespace qm::app
