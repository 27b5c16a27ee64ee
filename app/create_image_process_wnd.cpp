#include "app/create_image_process_wnd.h"

#include <cstdio>
#include <memory>

#include "app/core/language_manager.h"
#include "app/message_box.h"
#include "disk/format_text.h"
#include "disk/image_copy.h"
#include "disk/image_source.h"
#include "engines/file_recovery_parse.h"
#include "ui/win32/control.h"
#include "ui/win32/progress.h"

namespace qm::app {

namespace {

constexpr wchar_t kLanguageSection[] = L"CreateImageWnd";

std::wstring Join(const std::wstring& label, const std::wstring& value) { return label + L" " + value; }

}  // namespace

CCreateImageProcessWnd::CCreateImageProcessWnd(ImageCopyOrigin origin, std::wstring imagePath)
    : CWorkerPopUpWnd(L"CreateImageProcessWnd.xml", false), m_origin(std::move(origin)), m_imagePath(std::move(imagePath)) {}

CCreateImageProcessWnd::~CCreateImageProcessWnd() {
    if (m_worker.joinable()) m_worker.join();
}

const wchar_t* CCreateImageProcessWnd::GetWindowClassName() const { return L"UICreateImageProcessWnd"; }

void CCreateImageProcessWnd::InitWindow() {
    m_cancel = false;
    m_done = false;
}

std::wstring CCreateImageProcessWnd::Message(const wchar_t* key) const {
    return CLanguageManager::Instance().GetText(L"Messages", key);
}

void CCreateImageProcessWnd::SetControlText(const wchar_t* name, const std::wstring& text) {
    if (ui::CControlUI* control = FindControl(name)) control->SetText(text);
}

void CCreateImageProcessWnd::OnWindowInit(ui::TNotifyUI&) {
    ApplySection(kLanguageSection);
    SetControlText(L"stage", Join(Message(L"MSG0302"), m_imagePath));
    SetControlText(L"time", Message(L"MSG0304"));
    m_worker = std::thread([this] { RunCopy(); });
}

void CCreateImageProcessWnd::RunCopy() {
    ImageCopyJob job;
    job.progress = &CCreateImageProcessWnd::OnProgress;
    auto source = std::make_unique<FileImageSource>();
    int rc = m_origin.imageFile.empty() ? source->OpenDisk(m_origin.diskNumber)
                                        : source->OpenImageFile(m_origin.imageFile);
    if (rc == 0)
        rc = CopySourceToImage(job, std::move(source), m_origin.firstSector, m_origin.sectorCount, m_imagePath, this);
    m_copyResult = rc;
    m_sectorsCopied = job.sectorsCopied;
    m_unreadable = job.unreadableSectors;
    m_done = true;
    ::PostMessageW(m_hwnd, kMsgWorkerEnded, 0, 0);
}

int __stdcall CCreateImageProcessWnd::OnProgress(void* user, int percent, uint32_t doneLow, uint32_t doneHigh,
                                                 uint32_t totalLow, uint32_t totalHigh, int secondsLeft) {
    auto* self = static_cast<CCreateImageProcessWnd*>(user);
    std::lock_guard<std::mutex> hold(self->m_lock);
    if (self->m_cancel) return CancelCode;
    const uint64_t done = doneLow | (static_cast<uint64_t>(doneHigh) << 32);
    const uint64_t total = totalLow | (static_cast<uint64_t>(totalHigh) << 32);
    self->SetControlText(L"percent", Join(self->Message(L"MSG0301"), std::to_wstring(percent) + L"%"));
    if (auto* bar = self->FindControl<ui::CProgressUI>(L"progress")) bar->SetValue(percent);
    self->SetControlText(L"time", secondsLeft < 0 ? self->Message(L"MSG0304")
                                                  : Join(self->Message(L"MSG0305"), FormatDuration(secondsLeft)));
    self->SetControlText(L"sectors",
                         Join(self->Message(L"MSG0303"), std::to_wstring(done) + L" / " + std::to_wstring(total)));
    return 0;
}

void CCreateImageProcessWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"closebtn" || name == L"cancelbtn") AskToStop();
}

void CCreateImageProcessWnd::AskToStop() {
    if (m_done || m_asking) return;
    bool stop = false;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_asking = true;
        stop = ShowMessageBox(kMessageBoxQuestion, m_hwnd, Message(L"MSG0306"), kMessageBoxWidth) == 1;
        if (stop) m_cancel = true;
        m_asking = false;
    }
    if (stop) {
        while (!m_done) ::Sleep(50);
    }
    if (TakePendingFinish() || stop) Finish();
}

void CCreateImageProcessWnd::Finish() {
    TakePendingFinish();
    if (m_worker.joinable()) m_worker.join();
    if (m_unreadable > 0 && m_copyResult != CancelCode) {
        // The copy went on over sectors it could not read; say how many the image lacks.
        wchar_t count[32];
        std::swprintf(count, 32, L"%llu", static_cast<unsigned long long>(m_unreadable));
        std::wstring text = Message(L"MSG0307");
        const std::size_t at = text.find(L"%s");
        if (at != std::wstring::npos) text.replace(at, 2, count);
        SetControlText(L"stage", text);
        ShowMessageBox(kMessageBoxWarning, m_hwnd, text, kMessageBoxWidth);
    }
    if (m_copyResult == CancelCode) Close(kResultStopped);
    else Close(m_copyResult == 0 ? kResultCopied : kResultFailed);
}

}  // namespace qm::app
