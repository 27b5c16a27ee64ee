// The disk image window: copies a disk, one stretch of it, or an image file standing in for a
// disk into a new image file on a worker thread, shows its progress, asks before stopping, and
// ends with 1 (copied), 2 (stopped by the user) or 3 (failed).
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "app/worker_popup_wnd.h"

namespace qm::app {

// What is copied: a stretch of a disk (sectorCount 0: to the disk's end), or, when imageFile is
// set, that file read as if it were the disk.
struct ImageCopyOrigin {
    int diskNumber = -1;
    std::wstring imageFile;
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;
};

class CCreateImageProcessWnd : public CWorkerPopUpWnd {
public:
    static constexpr UINT kResultCopied = 1;
    static constexpr UINT kResultStopped = 2;
    static constexpr UINT kResultFailed = 3;
    static constexpr int kWidth = 450;
    static constexpr int kHeight = 250;

    CCreateImageProcessWnd(ImageCopyOrigin origin, std::wstring imagePath);
    ~CCreateImageProcessWnd() override;

    const wchar_t* GetWindowClassName() const override;
    void InitWindow() override;
    void OnWindowInit(ui::TNotifyUI& msg) override;
    void OnClick(ui::TNotifyUI& msg) override;

    // After the modal loop: the copy's result (0, a Windows error or CancelCode) and what it did.
    int CopyResult() const { return m_copyResult; }
    uint64_t SectorsCopied() const { return m_sectorsCopied; }
    uint64_t UnreadableSectors() const { return m_unreadable; }

protected:
    void OnStopRequest() override { AskToStop(); }
    void OnWorkerEnded() override { Finish(); }

private:
    static int __stdcall OnProgress(void* user, int percent, uint32_t doneLow, uint32_t doneHigh, uint32_t totalLow,
                                    uint32_t totalHigh, int secondsLeft);
    void RunCopy();
    void AskToStop();
    void Finish();
    std::wstring Message(const wchar_t* key) const;
    void SetControlText(const wchar_t* name, const std::wstring& text);

    ImageCopyOrigin m_origin;
    std::wstring m_imagePath;
    // Held by the progress display (worker) and by the stop question (window thread): while the
    // question is open the copy waits at its next piece.
    std::mutex m_lock;
    bool m_cancel = false;
    std::atomic<bool> m_done{false};
    int m_copyResult = 0;
    uint64_t m_sectorsCopied = 0;
    uint64_t m_unreadable = 0;
};

}  // namespace qm::app
