// The preview window: one picture (or the text of a file) at a time, previous/next over the
// pictures of the main window's current list, and recovery of the file shown.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "app/popup_wnd.h"
#include "app/preview_state.h"
#include "engines/file_recovery_parse.h"

namespace qm::ui {
class CRichEditUI;
}

namespace qm::app {

// What the preview window needs of the window that opened it.
class IPreviewHost {
public:
    virtual ~IPreviewHost() = default;
    // The records of the list shown now, in list order.
    virtual std::vector<ScanRecord> PreviewListRecords() const = 0;
    virtual IFileRecoveryParse* PreviewEngineOf(const ScanRecord& record) const = 0;
    // The recovery destination, asked and checked as the main window's Recover does; empty
    // when the user cancelled or the folder was refused.
    virtual std::wstring AskRecoveryDestination(HWND owner) = 0;
};

class CPreviewWnd : public CPopUpWnd {
public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 560;
    // Private messages: extract the record chosen; show what the extraction delivered.
    static constexpr UINT kMsgExtract = WM_APP + 51;
    static constexpr UINT kMsgShow = WM_APP + 52;

    // record: the file to show first; withList false hides Prev and Next.
    CPreviewWnd(IPreviewHost& host, const ScanRecord& record, bool withList);

    const wchar_t* GetWindowClassName() const override { return L"UIPreviewWnd"; }
    void OnWindowInit(ui::TNotifyUI& msg) override;
    void OnClick(ui::TNotifyUI& msg) override;

    const PreviewState& State() const { return m_state; }
    // The record shown now, if any.
    const std::optional<ScanRecord>& Current() const { return m_current; }

protected:
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void Extract();
    void Show();
    void Step(bool forward);
    void RecoverShown();

    IPreviewHost& m_host;
    ScanRecord m_pending;
    bool m_withList;
    std::optional<ScanRecord> m_current;
    std::vector<ScanRecord> m_list;
    PreviewState m_state;
    ui::CRichEditUI* m_edit = nullptr;
    bool m_extracting = false;
};

}  // namespace qm::app
