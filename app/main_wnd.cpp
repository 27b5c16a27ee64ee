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
        else if (msg.sender == m_fileList) OnFileListSelect(static_cast<int>(msg.wParam));
    } else if (msg.type == L"list_check_click") {
        if (msg.sender == m_fileList) OnFileCheckClick(static_cast<int>(msg.wParam), msg.lParam != 0);
    } else if (msg.type == L"updatepage") {
        ShowTypePage(static_cast<int>(msg.wParam));
    } else if (msg.type == ui::kNotifyHeaderClick) {
        OnHeaderClick(name);
    } else if (msg.type == L"list_item_dbclick") {
        if (msg.sender == m_diskList) OnDiskListDoubleClick(static_cast<int>(msg.wParam));
        else if (msg.sender == m_fileList) OnFileListDoubleClick(static_cast<int>(msg.wParam));
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
    } else if (msg == kMsgOpenPreview) {
        handled = true;
        OpenPreviewWindow(static_cast<int>(wParam));
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
