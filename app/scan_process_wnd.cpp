#include "app/scan_process_wnd.h"

#include "app/message_box.h"
#include "results/scan_history.h"
#include "ui/win32/control.h"
#include "ui/win32/progress.h"

namespace qm::app {

namespace {
constexpr wchar_t kLanguageSection[] = L"ScanWnd";
}

CScanProcessWnd::CScanProcessWnd(std::vector<ScanSource>& sources, bool deepScan, CScanHistory* history,
                                 CScanDriver::EngineFactory factory)
    : CWorkerPopUpWnd(L"ScanProcessWnd.xml", false),
      m_sources(sources),
      m_deep(deepScan),
      m_history(history ? history : &CScanHistory::Instance()),
      m_factory(std::move(factory)) {}

CScanProcessWnd::~CScanProcessWnd() {
    if (m_worker.joinable()) m_worker.join();
}

const wchar_t* CScanProcessWnd::GetWindowClassName() const { return L"UIScanProcessWnd"; }

void CScanProcessWnd::InitWindow() {
    m_done = false;
    m_result = kResultScanned;
    // Without a sector total the counts stay hidden.
    for (const wchar_t* name : {L"sectors", L"totalfile"})
        if (ui::CControlUI* control = FindControl(name)) control->SetVisible(false);
}

void CScanProcessWnd::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(kLanguageSection);
    m_sink.SetDisplay([this](const ScanProgressView& view) {
        std::lock_guard<std::mutex> hold(m_viewLock);
        m_view = view;
        m_viewDirty = true;
    });
    StartRefreshTimer();
    m_worker = std::thread([this] { RunScan(); });
}

void CScanProcessWnd::RunScan() {
    int result = kResultScanned;
    try {
        CScanDriver driver(m_driverWindow, m_texts, m_history, m_factory);
        result = driver.Run(m_sources, m_deep, &CScanProgressSink::Callback, &m_sink, nullptr);
    } catch (...) {
        // An engine that throws ends the scan like a stop: what was found so far is shown.
        result = kResultScanned;
    }
    m_result = result == kResultNoEngine ? kResultNoEngine : kResultScanned;
    m_done = true;
    // The window's own message first: it shows its last report before the owner moves on.
    ::PostMessageW(m_hwnd, kMsgWorkerEnded, 0, 0);
    if (m_result == kResultScanned && m_owner) ::PostMessageW(m_owner, kMsgScanFinished, 0, 0);
}

void CScanProcessWnd::DriverWindow::SetStageText(const std::wstring& text) {
    std::lock_guard<std::mutex> hold(owner_.m_viewLock);
    owner_.m_stage = text;
    owner_.m_stageDirty = true;
}

void CScanProcessWnd::DriverWindow::SetVisible(bool visible) {
    // Asynchronous: the window thread may be waiting for this worker.
    ::ShowWindowAsync(owner_.m_hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool CScanProcessWnd::DriverWindow::AskYesNo(const std::wstring& question) {
    // Asked on the worker, over the owner, while the scan window is hidden.
    return ShowMessageBox(kMessageBoxQuestion, owner_.m_owner, question, kMessageBoxWidth) == 1;
}

void CScanProcessWnd::ShowLatest() {
    ScanProgressView view;
    std::wstring stage;
    bool viewDirty = false, stageDirty = false;
    {
        std::lock_guard<std::mutex> hold(m_viewLock);
        std::swap(viewDirty, m_viewDirty);
        std::swap(stageDirty, m_stageDirty);
        if (viewDirty) view = m_view;
        if (stageDirty) stage = m_stage;
    }
    if (stageDirty)
        if (ui::CControlUI* control = FindControl(L"stage")) control->SetText(stage);
    if (!viewDirty) return;
    if (auto* bar = FindControl<ui::CProgressUI>(L"progress")) bar->SetValue(view.percent);
    if (ui::CControlUI* control = FindControl(L"time")) control->SetText(view.timeText);
    if (ui::CControlUI* control = FindControl(L"percent")) control->SetText(view.percentText);
    if (ui::CControlUI* control = FindControl(L"sectors")) {
        control->SetText(view.sectorsText);
        control->SetVisible(view.countsVisible);
    }
    if (ui::CControlUI* control = FindControl(L"totalfile")) {
        control->SetText(view.filesText);
        control->SetVisible(view.countsVisible);
    }
}

void CScanProcessWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"cancelbtn" || name == L"closebtn") AskToStop();
}

void CScanProcessWnd::AskToStop() {
    if (m_done || m_asking) return;
    bool stop = false;
    {
        // Held while the question is open: the worker waits in its next progress report.
        std::lock_guard<std::mutex> hold(m_sink.Lock());
        m_asking = true;
        stop = ShowMessageBox(kMessageBoxQuestion, m_hwnd, m_texts.GetText(L"MSG0709"), kMessageBoxWidth) == 1;
        if (stop) m_sink.CancelLocked();
        m_asking = false;
    }
    if (stop) WaitForWorker(m_done);
    if (TakePendingFinish() || stop) Finish();
}

void CScanProcessWnd::Finish() {
    TakePendingFinish();
    if (m_worker.joinable()) m_worker.join();
    StopRefreshTimer();
    ShowLatest();
    Close(static_cast<UINT>(m_result));
}

}  // namespace qm::app
