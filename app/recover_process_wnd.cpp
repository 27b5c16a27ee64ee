#include "app/recover_process_wnd.h"

#include <shellapi.h>

#include "app/message_box.h"
#include "ui/win32/control.h"
#include "ui/win32/list.h"
#include "ui/win32/list_label_element.h"
#include "ui/win32/progress.h"

namespace qm::app {

namespace {

constexpr wchar_t kLanguageSection[] = L"RecoverProcessWnd";

std::wstring InFailureColour(const std::wstring& text) { return L"{c #FFFF0000}" + text + L"{/c}"; }

}  // namespace

CRecoverProcessWnd::CRecoverProcessWnd(std::wstring destinationFolder, std::vector<RecoveryItem> items)
    : CWorkerPopUpWnd(L"RecoverProcessWnd.xml", false),
      m_items(std::move(items)),
      m_oneRecord(false),
      m_destination(std::move(destinationFolder)) {}

CRecoverProcessWnd::CRecoverProcessWnd(std::wstring destinationFolder, RecoveryItem item)
    : CWorkerPopUpWnd(L"RecoverProcessWnd.xml", false),
      m_items{item},
      m_oneRecord(true),
      m_destination(std::move(destinationFolder)) {}

CRecoverProcessWnd::~CRecoverProcessWnd() {
    if (m_worker.joinable()) m_worker.join();
}

const wchar_t* CRecoverProcessWnd::GetWindowClassName() const { return L"UIRecoverProcessWnd"; }

void CRecoverProcessWnd::InitWindow() {
    m_done = false;
    if (ui::CControlUI* finish = FindControl(L"FinishBtn")) finish->SetVisible(false);
    if (ui::CControlUI* list = FindControl(L"DetailList")) list->SetVisible(false);
}

void CRecoverProcessWnd::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(kLanguageSection);
    RECT rc{};
    ::GetWindowRect(m_hwnd, &rc);
    m_skinSize = {rc.right - rc.left, rc.bottom - rc.top};
    m_job.SetDisplay([this](const RecoveryView& view) {
        std::lock_guard<std::mutex> hold(m_viewLock);
        m_view = view;
        m_viewDirty = true;
    });
    StartRefreshTimer();
    m_worker = std::thread([this] { RunRecovery(); });
}

void CRecoverProcessWnd::RunRecovery() {
    try {
        if (m_oneRecord) m_job.RunOne(m_items.front());
        else m_job.RunMany(m_items);
    } catch (...) {
        // The job already counts a throwing engine as a failed item; anything else ends the work.
    }
    m_done = true;
    ::PostMessageW(m_hwnd, kMsgWorkerEnded, 0, 0);
}

void CRecoverProcessWnd::ShowLatest() {
    RecoveryView view;
    {
        std::lock_guard<std::mutex> hold(m_viewLock);
        if (!m_viewDirty) return;
        m_viewDirty = false;
        view = m_view;
    }
    if (auto* bar = FindControl<ui::CProgressUI>(L"progress")) bar->SetValue(view.percent);
    if (ui::CControlUI* control = FindControl(L"current")) control->SetText(view.current);
    if (ui::CControlUI* control = FindControl(L"percent")) control->SetText(view.percentText);
    if (ui::CControlUI* control = FindControl(L"recovered")) control->SetText(view.countsText);
}

void CRecoverProcessWnd::AddDetailRow(const RecoveryDetailRow& row, int index) {
    auto* list = FindControl<ui::CListUI>(L"DetailList");
    if (!list) return;
    auto* element = new ui::CListLabelElementUI();
    const bool failure = row.error != 0;
    element->SetColumnText(0, failure ? InFailureColour(row.path) : row.path);
    element->SetColumnText(1, failure ? InFailureColour(row.status) : row.status);
    if (index < 0) list->Add(element);
    else list->AddAt(element, index);
}

void CRecoverProcessWnd::SyncDetailRows(bool rebuild) {
    // The question holds the job's lock on this very thread while it is open.
    if (m_asking) return;
    std::lock_guard<std::mutex> hold(m_job.Lock());
    const auto& rows = m_job.details();
    const size_t failures = static_cast<size_t>(m_job.failed());
    if (rebuild) {
        if (auto* list = FindControl<ui::CListUI>(L"DetailList")) list->RemoveAll();
        m_shownFailures = m_shownOthers = 0;
    }
    // New failures are the newest, at the head of the rows; each goes to the top of the list.
    for (size_t i = failures - m_shownFailures; i-- > 0;) AddDetailRow(rows[i], 0);
    m_shownFailures = failures;
    for (size_t i = failures + m_shownOthers; i < rows.size(); ++i) AddDetailRow(rows[i], -1);
    m_shownOthers = rows.size() - failures;
}

bool CRecoverProcessWnd::WorkDone() const {
    const ui::CControlUI* finish = FindControl(L"FinishBtn");
    return finish && finish->IsVisible();
}

void CRecoverProcessWnd::ShowFinished() {
    if (m_worker.joinable()) m_worker.join();
    StopRefreshTimer();
    ShowLatest();
    SyncDetailRows(true);
    if (ui::CControlUI* finish = FindControl(L"FinishBtn")) finish->SetVisible(true);
    if (ui::CControlUI* cancel = FindControl(L"CancelBtn")) cancel->SetVisible(false);
}

void CRecoverProcessWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"OpenBtn") {
        ::ShellExecuteW(m_hwnd, L"open", m_destination.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else if (name == L"FinishBtn") {
        Close(kResultFinished);
    } else if (name == L"DetailBtn") {
        ToggleDetail();
    } else if (name == L"CancelBtn" || name == L"closebtn") {
        OnStopRequest();
    }
}

void CRecoverProcessWnd::OnStopRequest() {
    if (WorkDone()) Close(kResultFinished);
    else AskToStop();
}

void CRecoverProcessWnd::OnRefresh() {
    ShowLatest();
    SyncDetailRows(false);
}

void CRecoverProcessWnd::ToggleDetail() {
    m_detailShown = !m_detailShown;
    const int width = m_skinSize.cx + (m_detailShown ? kDetailExtraWidth : 0);
    const int height = m_skinSize.cy + (m_detailShown ? kDetailExtraHeight : 0);
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (ui::CControlUI* list = FindControl(L"DetailList")) list->SetVisible(m_detailShown);
}

void CRecoverProcessWnd::AskToStop() {
    if (m_asking) return;
    bool stop = false;
    {
        std::lock_guard<std::mutex> hold(m_job.Lock());
        m_asking = true;
        stop = ShowMessageBox(kMessageBoxQuestion, m_hwnd, m_texts.GetText(L"MSG1103"), kMessageBoxWidth) == 1;
        if (stop && !m_done) m_job.RequestCancelLocked();
        m_asking = false;
    }
    if (stop) {
        WaitForWorker(m_done);
        if (m_worker.joinable()) m_worker.join();
        Close(kResultStopped);
    } else if (TakePendingFinish()) {
        ShowFinished();
    }
}

}  // namespace qm::app
