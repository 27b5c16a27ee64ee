// The main window's media list: disks and their entries, image files, details, device refreshes,
// and disk images made from an entry.
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
#include "disk/image_layout.h"
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

constexpr const wchar_t* kDetailLabels[6] = {L"Label1", L"Label2", L"Label3", L"Label4", L"Label5", L"Label6"};

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

}  // namespace

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
    ReadTablesOfBareDisks(entries);
    if (mode == MediaRefill::Full) {
        m_diskList->RemoveAllNodes();
        std::erase_if(m_lastScanned, [](const MediaSource* source) { return !source->IsImageFile(); });
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
        return !source->IsImageFile() && source->kind != MediaRowKind::ImageRoot &&
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
    CListExUI::Node* row = AddMediaRow(ImageRow(source->imagePath, source->imageBytes), m_imageRoot, source);
    for (const auto& partition : source->partitions) AddMediaRow(EntryRow(partition->entry, false), row, partition.get());
    // Its partitions show at once, as a disk's do.
    if (row && !source->partitions.empty()) m_diskList->SetExpanded(row, true);
}

void CMainWnd::AddImageFile(const std::wstring& path) {
    auto image = std::make_unique<MediaSource>();
    image->kind = MediaRowKind::Image;
    image->imagePath = path;
    image->imageBytes = FileBytes(path);
    image->imageTag = m_imageTags.Next();
    // A whole-disk image lists its partitions below it, each a source with a tag of its own.
    ImageLayout layout;
    if (ReadImageLayout(path, layout) == 0 && layout.IsDisk()) {
        for (size_t i = 1; i <= layout.entries.size(); ++i) {
            auto partition = std::make_unique<MediaSource>();
            partition->kind = MediaRowKind::ImagePartition;
            partition->imagePath = path;
            partition->entry = layout.entries[i - 1];
            if (!layout.PartitionArea(i, partition->imageFirstSector, partition->imageSectorCount)) continue;
            partition->imageTag = m_imageTags.Next();
            image->partitions.push_back(std::move(partition));
        }
    }
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
                     (source->IsImageFile() || source->kind == MediaRowKind::ImageRoot);
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
    // An image with partitions is scanned partition by partition, like a double-clicked entry.
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


}  // namespace qm::app
