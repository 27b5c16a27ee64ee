// The main window "Tessaly": the four-page wizard (what to look for, which medium, the fine type
// choice, the results), the media list with its details, image files and disk imaging. Where a
// button leads, the row texts and the checks of an image destination are decided in app/core;
// this class finds the controls, feeds them the notifications and applies the answers.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/core/found_files_model.h"
#include "app/core/type_choice.h"
#include "app/core/media_rows.h"
#include "app/core/wizard_state.h"
#include "app/list_ex.h"
#include "app/preview_state.h"
#include "app/preview_wnd.h"
#include "app/wnd_shadow.h"
#include "disk/volume_entry.h"
#include "session/scan_driver.h"
#include "ui/win32/window_impl_base.h"

namespace qm::ui {
class CCheckBoxUI;
class CListUI;
class COptionUI;
class CTreeNodeUI;
class CTabLayoutUI;
}  // namespace qm::ui

namespace qm::app {

class CDiskListUI;
class CFileTreeUI;
class CPaginationUI;

// One entry of the media list and what it stands for.
struct MediaSource {
    MediaRowKind kind = MediaRowKind::Entry;
    int diskNumber = -1;            // Disk and Entry
    bool removableDisk = false;
    VolumeEntry entry;              // Entry: the partition, gap or bare disk
    std::wstring imagePath;         // Image and ImagePartition
    uint64_t imageBytes = 0;
    uint16_t imageTag = 0;
    // ImagePartition: where the partition lies in the image file, in 512-byte sectors (entry
    // holds it as the image's table counts it, for its row and details).
    uint64_t imageFirstSector = 0;
    uint64_t imageSectorCount = 0;
    // Image: its partitions when it is a whole-disk image; scanning the image scans them.
    std::vector<std::unique_ptr<MediaSource>> partitions;
    // The engine of this entry's last scan: the results are listed, previewed and recovered
    // through it.
    std::unique_ptr<IFileRecoveryParse> engine;

    bool IsImageFile() const { return kind == MediaRowKind::Image || kind == MediaRowKind::ImagePartition; }
    bool Scannable() const {
        return kind == MediaRowKind::Entry || kind == MediaRowKind::ImagePartition ||
               (kind == MediaRowKind::Image && partitions.empty());
    }
    // The tag the engine writes into its records' driveLetter.
    uint16_t Tag() const { return IsImageFile() ? imageTag : entry.tag; }
};

class CMainWnd : public ui::WindowImplBase, public IPreviewHost {
public:
    static constexpr UINT kMsgScanFinished = WM_USER + 1;
    static constexpr UINT kMsgSearchFinished = WM_USER + 2;
    // wParam: the FileList row whose picture the preview window opens with.
    static constexpr UINT kMsgOpenPreview = WM_USER + 3;
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
    const FoundFilesModel& Found() const { return m_found; }
    // The media list entry selected now, or nullptr.
    const MediaSource* SelectedSource() const;
    // Adds an image file to the media list (as "BtnLoadImage" does after its dialog).
    void AddImageFile(const std::wstring& path);
    // What the search window hands over when it finishes: the results page is built from it.
    void ShowSearchResults(std::vector<ScanRecord> records);

    // The preview pane ("PreviewEdit") for a record of the results: a folder's notice, or the
    // file extracted and shown (text, picture, listing) or played.
    void ShowInPane(const ScanRecord& record);
    // What the last preview in the pane extracted; its temporary file, if any.
    const PreviewState& PaneState() const { return m_paneState; }

    // IPreviewHost
    std::vector<ScanRecord> PreviewListRecords() const override;
    IFileRecoveryParse* PreviewEngineOf(const ScanRecord& record) const override;
    std::wstring AskRecoveryDestination(HWND owner) override;

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
    enum class MediaRefill { Full, Arrival, Removal };
    void FillMediaList(MediaRefill mode);
    // Drops the rows, sources and engines of disks no longer in `entries`.
    void RemoveGoneDisks(const std::vector<VolumeEntry>& entries);
    void SelectSource(const MediaSource* source);
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
    void Recover();

    // Scan, search, results
    std::vector<MediaSource*> SourcesOfSelection(const MediaSource* fallback) const;
    std::vector<MediaSource*> AllScannable() const;
    IFileRecoveryParse* EngineOfTag(uint16_t tag) const;
    void OnScanFinished();
    void OnSearchFinished();
    void BuildTypeTree();
    void ClearResultsView();
    void OnTypeTreeSelect();
    void ShowTypePage(int page);
    void OnFileCheckClick(int rowIndex, bool checked);
    void OnTypeTreeCheck(ui::CControlUI* node, bool checked);
    void OnListAllChecked(bool checked);
    void OnHeaderClick(const std::wstring& header);
    void SyncResultChecks();

    // Preview
    const ScanRecord* RecordOfFileRow(int rowIndex) const;
    void OnFileListSelect(int rowIndex);
    void OnFileListDoubleClick(int rowIndex);
    void OpenPreviewWindow(int rowIndex);
    void ShowPaneOutcome();

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

    // The last scan: its sources (currentSource), mode and fast-scan log folder.
    std::vector<MediaSource*> m_lastScanned;
    bool m_scanStarted = false;
    int m_lastScanMode = kScanModeDeep;
    std::wstring m_lastScanFolder;
    // While a scan or search window is open its finish message waits for the window to close,
    // so that the engines are back in their sources first.
    bool m_scanning = false;
    bool m_searching = false;
    bool m_scanFinishPending = false;
    bool m_searchFinishPending = false;
    std::vector<ScanRecord> m_typeResults;
    FoundFilesModel m_found;
    std::wstring m_destinationFolder;
    std::array<ui::CTreeNodeUI*, kTypeGroupCount> m_groupNodes{};
    std::vector<ui::CTreeNodeUI*> m_typeNodes;  // by type index of m_found
    int m_shownType = -1;
    bool m_syncingResults = false;
    PreviewState m_paneState;
    // A double click arrives while the click's own extraction window is open: the preview window
    // opens once that has closed.
    bool m_paneExtracting = false;
    int m_pendingPreviewRow = -1;

    ui::CTabLayoutUI* m_tabPage = nullptr;
    CFileTreeUI* m_typeTree = nullptr;
    ui::CListUI* m_fileList = nullptr;
    CPaginationUI* m_pagination = nullptr;
    ui::CCheckBoxUI* m_listAllCheck = nullptr;
    CDiskListUI* m_diskList = nullptr;
    ui::CControlUI* m_partitionListBar = nullptr;
    std::array<ui::CCheckBoxUI*, kTypeGroupCount> m_groupChecks{};
    ui::CCheckBoxUI* m_masterCheck = nullptr;
};

}  // namespace qm::app
