// The main window's workflow from a scan to recovery: the scan and search windows, the results
// page (type tree, file list, checks, summary) and the recovery window.
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

// The scan and search windows work on a list of sources: the entries' own sources are moved in
// and, with the engines the windows made, moved back once the window has closed.
ScanSource TakeScanSource(MediaSource& source) {
    ScanSource scan;
    scan.isImage = source.IsImageFile();
    scan.diskNumber = source.diskNumber;
    scan.firstSector = source.IsImageFile() ? source.imageFirstSector : source.entry.start;
    scan.sectorCount = source.IsImageFile() ? source.imageSectorCount : source.entry.length;
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
        // A whole-disk image below the image files' row stands for its partitions.
        if (source && source->kind == MediaRowKind::Image)
            for (const auto& partition : source->partitions) sources.push_back(partition.get());
    }
    return sources;
}

std::vector<MediaSource*> CMainWnd::AllScannable() const {
    std::vector<MediaSource*> all;
    for (const auto& source : m_sources)
        if (source->Scannable()) all.push_back(source.get());
    for (const auto& image : m_images) {
        if (image->Scannable()) all.push_back(image.get());
        for (const auto& partition : image->partitions) all.push_back(partition.get());
    }
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

// The destination folder, asked for over owner and checked against the scanned media.
std::wstring CMainWnd::AskRecoveryDestination(HWND owner) {
    std::wstring folder = AskForFolder(owner, kRecoveryFolderTitle);
    if (folder.empty()) return folder;
    if (folder.back() == L'\\' || folder.back() == L'/') folder.pop_back();
    if (folder.empty()) return folder;
    const std::vector<MediaSource*> all = AllScannable();
    // Saving onto a scanned drive may overwrite what could still be recovered: asked once.
    for (const MediaSource* source : all) {
        if (!source->engine || source->kind != MediaRowKind::Entry || !HasDriveLetter(source->entry)) continue;
        if (::towupper(static_cast<wint_t>(source->entry.tag)) != ::towupper(static_cast<wint_t>(folder[0]))) continue;
        if (ShowMessageBox(kMessageBoxConfirm, owner, Message(L"MSG0805"), kMessageBoxWidth) != 1) return std::wstring();
        break;
    }
    // Never onto the very medium being recovered, whatever its letter.
    for (const MediaSource* source : all) {
        if (!source->engine) continue;
        const DestinationCheck check = CheckDestination(
            source->IsImageFile() ? ImageFileMedium(source->imagePath) : DiskMedium(source->diskNumber),
            folder);
        if (!check.onSource) continue;
        std::wstring text = Message(L"MSG0806");
        if (const size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, check.reason);
        ShowMessageBox(kMessageBoxError, owner, text, kMessageBoxWidth);
        return std::wstring();
    }
    return folder;
}

void CMainWnd::Recover() {
    const std::wstring folder = AskRecoveryDestination(m_hwnd);
    if (folder.empty()) return;
    m_destinationFolder = folder;
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


}  // namespace qm::app
