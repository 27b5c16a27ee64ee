// The main window "Tessaly": the four-page wizard (what to look for, which medium, the fine type
// choice, the results), the media list with its details, image files and disk imaging. Where a
// button leads, the row texts and the checks of an image destination are decided in app/core;
// this class finds the controls, feeds them the notifications and applies the answers.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/core/type_choice.h"
#include "app/core/media_rows.h"
#include "app/core/wizard_state.h"
#include "app/list_ex.h"
#include "app/wnd_shadow.h"
#include "disk/volume_entry.h"
#include "ui/win32/window_impl_base.h"

namespace qm::ui {
class CCheckBoxUI;
class COptionUI;
class CTabLayoutUI;
}  // namespace qm::ui

namespace qm::app {

class CDiskListUI;

// One entry of the media list and what it stands for.
struct MediaSource {
    MediaRowKind kind = MediaRowKind::Entry;
    int diskNumber = -1;            // Disk and Entry
    bool removableDisk = false;
    VolumeEntry entry;              // Entry: the partition, gap or bare disk
    std::wstring imagePath;         // Image
    uint64_t imageBytes = 0;
    uint16_t imageTag = 0;
};

class CMainWnd : public ui::WindowImplBase {
public:
    static constexpr UINT kMsgScanFinished = WM_USER + 1;
    static constexpr UINT kMsgSearchFinished = WM_USER + 2;
    static constexpr UINT kRefreshDelayMs = 5000;
    static constexpr UINT kTimerDeviceArrival = 0;
    static constexpr UINT kTimerDeviceRemoval = 1;

    CMainWnd();
    ~CMainWnd() override;

    const wchar_t* GetWindowClassName() const override { return L"FileRecoveryWnd"; }
    std::wstring GetSkinFile() override;
    std::wstring GetSkinFolder() override;
    ui::UILIB_RESOURCETYPE GetResourceType() const override;
    int GetResourceID() const override;
    ui::CControlUI* CreateControl(std::wstring_view className) override;
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;

    const WizardState& Wizard() const { return m_wizard; }
    const TypeChoice& Choice() const { return m_choice; }
    // The media list entry selected now, or nullptr.
    const MediaSource* SelectedSource() const;
    // Adds an image file to the media list (as "BtnLoadImage" does after its dialog).
    void AddImageFile(const std::wstring& path);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool IsCaptionBlocker(ui::CControlUI* control) const override;
    void OnClick(ui::TNotifyUI& msg) override;

private:
    std::wstring Message(const std::wstring& key) const;
    void OnWindowInit();
    void RegisterDeviceNotifications();
    void ApplyTexts();
    void ApplyPageZeroTexts();

    // Wizard
    void ApplyWizardEffect(const WizardEffect& effect);
    void ShowPage();
    void OnHover(const std::wstring& control);

    // Type choice
    void ReadChoiceGroups();
    void OnTypeCheckChanged(ui::CControlUI* sender, bool checked);
    void SetGroupOptionsTicked(size_t group, bool ticked);
    void SyncTypeChecks();

    // Media list
    void FillMediaList();
    CListExUI::Node* AddMediaRow(const MediaRow& row, CListExUI::Node* parent, MediaSource* source);
    void AddImageRow(MediaSource* source);
    void SetImageEntriesHidden(bool hidden);
    void Preselect();
    void ShowDetails();
    void ClearDetails();
    void OnDiskListDoubleClick(int rowIndex);
    void StartRefreshTimer(UINT id);
    bool OnRefreshTimer(ui::TNotifyUI& msg);
    MediaSource* SourceOfRow(int rowIndex) const;

    // Buttons
    void LoadImage();
    void CreateImage();
    void RequestScan();

    WizardState m_wizard;
    TypeChoice m_choice;
    bool m_syncingChecks = false;
    std::vector<std::unique_ptr<MediaSource>> m_sources;
    std::vector<std::unique_ptr<MediaSource>> m_images;  // kept across refills of the disks
    std::unique_ptr<MediaSource> m_imageRootSource;
    CListExUI::Node* m_imageRoot = nullptr;
    ImageTagCounter m_imageTags;
    std::array<bool, 2> m_refreshPending{};
    std::vector<HDEVNOTIFY> m_deviceNotifications;
    CWndShadow m_shadow;

    ui::CTabLayoutUI* m_tabPage = nullptr;
    CDiskListUI* m_diskList = nullptr;
    ui::CControlUI* m_partitionListBar = nullptr;
    std::array<ui::CCheckBoxUI*, kTypeGroupCount> m_groupChecks{};
    ui::CCheckBoxUI* m_masterCheck = nullptr;
};

}  // namespace qm::app
