#include "app/main_wnd.h"

#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <set>

#include "app/assist_menu.h"
#include "app/core/image_destination_check.h"
#include "app/core/language_manager.h"
#include "app/create_image_process_wnd.h"
#include "app/custom_controls.h"
#include "app/disk_list.h"
#include "app/file_dialogs.h"
#include "app/file_tree.h"
#include "app/message_box.h"
#include "app/pagination.h"
#include "app/picture_component.h"
#include "app/recover_process_wnd.h"
#include "app/scan_process_wnd.h"
#include "app/search_process_wnd.h"
#include "app/skin_settings.h"
#include "disk/destination_check.h"
#include "disk/image_source.h"
#include "disk/volume_list.h"
#include "platform/file.h"
#include "results/scan_history.h"
#include "ui/win32/check_box.h"
#include "ui/win32/container.h"
#include "ui/win32/list.h"
#include "ui/win32/list_element.h"
#include "ui/win32/list_header_item.h"
#include "ui/win32/list_label_element.h"
#include "ui/win32/option.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/rich_edit.h"
#include "ui/win32/tab_layout.h"
#include "ui/win32/tree_node.h"

namespace qm::app {

namespace {

constexpr wchar_t kMainSection[] = L"MainWnd";
constexpr const wchar_t* kDetailLabels[6] = {L"Label1", L"Label2", L"Label3", L"Label4", L"Label5", L"Label6"};

// Page-0 texts: (control, MSG key).
constexpr std::pair<const wchar_t*, const wchar_t*> kPageZeroTexts[] = {
    {L"AllDes", L"MSG1212"},      {L"PhotoDes", L"MSG1213"},     {L"MusicDes", L"MSG1214"},
    {L"DocumentDes", L"MSG1215"}, {L"VideoDes", L"MSG1216"},     {L"ArchiveDes", L"MSG1217"},
    {L"OthersDes", L"MSG1218"},   {L"BtnStart", L"MSG1219"},     {L"AllTitle", L"MSG1220"},
    {L"PhotoTitle", L"MSG1221"},  {L"MusicTitle", L"MSG1222"},   {L"DocumentTitle", L"MSG1223"},
    {L"VideoTitle", L"MSG1224"},  {L"ArchiveTitle", L"MSG1225"}, {L"OthersTitle", L"MSG1226"},
};

// Device classes whose arrival or removal may change the media list.
const GUID kWatchedDeviceClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},  // USB devices
    {0x53F5630D, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},  // volumes
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},  // disks
    {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}},  // HID
    {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}},  // network adapters
};

void ForEachDescendant(ui::CControlUI* control, const std::function<void(ui::CControlUI*)>& visit) {
    auto* container = static_cast<ui::CContainerUI*>(control ? control->GetInterface(L"Container") : nullptr);
    if (!container) return;
    for (int i = 0; i < container->GetCount(); ++i) {
        ui::CControlUI* child = container->GetItemAt(i);
        visit(child);
        ForEachDescendant(child, visit);
    }
}

// The file system holding a path and its free space (nullopt when unknown).
ImageDestination DescribeDestination(const std::wstring& path) {
    ImageDestination destination;
    destination.path = path;
    wchar_t root[MAX_PATH] = {};
    if (!::GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return destination;
    wchar_t fsName[MAX_PATH] = {};
    if (::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, fsName, MAX_PATH))
        destination.fileSystem = fsName;
    ULARGE_INTEGER freeToCaller{};
    if (::GetDiskFreeSpaceExW(root, &freeToCaller, nullptr, nullptr)) destination.freeBytes = freeToCaller.QuadPart;
    return destination;
}

uint64_t FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t DiskBytes(int diskNumber) {
    FileImageSource disk;
    uint32_t sectorSize = 0;
    uint64_t sectors = 0;
    if (disk.OpenDisk(diskNumber) != 0 || disk.Describe(sectorSize, sectors) != 0) return 0;
    return sectors * sectorSize;
}

// The scan and search windows work on a list of sources: the entries' own sources are moved in
// and, with the engines the windows made, moved back once the window has closed.
ScanSource TakeScanSource(MediaSource& source) {
    ScanSource scan;
    scan.isImage = source.kind == MediaRowKind::Image;
    scan.diskNumber = source.diskNumber;
    scan.firstSector = source.entry.start;
    scan.sectorCount = source.entry.length;
    scan.driveLetter = source.entry.tag;
    scan.imagePath = source.imagePath;
    scan.sourceTag = source.imageTag;
    scan.engine = std::move(source.engine);
    return scan;
}

std::vector<ScanSource> TakeScanSources(const std::vector<MediaSource*>& sources) {
    std::vector<ScanSource> scans;
    for (MediaSource* source : sources) scans.push_back(TakeScanSource(*source));
    return scans;
}

void GiveBackEngines(const std::vector<MediaSource*>& sources, std::vector<ScanSource>& scans) {
    for (size_t i = 0; i < sources.size() && i < scans.size(); ++i) sources[i]->engine = std::move(scans[i].engine);
}

constexpr wchar_t kRecoveryFolderTitle[] = L"Select location for recovery";

}  // namespace

CMainWnd::CMainWnd() = default;

CMainWnd::~CMainWnd() = default;

std::wstring CMainWnd::GetSkinFile() { return std::wstring(kSkinLayoutFolder) + L"skin.xml"; }
std::wstring CMainWnd::GetSkinFolder() { return kSkinFolder; }
ui::UILIB_RESOURCETYPE CMainWnd::GetResourceType() const { return kSkinResourceKind; }
int CMainWnd::GetResourceID() const { return kSkinResourceId; }

ui::CControlUI* CMainWnd::CreateControl(std::wstring_view className) { return CreateCustomControl(className); }

std::wstring CMainWnd::Message(const std::wstring& key) const {
    return CLanguageManager::Instance().GetText(L"Messages", key);
}

void CMainWnd::InitWindow() {
    m_tabPage = FindControl<ui::CTabLayoutUI>(L"TabPage");
    m_diskList = FindControl<CDiskListUI>(L"DiskList");
    m_partitionListBar = FindControl(L"PartitionListBar");
    m_typeTree = FindControl<CFileTreeUI>(L"TypeTree");
    m_fileList = FindControl<ui::CListUI>(L"FileList");
    m_pagination = FindControl<CPaginationUI>(L"FileListPagination");
    m_listAllCheck = FindControl<ui::CCheckBoxUI>(L"ChkAllListSel");
    for (size_t g = 0; g < kTypeGroupCount; ++g) m_groupNodes[g] = FindControl<ui::CTreeNodeUI>(kGroupNodes[g]);
    m_masterCheck = FindControl<ui::CCheckBoxUI>(kMasterCheckbox);
    for (size_t i = 0; i < kTypeGroupCount; ++i) m_groupChecks[i] = FindControl<ui::CCheckBoxUI>(kGroupCheckboxes[i]);
    if (m_partitionListBar)
        m_partitionListBar->AddNotifyHandler([this](ui::TNotifyUI& msg) { return OnRefreshTimer(msg); });
    if (CWndShadow::Initialize(ui::CPaintManagerUI::GetInstance())) m_shadow.Create(m_hwnd);
}

void CMainWnd::OnWindowInit() {
    AttachPictureComponent(m_hwnd, FindControl<ui::CRichEditUI>(L"PreviewEdit"));
    RegisterDeviceNotifications();
    ApplyTexts();
    ReadChoiceGroups();
    for (size_t g = 0; g < kTypeGroupCount; ++g) SetGroupOptionsTicked(g, true);
    SyncTypeChecks();
    FillMediaList(MediaRefill::Full);
    m_wizard = WizardState{};
    ShowPage();
}

void CMainWnd::RegisterDeviceNotifications() {
    for (const GUID& deviceClass : kWatchedDeviceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = deviceClass;
        HDEVNOTIFY handle = ::RegisterDeviceNotificationW(m_hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!handle) break;
        m_deviceNotifications.push_back(handle);
    }
}

void CMainWnd::ApplyTexts() {
    CLanguageManager& languages = CLanguageManager::Instance();
    const TextTable section = languages.GetSection(kMainSection);
    ApplyLanguageSection(section);
    if (ui::CControlUI* name = FindControl(L"LblProductName")) name->SetText(Message(L"MSG1209"));
    ApplyPageZeroTexts();
}

void CMainWnd::ApplyPageZeroTexts() {
    for (const auto& [control, key] : kPageZeroTexts) {
        if (ui::CControlUI* c = FindControl(control)) c->SetText(Message(key));
    }
}

// ---- Notifications ----

void CMainWnd::Notify(ui::TNotifyUI& msg) {
    const std::wstring name = msg.sender ? msg.sender->GetName() : std::wstring();
    if (msg.type == ui::kNotifyWindowInit) {
        OnWindowInit();
    } else if (msg.type == L"selectchanged") {
        if (name == L"TabScan" || name == L"TabFileType" || name == L"TabRecover") {
            if (msg.wParam) {
                ui::CControlUI* scan = FindControl(L"BtnScan");
                ApplyWizardEffect(OnWizardControl(m_wizard, name, scan && scan->IsEnabled()));
            }
        } else if (msg.sender == m_listAllCheck) {
            OnListAllChecked(msg.wParam != 0);
        } else {
            OnTypeCheckChanged(msg.sender, msg.wParam != 0);
        }
    } else if (msg.type == L"checkboxselectchanged") {
        OnTypeTreeCheck(msg.sender, msg.wParam != 0);
    } else if (msg.type == L"itemselect") {
        if (msg.sender == m_diskList) ShowDetails();
        else if (msg.sender == m_typeTree) OnTypeTreeSelect();
    } else if (msg.type == L"list_check_click") {
        if (msg.sender == m_fileList) OnFileCheckClick(static_cast<int>(msg.wParam), msg.lParam != 0);
    } else if (msg.type == L"updatepage") {
        ShowTypePage(static_cast<int>(msg.wParam));
    } else if (msg.type == ui::kNotifyHeaderClick) {
        OnHeaderClick(name);
    } else if (msg.type == L"list_item_dbclick") {
        if (msg.sender == m_diskList) OnDiskListDoubleClick(static_cast<int>(msg.wParam));
    } else if (msg.type == L"onhot") {
        OnHover(name);
    } else if (msg.type == ui::kNotifyClick && msg.sender) {
        OnClick(msg);
    }
}

void CMainWnd::OnClick(ui::TNotifyUI& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"BtnAssist") {
        ShowAssistMenu(m_hwnd, msg.sender);
    } else if (name == L"BtnScan") {
        RequestScan();
    } else if (name == L"BtnRecover") {
        Recover();
    } else if (name == L"BtnLoadImage") {
        LoadImage();
    } else if (name == L"BtnCreateImage") {
        CreateImage();
    } else if (name == L"BtnAdvanceScan") {
        // nothing: kept for skins that place it
    } else if (name == L"TabScan" || name == L"TabFileType" || name == L"TabRecover") {
        // handled on "selectchanged"
    } else {
        ui::CControlUI* scan = FindControl(L"BtnScan");
        const WizardEffect effect = OnWizardControl(m_wizard, name, scan && scan->IsEnabled());
        if (effect.handled) ApplyWizardEffect(effect);
        else WindowImplBase::OnClick(msg);
    }
}

// ---- Wizard ----

void CMainWnd::ApplyWizardEffect(const WizardEffect& effect) {
    if (effect.imageEntries != ImageEntries::Keep) SetImageEntriesHidden(effect.imageEntries == ImageEntries::Hide);
    if (!effect.selectTab.empty()) {
        if (auto* tab = FindControl<ui::COptionUI>(effect.selectTab)) tab->Selected(true, false);
    }
    if (effect.pageChanged) ShowPage();
    if (effect.askForMedium)
        ShowMessageBox(kMessageBoxInformation, m_hwnd, kSelectMediumText, kMessageBoxWidth);
}

void CMainWnd::ShowPage() {
    const PageView view = PageViewOf(m_wizard);
    for (const ControlVisibility& v : view.visibility) {
        if (ui::CControlUI* c = FindControl(v.control)) c->SetVisible(v.visible);
    }
    if (ui::CControlUI* banner = FindControl(L"ToolBar2"); banner && !view.bannerImage.empty())
        banner->SetBkImage(view.bannerImage);
    if (ui::CControlUI* logo = FindControl(L"ToolBar2Logo"); logo && !view.logoImage.empty())
        logo->SetBkImage(view.logoImage);
    if (ui::CControlUI* txt1 = FindControl(L"Txt1")) {
        if (!view.txt1Color.empty()) txt1->SetAttribute(L"textcolor", view.txt1Color);
        if (!view.txt1Key.empty()) txt1->SetText(Message(view.txt1Key));
    }
    if (ui::CControlUI* txt2 = FindControl(L"Txt2"); txt2 && !view.txt2Key.empty()) {
        const std::wstring text = Message(view.txt2Key);
        txt2->SetText(view.txt2TakesFoundCount ? FoundCountText(text, m_found.FileCount()) : text);
    }
    if (ui::CControlUI* tabScan = FindControl(L"TabScan")) {
        if (!view.tabScanKey.empty()) tabScan->SetText(Message(view.tabScanKey));
        if (!view.tabScanIcon.empty()) tabScan->SetAttribute(L"foreimage", view.tabScanIcon);
    }
    // The media page offers opening image files in the scan modes, creating one in image mode.
    if (ui::CControlUI* load = FindControl(L"BtnLoadImage")) load->SetVisible(!m_wizard.imageCreationMode);
    if (ui::CControlUI* create = FindControl(L"BtnCreateImage")) create->SetVisible(m_wizard.imageCreationMode);
    if (ui::CControlUI* fileTypes = FindControl(L"TabFileType")) fileTypes->SetVisible(!m_wizard.imageCreationMode);
    if (m_tabPage) m_tabPage->SelectItem(m_wizard.page);
}

void CMainWnd::OnHover(const std::wstring& control) {
    const std::wstring key = HoverTextKey(control);
    if (key.empty()) return;
    if (ui::CControlUI* info = FindControl(L"TxtMainInfo")) info->SetText(Message(key));
}

// ---- Type choice ----

void CMainWnd::ReadChoiceGroups() {
    ChoiceGroups groups;
    for (size_t g = 0; g < kTypeGroupCount; ++g) {
        ForEachDescendant(FindControl(kFileTypeGroups[g]), [&](ui::CControlUI* control) {
            if (control->GetUserData().empty() || !control->GetInterface(L"Option")) return;
            groups[g].push_back(ChoiceOption{control, control->GetText(), control->GetUserData()});
        });
    }
    m_choice.Reset(std::move(groups));
}

void CMainWnd::OnTypeCheckChanged(ui::CControlUI* sender, bool checked) {
    if (m_syncingChecks || !sender) return;
    const std::wstring& name = sender->GetName();
    if (name == kMasterCheckbox) {
        m_choice.SetAllChecked(checked);
        for (size_t g = 0; g < kTypeGroupCount; ++g) SetGroupOptionsTicked(g, checked);
    } else if (const int group = GroupIndexOfCheckbox(name); group >= 0) {
        m_choice.SetGroupChecked(name, checked);
        SetGroupOptionsTicked(static_cast<size_t>(group), checked);
    } else if (!sender->GetUserData().empty()) {
        m_choice.SetOptionChecked(sender, checked);
    } else {
        return;
    }
    SyncTypeChecks();
}

// A page-0 group box ticks or clears every option of its group on page 2.
void CMainWnd::SetGroupOptionsTicked(size_t group, bool ticked) {
    m_syncingChecks = true;
    for (const ChoiceOption& option : m_choice.Groups()[group]) {
        auto* control = static_cast<ui::CControlUI*>(const_cast<void*>(option.id));
        if (auto* box = static_cast<ui::COptionUI*>(control->GetInterface(L"Option")); box && box->IsSelected() != ticked)
            box->Selected(ticked, false);
    }
    m_syncingChecks = false;
}

// The page-0 boxes, the master box and "BtnStart" as the choice stands.
void CMainWnd::SyncTypeChecks() {
    m_syncingChecks = true;
    for (size_t g = 0; g < kTypeGroupCount; ++g) {
        const bool groupChecked = m_choice.IsGroupChecked(static_cast<int>(g));
        if (m_groupChecks[g] && m_groupChecks[g]->GetCheck() != groupChecked) m_groupChecks[g]->SetCheck(groupChecked, false);
    }
    if (m_masterCheck) {
        const CheckState master = m_choice.MasterState();
        m_masterCheck->SetCheck(master == CheckState::Checked, false);
        m_masterCheck->SetHalfCheck(master == CheckState::HalfChecked);
    }
    if (ui::CControlUI* start = FindControl(L"BtnStart")) start->SetEnabled(m_choice.StartEnabled());
    m_syncingChecks = false;
}

// ---- Media list ----

MediaSource* CMainWnd::SourceOfRow(int rowIndex) const {
    if (!m_diskList || rowIndex < 0) return nullptr;
    CListExUI::Node* node = m_diskList->NodeOfRow(m_diskList->GetItemAt(rowIndex));
    return node ? static_cast<MediaSource*>(node->data) : nullptr;
}

const MediaSource* CMainWnd::SelectedSource() const {
    return m_diskList ? SourceOfRow(m_diskList->GetCurSel()) : nullptr;
}

CListExUI::Node* CMainWnd::AddMediaRow(const MediaRow& row, CListExUI::Node* parent, MediaSource* source) {
    CListExUI::Node* node = m_diskList->AddDiskNode(row.columns[0], row.icon, parent, source);
    if (!node) return nullptr;
    if (row.height > 0) node->row->SetFixedHeight(row.height);
    node->row->SetColumnText(1, row.columns[1]);
    node->row->SetColumnText(2, row.columns[2]);
    return node;
}

void CMainWnd::FillMediaList(MediaRefill mode) {
    if (!m_diskList) return;
    VolumeList volumes;
    std::vector<VolumeEntry> entries;
    if (volumes.Refresh()) volumes.CopyAll(entries);
    if (mode == MediaRefill::Full) {
        m_diskList->RemoveAllNodes();
        std::erase_if(m_lastScanned, [](const MediaSource* source) { return source->kind != MediaRowKind::Image; });
        m_sources.clear();
        m_imageRoot = nullptr;
        ClearDetails();
    } else if (mode == MediaRefill::Removal) {
        const MediaSource* selected = SelectedSource();
        RemoveGoneDisks(entries);
        if (selected && !SelectedSource()) SelectSource(selected);  // compared, never read: it may be gone
        if (!SelectedSource()) ClearDetails();
        return;
    }
    const MediaSource* selected = mode == MediaRefill::Arrival ? SelectedSource() : nullptr;
    // After an arrival only disks not listed yet are added; the others keep their rows, their
    // selection and the engines of their scans.
    std::set<int> listed;
    for (const auto& source : m_sources)
        if (source->kind == MediaRowKind::Disk) listed.insert(source->diskNumber);
    if (m_imageRoot) {
        // Image files stay last: their rows are laid out again after the new disks.
        m_diskList->RemoveNode(m_imageRoot);
        m_imageRoot = nullptr;
    }
    MediaSource* arrived = nullptr;
    int listedDisk = -1;
    CListExUI::Node* diskNode = nullptr;
    bool removable = false;
    for (const VolumeEntry& entry : entries) {
        if (listed.count(entry.diskNumber)) continue;
        if (entry.diskNumber != listedDisk) {
            listedDisk = entry.diskNumber;
            removable = volumes.IsRemovableDisk(listedDisk) == 1;
            auto disk = std::make_unique<MediaSource>();
            disk->kind = MediaRowKind::Disk;
            disk->diskNumber = listedDisk;
            disk->removableDisk = removable;
            diskNode = AddMediaRow(DiskRow(Message(DiskRowMessageKey(removable)), listedDisk, removable), nullptr,
                                   disk.get());
            m_sources.push_back(std::move(disk));
        }
        auto source = std::make_unique<MediaSource>();
        source->kind = MediaRowKind::Entry;
        source->diskNumber = entry.diskNumber;
        source->removableDisk = removable;
        source->entry = entry;
        AddMediaRow(EntryRow(entry, removable), diskNode, source.get());
        if (!arrived && removable) arrived = source.get();
        m_sources.push_back(std::move(source));
    }
    for (const auto& image : m_images) AddImageRow(image.get());
    SetImageEntriesHidden(m_wizard.imageCreationMode);
    if (mode == MediaRefill::Full) {
        Preselect();
    } else if (arrived && !m_scanning) {
        // A card or stick just plugged in is what the user wants to scan.
        SelectSource(arrived);
    } else if (selected) {
        SelectSource(selected);
    }
}

void CMainWnd::RemoveGoneDisks(const std::vector<VolumeEntry>& entries) {
    std::set<int> present;
    for (const VolumeEntry& entry : entries) present.insert(entry.diskNumber);
    std::set<int> gone;
    for (int i = m_diskList->GetCount() - 1; i >= 0; --i) {
        const MediaSource* source = SourceOfRow(i);
        if (!source || source->kind != MediaRowKind::Disk || present.count(source->diskNumber)) continue;
        gone.insert(source->diskNumber);
        m_diskList->RemoveNode(m_diskList->NodeOfRow(m_diskList->GetItemAt(i)));
    }
    if (gone.empty()) return;
    auto isGone = [&](const MediaSource* source) {
        return source->kind != MediaRowKind::Image && source->kind != MediaRowKind::ImageRoot &&
               gone.count(source->diskNumber) != 0;
    };
    std::erase_if(m_lastScanned, isGone);
    std::erase_if(m_sources, [&](const std::unique_ptr<MediaSource>& source) { return isGone(source.get()); });
}

void CMainWnd::SelectSource(const MediaSource* wanted) {
    for (int i = 0; i < m_diskList->GetCount(); ++i) {
        if (SourceOfRow(i) == wanted) {
            m_diskList->SelectItem(i);
            return;
        }
    }
}

void CMainWnd::AddImageRow(MediaSource* source) {
    if (!m_imageRoot) {
        if (!m_imageRootSource) {
            m_imageRootSource = std::make_unique<MediaSource>();
            m_imageRootSource->kind = MediaRowKind::ImageRoot;
        }
        m_imageRoot = AddMediaRow(ImageRootRow(), nullptr, m_imageRootSource.get());
    }
    AddMediaRow(ImageRow(source->imagePath, source->imageBytes), m_imageRoot, source);
}

void CMainWnd::AddImageFile(const std::wstring& path) {
    auto image = std::make_unique<MediaSource>();
    image->kind = MediaRowKind::Image;
    image->imagePath = path;
    image->imageBytes = FileBytes(path);
    image->imageTag = m_imageTags.Next();
    AddImageRow(image.get());
    m_images.push_back(std::move(image));
}

void CMainWnd::SetImageEntriesHidden(bool hidden) {
    if (m_imageRoot) m_diskList->SetNodeHidden(m_imageRoot, hidden);
}

void CMainWnd::Preselect() {
    std::vector<MediaListRow> rows;
    for (int i = 0; i < m_diskList->GetCount(); ++i) {
        const MediaSource* source = SourceOfRow(i);
        MediaListRow row;
        row.kind = source ? source->kind : MediaRowKind::Entry;
        row.onRemovableDisk = source && source->removableDisk;
        row.hidden = m_wizard.imageCreationMode && source &&
                     (source->kind == MediaRowKind::Image || source->kind == MediaRowKind::ImageRoot);
        rows.push_back(row);
    }
    const int preselected = PreselectedRow(rows);
    if (preselected >= 0) m_diskList->SelectItem(preselected);
}

void CMainWnd::ClearDetails() {
    for (const wchar_t* label : kDetailLabels) {
        if (ui::CControlUI* c = FindControl(label)) c->SetText(L"");
    }
}

void CMainWnd::ShowDetails() {
    const MediaSource* source = SelectedSource();
    if (!source || source->kind == MediaRowKind::Disk || source->kind == MediaRowKind::ImageRoot) return;
    m_wizard.mediumSelected = true;
    const MessageText messages = [this](const std::wstring& key) { return Message(key); };
    const MediumDetails details = source->kind == MediaRowKind::Image
                                      ? ImageDetails(source->imagePath, source->imageBytes, messages)
                                      : EntryDetails(source->entry, messages);
    for (int i = 0; i < 6; ++i) {
        if (ui::CControlUI* c = FindControl(kDetailLabels[i])) c->SetText(details.labels[i]);
    }
}

void CMainWnd::OnDiskListDoubleClick(int rowIndex) {
    const MediaSource* source = SourceOfRow(rowIndex);
    if (!source) return;
    if (source->kind == MediaRowKind::Disk || source->kind == MediaRowKind::ImageRoot) {
        CListExUI::Node* node = m_diskList->NodeOfRow(m_diskList->GetItemAt(rowIndex));
        m_diskList->SetExpanded(node, !m_diskList->IsExpanded(node));
    } else if (!m_wizard.imageCreationMode) {
        RequestScan();
    }
}

void CMainWnd::StartRefreshTimer(UINT id) {
    // Further changes of the same kind within the delay are covered by the one refresh.
    if (!m_partitionListBar || m_refreshPending[id]) return;
    m_refreshPending[id] = m_pm.SetTimer(m_partitionListBar, id, kRefreshDelayMs);
}

bool CMainWnd::OnRefreshTimer(ui::TNotifyUI& msg) {
    if (msg.type != L"timer") return false;
    const UINT id = static_cast<UINT>(msg.wParam);
    if (id > kTimerDeviceRemoval) return false;
    m_pm.KillTimer(m_partitionListBar, id);
    m_refreshPending[id] = false;
    FillMediaList(id == kTimerDeviceArrival ? MediaRefill::Arrival : MediaRefill::Removal);
    return true;
}

// ---- Buttons ----

void CMainWnd::RequestScan() {
    const std::wstring refusal = OnScanRequested(m_wizard, m_diskList && m_diskList->GetCurSel() >= 0);
    if (!refusal.empty()) {
        ShowMessageBox(kMessageBoxInformation, m_hwnd, Message(refusal), kMessageBoxWidth);
        return;
    }
    const std::vector<MediaSource*> sources = SourcesOfSelection(nullptr);
    if (sources.empty()) return;
    if (m_scanStarted) {
        for (MediaSource* previous : m_lastScanned) previous->engine.reset();
        if (m_lastScanMode == kScanModeFast && !m_lastScanFolder.empty())
            CScanHistory::Instance().RemoveFolder(m_lastScanFolder);
    }
    m_scanStarted = true;
    m_lastScanned = sources;
    std::vector<ScanSource> scans = TakeScanSources(sources);
    UINT result = 0;
    m_scanning = true;
    {
        CScanProcessWnd window(scans, m_wizard.scanMode == kScanModeDeep);
        window.CreatePopup(m_hwnd, CScanProcessWnd::kWidth, CScanProcessWnd::kHeight);
        result = window.ShowPopupModal();
    }
    m_scanning = false;
    GiveBackEngines(sources, scans);
    m_lastScanMode = m_wizard.scanMode;
    m_lastScanFolder.clear();
    if (m_lastScanMode == kScanModeFast) CScanHistory::Instance().CurrentFolder(m_lastScanFolder);
    if (result == CScanProcessWnd::kResultNoEngine)
        ShowMessageBox(kMessageBoxWarning, m_hwnd, Message(L"MSG0504"), kMessageBoxWidth);
    if (m_scanFinishPending) {
        m_scanFinishPending = false;
        OnScanFinished();
    }
}

// The scannable sources of the selected entry (its own, or its children's in list order); with
// nothing selected, fallback's.
std::vector<MediaSource*> CMainWnd::SourcesOfSelection(const MediaSource* fallback) const {
    std::vector<MediaSource*> sources;
    CListExUI::Node* node = nullptr;
    if (m_diskList && m_diskList->GetCurSel() >= 0) node = m_diskList->NodeOfRow(m_diskList->GetItemAt(m_diskList->GetCurSel()));
    if (!node) {
        if (fallback) sources.push_back(const_cast<MediaSource*>(fallback));
        return sources;
    }
    const std::vector<CListExUI::Node*> children = m_diskList->ChildrenOf(node);
    if (children.empty()) {
        auto* own = static_cast<MediaSource*>(node->data);
        if (own && own->Scannable()) sources.push_back(own);
    }
    for (CListExUI::Node* child : children) {
        auto* source = static_cast<MediaSource*>(child->data);
        if (source && source->Scannable()) sources.push_back(source);
    }
    return sources;
}

std::vector<MediaSource*> CMainWnd::AllScannable() const {
    std::vector<MediaSource*> all;
    for (const auto& source : m_sources)
        if (source->Scannable()) all.push_back(source.get());
    for (const auto& image : m_images) all.push_back(image.get());
    return all;
}

// A record belongs to the source whose tag it carries (the main window numbers images apart
// from drive letters and partition numbers).
IFileRecoveryParse* CMainWnd::EngineOfTag(uint16_t tag) const {
    for (MediaSource* source : AllScannable())
        if (source->engine && source->Tag() == tag) return source->engine.get();
    return nullptr;
}

// ---- After the scan: the search, then the results ----

void CMainWnd::OnScanFinished() {
    const std::vector<MediaSource*> all = AllScannable();
    const auto scanned = std::find_if(all.begin(), all.end(), [](const MediaSource* s) { return s->engine != nullptr; });
    if (scanned == all.end()) return;
    m_found.Clear();
    m_typeResults.clear();
    ClearResultsView();
    SyncResultChecks();
    std::vector<MediaSource*> sources = SourcesOfSelection(*scanned);
    std::erase_if(sources, [](const MediaSource* s) { return s->engine == nullptr; });
    if (sources.empty()) return;
    std::vector<ScanSource> scans = TakeScanSources(sources);
    m_searching = true;
    {
        CSearchProcessWnd window(scans, m_choice.SearchPattern(), m_typeResults);
        window.CreatePopup(m_hwnd, CSearchProcessWnd::kWidth, CSearchProcessWnd::kHeight);
        window.ShowPopupModal();
    }
    m_searching = false;
    GiveBackEngines(sources, scans);
    if (m_searchFinishPending) {
        m_searchFinishPending = false;
        OnSearchFinished();
    }
}

void CMainWnd::OnSearchFinished() {
    ClearResultsView();
    if (auto* preview = FindControl(L"PreviewEdit")) preview->SetText(L"");
    auto* otherFiles = FindControl<ui::COptionUI>(kOtherFilesOption);
    m_found.SetResults(std::move(m_typeResults), m_choice.OptionIndex(), otherFiles && otherFiles->IsSelected());
    m_typeResults = {};
    BuildTypeTree();
    SyncResultChecks();
    if (ui::CControlUI* tab = FindControl(L"TabRecover")) tab->SetEnabled(true);
    ApplyWizardEffect(qm::OnSearchFinished(m_wizard));
}

void CMainWnd::ShowSearchResults(std::vector<ScanRecord> records) {
    m_typeResults = std::move(records);
    OnSearchFinished();
}

void CMainWnd::ClearResultsView() {
    m_shownType = -1;
    if (m_fileList) m_fileList->RemoveAll();
    if (m_pagination) {
        m_pagination->SetPageCount(0);
        m_pagination->SetCurrentPage(1);
    }
}

void CMainWnd::BuildTypeTree() {
    for (ui::CTreeNodeUI* node : m_typeNodes) {
        if (node && node->GetParentNode()) node->GetParentNode()->RemoveChildNode(node);
    }
    m_typeNodes.assign(m_found.Types().size(), nullptr);
    for (size_t g = 0; g < kTypeGroupCount; ++g) {
        ui::CTreeNodeUI* groupNode = m_groupNodes[g];
        if (!groupNode) continue;
        const GroupNode& group = m_found.Groups()[g];
        groupNode->SetVisible(false);
        groupNode->SetCheckBoxSelected(false);
        groupNode->SetHalfChecked(false);
        groupNode->SetItemText(Message(kGroupNodeKeys[g]));
        if (!group.visible) continue;
        for (size_t t : group.types) {
            auto* node = new ui::CTreeNodeUI();
            node->SetAttribute(L"visiblefolderbtn", L"false");
            node->SetCheckBoxVisible(true);
            node->SetItemText(m_found.Types()[t].text);
            node->SetTag(t);
            groupNode->AddChildNode(node);
            m_typeNodes[t] = node;
        }
        groupNode->SetItemText(m_found.GroupText(g, Message(kGroupNodeKeys[g])));
        groupNode->SetVisible(true);
        groupNode->SetExpanded(true);
    }
    if (m_typeTree) m_typeTree->NeedUpdate();
}

void CMainWnd::OnTypeTreeSelect() {
    ClearResultsView();
    if (!m_typeTree || m_typeTree->GetCurSel() < 0) return;
    ui::CControlUI* row = m_typeTree->GetItemAt(m_typeTree->GetCurSel());
    const auto found = std::find(m_typeNodes.begin(), m_typeNodes.end(), row);
    if (found == m_typeNodes.end()) return;  // a group node lists nothing
    m_shownType = static_cast<int>(found - m_typeNodes.begin());
    if (m_pagination) {
        m_pagination->SetPageCount(static_cast<int>(m_found.PageCount(static_cast<size_t>(m_shownType))));
        m_pagination->SetCurrentPage(1);
    }
    ShowTypePage(1);
    SyncResultChecks();
}

void CMainWnd::ShowTypePage(int page) {
    if (!m_fileList) return;
    m_fileList->RemoveAll();
    if (m_shownType < 0) return;
    const TypeNode& type = m_found.Types()[static_cast<size_t>(m_shownType)];
    for (const FileRow& fileRow : m_found.PageRows(static_cast<size_t>(m_shownType), page)) {
        auto* row = new ui::CListLabelElementUI();
        m_fileList->Add(row);
        row->SetTag(fileRow.record);
        row->SetCheckImages(kRowCheckImage, kRowCheckedImage);
        row->SetCheck(fileRow.checked);
        for (size_t c = 0; c < kFileColumnCount; ++c) {
            std::wstring text = fileRow.columns[c];
            if (c == 0) text = L"{i " + (fileRow.icon.empty() ? type.icon : fileRow.icon) + L" 1 0}{x 4}" + text;
            row->SetColumnText(static_cast<int>(c) + 1, text);
        }
    }
}

void CMainWnd::OnFileCheckClick(int rowIndex, bool checked) {
    if (!m_fileList) return;
    ui::CControlUI* row = m_fileList->GetItemAt(rowIndex);
    if (!row) return;
    m_found.SetRecordChecked(static_cast<RecordIndex>(row->GetTag()), checked);
    SyncResultChecks();
}

void CMainWnd::OnListAllChecked(bool checked) {
    if (m_syncingResults || m_shownType < 0) return;
    m_found.SetTypeChecked(static_cast<size_t>(m_shownType), checked);
    SyncResultChecks();
}

void CMainWnd::OnTypeTreeCheck(ui::CControlUI* node, bool checked) {
    if (m_syncingResults || !node) return;
    const auto group = std::find(m_groupNodes.begin(), m_groupNodes.end(), node);
    if (group != m_groupNodes.end()) {
        m_found.SetGroupChecked(static_cast<size_t>(group - m_groupNodes.begin()), checked);
    } else {
        const auto type = std::find(m_typeNodes.begin(), m_typeNodes.end(), node);
        if (type == m_typeNodes.end()) return;
        m_found.SetTypeChecked(static_cast<size_t>(type - m_typeNodes.begin()), checked);
    }
    SyncResultChecks();
}

void CMainWnd::OnHeaderClick(const std::wstring& header) {
    FileColumn column{};
    if (!FileColumnOfHeader(header, column) || m_shownType < 0) return;
    m_found.SortBy(static_cast<size_t>(m_shownType), column);
    const auto images = m_found.HeaderImages();
    for (size_t i = 0; i < kFileColumnCount; ++i) {
        if (ui::CControlUI* item = FindControl(kFileListHeaders[i])) item->SetAttribute(L"normalimage", images[i]);
    }
    if (m_pagination) m_pagination->SetCurrentPage(1);
    ShowTypePage(1);
}

// The row checks, "ChkAllListSel", the tree's checkboxes, the summary and "BtnRecover" as the
// model stands.
void CMainWnd::SyncResultChecks() {
    m_syncingResults = true;
    auto apply = [](ui::CTreeNodeUI* node, app::CheckState state) {
        if (!node) return;
        node->SetCheckBoxSelected(state == app::CheckState::Checked);
        node->SetHalfChecked(state == app::CheckState::HalfChecked);
    };
    for (size_t t = 0; t < m_typeNodes.size(); ++t) apply(m_typeNodes[t], m_found.TypeCheckState(t));
    for (size_t g = 0; g < kTypeGroupCount; ++g)
        if (m_found.Groups()[g].visible) apply(m_groupNodes[g], m_found.GroupCheckState(g));
    if (m_fileList) {
        for (int i = 0; i < m_fileList->GetCount(); ++i) {
            auto* row = static_cast<ui::CListElementUI*>(m_fileList->GetItemAt(i));
            const bool checked = m_found.IsChecked(static_cast<RecordIndex>(row->GetTag()));
            if (row->GetCheck() != checked) row->SetCheck(checked);
        }
        m_fileList->Invalidate();
    }
    if (m_listAllCheck) {
        const app::CheckState state =
            m_shownType >= 0 ? m_found.TypeCheckState(static_cast<size_t>(m_shownType)) : app::CheckState::Unchecked;
        m_listAllCheck->SetCheck(state == app::CheckState::Checked, false);
        m_listAllCheck->SetHalfCheck(state == app::CheckState::HalfChecked);
    }
    const SelectionSummary summary = m_found.Summary();
    if (ui::CControlUI* info = FindControl(L"SelectedFileInfo")) info->SetText(SummaryText(summary, Message(summary.messageKey)));
    if (ui::CControlUI* recover = FindControl(L"BtnRecover")) recover->SetEnabled(summary.recoverEnabled);
    if (m_typeTree) m_typeTree->Invalidate();
    m_syncingResults = false;
}

// ---- Recovery ----

void CMainWnd::Recover() {
    std::wstring folder = AskForFolder(m_hwnd, kRecoveryFolderTitle);
    if (folder.empty()) return;
    if (folder.back() == L'\\' || folder.back() == L'/') folder.pop_back();
    if (folder.empty()) return;
    m_destinationFolder = folder;
    const std::vector<MediaSource*> all = AllScannable();
    // Saving onto a scanned drive may overwrite what could still be recovered: asked once.
    for (const MediaSource* source : all) {
        if (!source->engine || source->kind != MediaRowKind::Entry || !HasDriveLetter(source->entry)) continue;
        if (::towupper(static_cast<wint_t>(source->entry.tag)) != ::towupper(static_cast<wint_t>(folder[0]))) continue;
        if (ShowMessageBox(kMessageBoxConfirm, m_hwnd, Message(L"MSG0805"), kMessageBoxWidth) != 1) return;
        break;
    }
    // Never onto the very medium being recovered, whatever its letter.
    for (const MediaSource* source : all) {
        if (!source->engine) continue;
        const DestinationCheck check = CheckDestination(
            source->kind == MediaRowKind::Image ? ImageFileMedium(source->imagePath) : DiskMedium(source->diskNumber),
            folder);
        if (!check.onSource) continue;
        std::wstring text = Message(L"MSG0806");
        if (const size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, check.reason);
        ShowMessageBox(kMessageBoxError, m_hwnd, text, kMessageBoxWidth);
        return;
    }
    std::vector<RecoveryItem> items;
    for (const auto& [key, index] : m_found.CheckedFiles()) {
        const ScanRecord& record = m_found.Records()[index];
        if (IFileRecoveryParse* engine = EngineOfTag(record.driveLetter)) items.push_back(RecoveryItem{engine, record});
    }
    if (items.empty()) return;
    CRecoverProcessWnd window(m_destinationFolder, std::move(items));
    window.CreatePopup(m_hwnd, CRecoverProcessWnd::kWidthFromMainWindow, CRecoverProcessWnd::kHeight);
    window.ShowPopupModal();
}

void CMainWnd::LoadImage() {
    const std::wstring path = AskForImageFile(m_hwnd, FileDialogKind::OpenImage);
    if (!path.empty()) AddImageFile(path);
}

void CMainWnd::CreateImage() {
    const MediaSource* source = SelectedSource();
    if (!m_wizard.mediumSelected || !source ||
        (source->kind != MediaRowKind::Entry && source->kind != MediaRowKind::Disk)) {
        ShowMessageBox(kMessageBoxInformation, m_hwnd, Message(L"MSG0216"), kMessageBoxWidth);
        return;
    }
    const bool wholeDisk = source->kind == MediaRowKind::Disk;
    const std::wstring proposed =
        wholeDisk ? ProposedDiskImageName(source->diskNumber) : ProposedImageName(source->entry);
    const uint64_t imageBytes = wholeDisk ? DiskBytes(source->diskNumber) : source->entry.totalBytes;
    const uint16_t sourceLetter = wholeDisk ? 0 : source->entry.tag;
    std::wstring path;
    for (;;) {
        path = AskForImageFile(m_hwnd, FileDialogKind::SaveImage, proposed);
        if (path.empty()) return;
        const std::wstring refusal = CheckImageDestination(DescribeDestination(path), sourceLetter, imageBytes);
        if (refusal.empty()) break;
        ShowMessageBox(kMessageBoxInformation, m_hwnd, Message(refusal), kMessageBoxWidth);
    }
    ImageCopyOrigin origin;
    origin.diskNumber = source->diskNumber;
    if (!wholeDisk) {
        origin.firstSector = source->entry.start;
        origin.sectorCount = source->entry.length;
    }
    UINT result = 0;
    {
        CCreateImageProcessWnd window(origin, path);
        window.CreatePopup(m_hwnd, CCreateImageProcessWnd::kWidth, CCreateImageProcessWnd::kHeight);
        result = window.ShowPopupModal();
    }
    if (result == CCreateImageProcessWnd::kResultFailed) {
        ::Sleep(100);
        ShowMessageBox(kMessageBoxInformation, m_hwnd, Message(L"MSG0217"), kMessageBoxWidth);
    }
    if (ShowMessageBox(kMessageBoxQuestion, m_hwnd, Message(L"MSG0214"), kMessageBoxWidth) != 1) return;
    if (ui::CControlUI* deep = FindControl(L"BtnDeepRecovery")) m_pm.SendNotify(deep, ui::kNotifyClick);
    AddImageFile(path);
    if (m_diskList && m_diskList->GetCount() > 0) m_diskList->SelectItem(m_diskList->GetCount() - 1);
}

// ---- Window frame ----

bool CMainWnd::IsCaptionBlocker(ui::CControlUI* control) const {
    if (WindowImplBase::IsCaptionBlocker(control)) return true;
    const std::wstring cls = control ? control->GetClass() : std::wstring();
    return cls == L"EditUI" || cls == L"CheckBoxUI";
}

LRESULT CMainWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOMMAND) {
        const UINT command = static_cast<UINT>(wParam & 0xFFF0u);
        const UINT raw = static_cast<UINT>(wParam);
        // The skin sets the size: no sizing or maximising through system commands.
        if ((raw >= 0xF000 && raw <= 0xF00E) || command == SC_MAXIMIZE) return 0;
        if (command == SC_CLOSE) {
            ::SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        const bool wasZoomed = ::IsZoomed(m_hwnd) != FALSE;
        const LRESULT result = WindowImplBase::HandleMessage(msg, wParam, lParam);
        if (wasZoomed != (::IsZoomed(m_hwnd) != FALSE)) {
            if (ui::CControlUI* max = FindControl(L"maxbtn")) max->SetVisible(wasZoomed);
            if (ui::CControlUI* restore = FindControl(L"restorebtn")) restore->SetVisible(!wasZoomed);
        }
        return result;
    }
    return WindowImplBase::HandleMessage(msg, wParam, lParam);
}

LRESULT CMainWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == WM_DEVICECHANGE) {
        if (wParam == DBT_DEVICEARRIVAL) StartRefreshTimer(kTimerDeviceArrival);
        else if (wParam == DBT_DEVICEREMOVECOMPLETE) StartRefreshTimer(kTimerDeviceRemoval);
    } else if (msg == kMsgScanFinished) {
        handled = true;
        if (m_scanning) m_scanFinishPending = true;
        else OnScanFinished();
        return 0;
    } else if (msg == kMsgSearchFinished) {
        handled = true;
        if (m_searching) m_searchFinishPending = true;
        else OnSearchFinished();
        return 0;
    } else if (msg == kMsgLanguageChanged) {
        handled = true;
        ApplyTexts();
        ShowPage();
        if (m_diskList && m_diskList->GetCurSel() >= 0) m_pm.SendNotify(m_diskList, L"itemselect", m_diskList->GetCurSel());
        return 0;
    }
    return WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
}

LRESULT CMainWnd::OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    for (HDEVNOTIFY handle : m_deviceNotifications) ::UnregisterDeviceNotification(handle);
    m_deviceNotifications.clear();
    const LRESULT result = WindowImplBase::OnDestroy(msg, wParam, lParam, handled);
    ::PostQuitMessage(0);
    return result;
}

}  // namespace qm::app
