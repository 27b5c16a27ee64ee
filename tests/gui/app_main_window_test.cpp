// The main window built from the real skin: the wizard's pages with their banners, the type
// choice bound to the master box, image files in the media list with their details, and the
// disk image window copying an image file, stopped after a "No" and then a "Yes".
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/core/language_manager.h"
#include "app/create_image_process_wnd.h"
#include "app/disk_list.h"
#include "app/file_dialogs.h"
#include "app/main_wnd.h"
#include "app/message_box.h"
#include "app/recover_process_wnd.h"
#include "app/single_instance.h"
#include "disk/byte_view.h"
#include "engines/fat/fast_fat_recovery.h"
#include "results/type_classification.h"
#include "results/type_options.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/check_box.h"
#include "ui/win32/list.h"
#include "ui/win32/list_element.h"
#include "ui/win32/tree_node.h"
#include "ui/win32/ui_lib.h"

using namespace qm;

namespace {

// How many deleted files of each extension the FAT fixture holds, from its list of them.
std::map<std::wstring, size_t> ExpectedFilesByExtension() {
    const auto bytes = test::readWholeFile(test::fixturePath("fat/expected.tsv"));
    std::istringstream list(std::string(bytes.begin(), bytes.end()));
    std::map<std::wstring, size_t> counts;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::string path = line.substr(0, line.find('\t'));
        const std::string extension = path.substr(path.find_last_of('.') + 1);
        ++counts[std::wstring(extension.begin(), extension.end())];
    }
    return counts;
}

// The recovery window the main window runs modally: once it has finished, the test's timer
// takes its picture, keeps its rows and presses Finish.
struct RecoveryWatch {
    std::vector<RecoveryDetailRow> rows;
    bool finished = false;
};
RecoveryWatch* g_recovery = nullptr;

void CALLBACK WatchRecovery(HWND, UINT, UINT_PTR, DWORD) {
    HWND hwnd = ::FindWindowW(L"UIRecoverProcessWnd", nullptr);
    if (!g_recovery || g_recovery->finished || !hwnd) return;
    auto* window = dynamic_cast<app::CRecoverProcessWnd*>(
        reinterpret_cast<ui::CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    ui::CControlUI* finish = window ? window->FindControl(L"FinishBtn") : nullptr;
    if (!finish || !finish->IsVisible()) return;
    g_recovery->finished = true;
    g_recovery->rows.assign(window->Job().details().begin(), window->Job().details().end());
    guitest::SaveWindowScreenshot(hwnd, L"app_main_window_recovery.png");
    guitest::PostClick(hwnd, finish);
}

std::wstring Text(const wchar_t* key) { return app::CLanguageManager::Instance().GetText(L"Messages", key); }

void WriteZeros(const std::wstring& path, uint64_t bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER size{};
    size.QuadPart = static_cast<LONGLONG>(bytes);
    ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file);
    ::CloseHandle(file);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.Create(nullptr, L"Tessaly (test)", app::kMainWindowStyle, app::kMainWindowExStyle, 0, 0, 800, 500);
        window_.CenterWindow();
        window_.ShowWindow(true, true);
        ASSERT_TRUE(guitest::PumpUntil([&] { return window_.GetPaintManager().IsWindowInitSent(); }));
    }
    void TearDown() override {
        app::SetFileDialogStandIn(nullptr);
        app::SetMessageBoxObserver(nullptr);
        ::DestroyWindow(window_.GetHWND());
        // The window posts the quit message that ends the program's loop; this test has none.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void Click(const wchar_t* name) {
        ui::CControlUI* control = window_.FindControl(name);
        ASSERT_NE(nullptr, control) << std::string(name, name + wcslen(name));
        guitest::PostClick(window_.GetHWND(), control);
    }
    bool Visible(const wchar_t* name) {
        ui::CControlUI* control = window_.FindControl(name);
        return control && control->IsVisible();
    }
    void Shot(const wchar_t* name) {
        window_.GetPaintManager().NeedUpdate();
        guitest::PumpFor(200);
        guitest::SaveWindowScreenshot(window_.GetHWND(), name);
    }
    app::CMainWnd window_;
};

}  // namespace

TEST_F(MainWindowTest, EveryControlTheWindowLooksUpIsInTheSkin) {
    for (const wchar_t* name :
         {L"BtnStart", L"BtnAssist", L"BtnScan", L"BtnRecover", L"BtnPrev", L"BtnNext", L"ToolBar1", L"ToolBar2",
          L"ToolBar3", L"ToolBtn", L"TabScan", L"TabFileType", L"TabRecover", L"PreviewEdit", L"TabPage",
          L"SelectedFileInfo", L"ToolBar2Logo", L"CheckAll", L"PartitionListBar", L"DiskTree", L"TypeTree", L"FileList",
          L"DiskList", L"NodePhoto", L"NodeAudio", L"NodeVideo", L"NodeOffice", L"NodeZip", L"NodeOther", L"ChkPhoto",
          L"ChkMusic", L"ChkVideo", L"ChkOffice", L"ChkArchive", L"ChkOther", L"ChkRecoverAll", L"ChkAllListSel",
          L"Txt1", L"Txt2", L"OptOtherFileItem", L"LblProductName", L"SubBar1", L"SubBar2", L"Label1", L"Label6",
          L"BtnDeletedRecovery", L"BtnFormattedRecovery", L"BtnDeepRecovery", L"BtnCreateImageMode", L"TxtMainInfo",
          L"BtnLoadImage", L"BtnCreateImage", L"FileName", L"Size", L"ModifiedTime", L"CreatedTime", L"Path", L"Type",
          L"FileListPagination"}) {
        EXPECT_NE(nullptr, window_.FindControl(name)) << std::string(name, name + wcslen(name));
    }
    EXPECT_EQ(nullptr, window_.FindControl(L"BtnLikeIt"));
    EXPECT_EQ(Text(L"MSG1209"), window_.FindControl(L"LblProductName")->GetText());
    // Page 2 carries the built-in vocabulary, option by option, extensions in the user data.
    const ChoiceGroups& groups = window_.Choice().Groups();
    ASSERT_EQ(TypeGroups().size(), groups.size());
    for (size_t g = 0; g < groups.size(); ++g) {
        ASSERT_EQ(TypeGroups()[g].options.size(), groups[g].size()) << g;
        for (size_t o = 0; o < groups[g].size(); ++o) {
            EXPECT_EQ(TypeGroups()[g].options[o].text, groups[g][o].text);
            EXPECT_EQ(TypeGroups()[g].options[o].userdata, groups[g][o].userdata);
        }
    }
}

TEST_F(MainWindowTest, PagesFollowTheButtonsAndShowTheirBanners) {
    EXPECT_EQ(kPageChooseTypes, window_.Wizard().page);
    EXPECT_TRUE(Visible(L"SubBar1"));
    EXPECT_FALSE(Visible(L"ToolBar2"));
    ui::CControlUI* info = window_.FindControl(L"TxtMainInfo");
    window_.GetPaintManager().SendNotify(window_.FindControl(L"BtnDeepRecovery"), L"onhot");
    EXPECT_EQ(Text(L"MSG0103"), info->GetText());
    Shot(L"main_page0_types.png");

    // A group box cleared: the master box half-checked, the group's options cleared on page 2.
    Click(L"ChkPhoto");
    ASSERT_TRUE(guitest::PumpUntil([&] { return !window_.Choice().IsGroupChecked(0); }));
    auto* master = window_.FindControl<ui::CCheckBoxUI>(L"ChkRecoverAll");
    EXPECT_TRUE(master->IsHalfCheck());
    EXPECT_FALSE(window_.FindControl<ui::CCheckBoxUI>(L"OptPhotoJpg")->GetCheck());
    EXPECT_TRUE(window_.FindControl<ui::CCheckBoxUI>(L"OptAudioMp3")->GetCheck());
    EXPECT_TRUE(window_.FindControl<ui::CCheckBoxUI>(L"OptAudioRm")->GetCheck()) << "rm is also a video option";
    Click(L"ChkRecoverAll");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Choice().IsGroupChecked(0); }));
    EXPECT_TRUE(window_.FindControl<ui::CCheckBoxUI>(L"OptPhotoJpg")->GetCheck());
    EXPECT_TRUE(window_.FindControl(L"BtnStart")->IsEnabled());

    Click(L"BtnDeletedRecovery");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    EXPECT_EQ(kScanModeFast, window_.Wizard().scanMode);
    EXPECT_TRUE(Visible(L"ToolBar2"));
    EXPECT_TRUE(Visible(L"BtnScan"));
    EXPECT_FALSE(Visible(L"BtnRecover"));
    EXPECT_EQ(Text(L"MSG0212"), window_.FindControl(L"Txt1")->GetText());
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"ToolBar2")->GetBkImage().find(L"banner_bg.png"));

    Click(L"TabFileType");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageFineTypes; }));
    EXPECT_EQ(Text(L"MSG0601"), window_.FindControl(L"Txt1")->GetText());
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"ToolBar2")->GetBkImage().find(L"banner_bg2.png"));
    Shot(L"main_page2_file_types.png");

    Click(L"BtnPrev");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    Click(L"BtnPrev");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseTypes; }));

    Click(L"BtnCreateImageMode");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    EXPECT_TRUE(window_.Wizard().imageCreationMode);
    EXPECT_TRUE(Visible(L"BtnCreateImage"));
    EXPECT_FALSE(Visible(L"BtnLoadImage"));
    EXPECT_EQ(Text(L"MSG0503"), window_.FindControl(L"TabScan")->GetText());
}

TEST_F(MainWindowTest, LoadedImageFileIsListedWithItsDetails) {
    test::TempDir folder;
    const std::wstring image = folder.file(L"camera card.img");
    WriteZeros(image, 3u << 20);
    app::SetFileDialogStandIn([&](app::FileDialogKind kind, const std::wstring&) {
        return kind == app::FileDialogKind::OpenImage ? image : std::wstring();
    });
    Click(L"BtnStart");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    auto* list = window_.FindControl<app::CDiskListUI>(L"DiskList");
    const int before = list->GetCount();
    Click(L"BtnLoadImage");
    ASSERT_TRUE(guitest::PumpUntil([&] { return list->GetCount() == before + 2; }));  // "Image File" and the file
    list->SelectItem(list->GetCount() - 1);
    const app::MediaSource* source = window_.SelectedSource();
    ASSERT_NE(nullptr, source);
    EXPECT_EQ(image, source->imagePath);
    EXPECT_EQ(1001, source->imageTag);
    EXPECT_TRUE(window_.Wizard().mediumSelected);
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"Label1")->GetText().find(image));
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"Label2")->GetText().find(L"3.00 MB"));
    Shot(L"main_page1_media.png");

    // A device arriving or going elsewhere leaves the listed entries, the user's choice and the
    // engines of earlier scans alone: only new disks are added, only gone ones removed.
    ui::CControlUI* bar = window_.FindControl(L"PartitionListBar");
    for (UINT id : {app::CMainWnd::kTimerDeviceArrival, app::CMainWnd::kTimerDeviceRemoval}) {
        window_.GetPaintManager().SendNotify(bar, L"timer", id);
        EXPECT_EQ(before + 2, list->GetCount()) << id;
        EXPECT_EQ(source, window_.SelectedSource()) << id;
    }
}

// A whole-disk image: 1 MiB holding an MBR with one FAT32 entry at sector 2048, then the volume.
std::wstring DiskImageOf(const test::TempDir& folder, const std::string& volumeFixture) {
    std::vector<uint8_t> disk(1u << 20, 0);
    const std::vector<uint8_t> volume = test::readWholeFile(test::fixturePath(volumeFixture));
    uint8_t* entry = disk.data() + 0x1BE;
    entry[4] = 0x0C;  // FAT32 (LBA)
    putU32(entry + 8, 2048);
    putU32(entry + 12, static_cast<uint32_t>(volume.size() / 512));
    disk[510] = 0x55;
    disk[511] = 0xAA;
    disk.insert(disk.end(), volume.begin(), volume.end());
    const std::wstring path = folder.file(L"whole card.img");
    test::writeWholeFile(path, disk);
    return path;
}

TEST_F(MainWindowTest, AWholeDiskImageListsItsPartitionsAndScanningItScansThem) {
    test::TempDir folder;
    const std::wstring image = DiskImageOf(folder, "fat/fat32-512.img");
    app::SetFileDialogStandIn([&](app::FileDialogKind kind, const std::wstring&) {
        return kind == app::FileDialogKind::OpenImage ? image : std::wstring();
    });
    Click(L"BtnDeletedRecovery");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    auto* disks = window_.FindControl<app::CDiskListUI>(L"DiskList");
    const int before = disks->GetCount();
    Click(L"BtnLoadImage");
    // "Image File", the image, and its one partition below it.
    ASSERT_TRUE(guitest::PumpUntil([&] { return disks->GetCount() == before + 3; }));
    disks->SelectItem(disks->GetCount() - 1);
    const app::MediaSource* partition = window_.SelectedSource();
    ASSERT_NE(nullptr, partition);
    EXPECT_EQ(MediaRowKind::ImagePartition, partition->kind);
    EXPECT_EQ(2048u, partition->imageFirstSector);
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"Label3")->GetText().find(L"FAT32"));
    Shot(L"main_page1_disk_image.png");

    disks->SelectItem(disks->GetCount() - 2);  // the image itself: its partitions are scanned
    Click(L"BtnScan");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageResults; }, 60000));
    // What the fast engine finds on the bare volume, found here through the partition.
    test::TempDir logs;
    CFastFatRecovery bare;
    bare.SetLogFolder(logs.path());
    ASSERT_EQ(0, bare.OpenImage(test::fixturePath("fat/fat32-512.img"), 1));
    ASSERT_EQ(0, bare.Scan(nullptr));
    std::vector<ScanRecord> bareFiles;
    bare.ListByType(BuildTypePattern(std::vector<std::wstring>{}) + L"|*.other", bareFiles);
    const size_t expected = bareFiles.size();
    size_t listed = 0;
    for (const TypeNode& type : window_.Found().Types()) listed += type.records.size();
    EXPECT_EQ(expected, listed);
    EXPECT_NE(nullptr, partition->engine);
}

TEST(CreateImageWindow, CopiesAnImageFileWholly) {
    test::TempDir folder;
    const std::wstring source = folder.file(L"source.img"), copy = folder.file(L"copy.img");
    std::vector<uint8_t> bytes(300 * 1024);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 512);
    test::writeWholeFile(source, bytes);
    app::ImageCopyOrigin origin;
    origin.imageFile = source;
    app::CCreateImageProcessWnd window(origin, copy);
    window.CreatePopup(nullptr, app::CCreateImageProcessWnd::kWidth, app::CCreateImageProcessWnd::kHeight);
    EXPECT_EQ(app::CCreateImageProcessWnd::kResultCopied, window.ShowPopupModal());
    EXPECT_EQ(bytes.size() / 512, window.SectorsCopied());
    EXPECT_EQ(bytes, test::readWholeFile(copy));

    app::ImageCopyOrigin missing;
    missing.imageFile = folder.file(L"gone.img");
    app::CCreateImageProcessWnd failing(missing, folder.file(L"never.img"));
    failing.CreatePopup(nullptr, app::CCreateImageProcessWnd::kWidth, app::CCreateImageProcessWnd::kHeight);
    EXPECT_EQ(app::CCreateImageProcessWnd::kResultFailed, failing.ShowPopupModal());
}

namespace {

// Answers the stop questions: the first with "No", then, once it is gone, asks again and answers
// "Yes".
struct StopAnswers {
    app::CCreateImageProcessWnd* window = nullptr;
    std::vector<std::wstring> questions;
    HWND firstBox = nullptr;
};
StopAnswers* g_stop = nullptr;

void CALLBACK AskAgainWhenFirstBoxIsGone(HWND, UINT, UINT_PTR id, DWORD) {
    if (::IsWindow(g_stop->firstBox)) return;
    ::KillTimer(nullptr, id);
    guitest::PostClick(g_stop->window->GetHWND(), g_stop->window->FindControl(L"cancelbtn"));
}

void CALLBACK AskOnceLaidOut(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_stop->window->GetPaintManager().IsWindowInitSent()) return;
    ::KillTimer(nullptr, id);
    guitest::PostClick(g_stop->window->GetHWND(), g_stop->window->FindControl(L"cancelbtn"));
}

}  // namespace

TEST(CreateImageWindow, StopQuestionAnsweredNoGoesOnAndYesStops) {
    test::TempDir folder;
    const std::wstring source = folder.file(L"big.img"), copy = folder.file(L"copy.img");
    constexpr uint64_t kSourceBytes = 512ull << 20;  // sparse: only what is copied takes room
    WriteZeros(source, kSourceBytes);
    app::ImageCopyOrigin origin;
    origin.imageFile = source;
    app::CCreateImageProcessWnd window(origin, copy);
    StopAnswers answers;
    answers.window = &window;
    g_stop = &answers;
    app::SetMessageBoxObserver([&](app::CMessageBox& box) {
        answers.questions.push_back(box.FindControl(L"message")->GetText());
        ui::CControlUI* button = box.FindControl(answers.questions.size() == 1 ? L"cancelbtn" : L"okbtn");
        if (answers.questions.size() == 1) {
            answers.firstBox = box.GetHWND();
            ::SetTimer(nullptr, 0, 20, &AskAgainWhenFirstBoxIsGone);
        } else {
            guitest::SaveWindowScreenshot(window.GetHWND(), L"create_image_window.png");
        }
        guitest::PostClick(box.GetHWND(), button);
    });
    window.CreatePopup(nullptr, app::CCreateImageProcessWnd::kWidth, app::CCreateImageProcessWnd::kHeight);
    // The first question comes as soon as the window is laid out and its copy has started.
    ::SetTimer(nullptr, 0, 10, &AskOnceLaidOut);
    const UINT result = window.ShowPopupModal();
    app::SetMessageBoxObserver(nullptr);
    EXPECT_EQ(app::CCreateImageProcessWnd::kResultStopped, result);
    ASSERT_EQ(2u, answers.questions.size());
    EXPECT_EQ(Text(L"MSG0306"), answers.questions[0]);
    EXPECT_EQ(Text(L"MSG0306"), answers.questions[1]);
    EXPECT_LT(window.SectorsCopied(), kSourceBytes / 512);
}

TEST_F(MainWindowTest, FastScanOfAnImageShowsTheTypesAndRecoversTickedFilesOfTwoGroups) {
    test::TempDir out;
    const std::wstring image = test::fixturePath("fat/fat32-512.img");
    std::wstring askedTitle;
    app::SetFileDialogStandIn([&](app::FileDialogKind kind, const std::wstring& title) {
        if (kind == app::FileDialogKind::RecoveryFolder) {
            askedTitle = title;
            return out.path() + L"\\";
        }
        return kind == app::FileDialogKind::OpenImage ? image : std::wstring();
    });
    Click(L"BtnDeletedRecovery");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    EXPECT_EQ(kScanModeFast, window_.Wizard().scanMode);
    auto* disks = window_.FindControl<app::CDiskListUI>(L"DiskList");
    const int rowsBefore = disks->GetCount();
    Click(L"BtnLoadImage");
    ASSERT_TRUE(guitest::PumpUntil([&] { return disks->GetCount() > rowsBefore; }));
    disks->SelectItem(disks->GetCount() - 1);
    Click(L"BtnScan");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageResults; }, 60000));
    EXPECT_TRUE(Visible(L"BtnRecover"));
    EXPECT_FALSE(window_.FindControl(L"BtnRecover")->IsEnabled());

    // Each type node and group node counts what the fixture holds of its types.
    const std::map<std::wstring, size_t> expected = ExpectedFilesByExtension();
    auto* tree = window_.FindControl<ui::CListUI>(L"TypeTree");
    auto nodeText = [&](const std::wstring& text) -> ui::CTreeNodeUI* {
        for (int i = 0; i < tree->GetCount(); ++i) {
            auto* node = static_cast<ui::CTreeNodeUI*>(tree->GetItemAt(i)->GetInterface(L"TreeNode"));
            if (node && node->IsVisible() && node->GetItemText() == text) return node;
        }
        return nullptr;
    };
    const FoundFilesModel& found = window_.Found();
    size_t listed = 0;
    for (size_t g = 0; g < kTypeGroupCount; ++g) {
        size_t groupFiles = 0;
        for (size_t t : found.Groups()[g].types) {
            const TypeNode& type = found.Types()[t];
            const auto count = expected.find(type.type);
            ASSERT_NE(expected.end(), count) << "unexpected type listed";
            const std::wstring suffix = L"(" + std::to_wstring(count->second) + L")";
            EXPECT_TRUE(type.text.ends_with(suffix)) << std::string(type.text.begin(), type.text.end());
            EXPECT_NE(nullptr, nodeText(type.text));
            groupFiles += count->second;
        }
        ui::CControlUI* groupNode = window_.FindControl(kGroupNodes[g]);
        EXPECT_EQ(groupFiles > 0, groupNode->IsVisible());
        if (groupFiles > 0) {
            EXPECT_EQ(Text(kGroupNodeKeys[g]) + L" (" + std::to_wstring(groupFiles) + L")", groupNode->GetText());
        }
        listed += groupFiles;
    }
    EXPECT_GE(listed, 10u);
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"Txt2")->GetText().find(std::to_wstring(listed)));

    // Tick a text file and a .bin file (documents and others) in their type's list.
    auto* files = window_.FindControl<ui::CListUI>(L"FileList");
    auto tick = [&](const std::wstring& type, const std::wstring& name) {
        size_t t = 0;
        while (t < found.Types().size() && found.Types()[t].type != type) ++t;
        ASSERT_LT(t, found.Types().size());
        ui::CTreeNodeUI* node = nodeText(found.Types()[t].text);
        ASSERT_NE(nullptr, node);
        tree->SelectItem(tree->GetItemIndex(node));
        ASSERT_EQ(static_cast<int>(found.Types()[t].records.size()), files->GetCount());
        for (int i = 0; i < files->GetCount(); ++i) {
            auto* row = static_cast<ui::CListElementUI*>(files->GetItemAt(i));
            if (row->GetColumnText(1).ends_with(L"}" + name)) {
                files->OnItemCheckClick(row);
                EXPECT_TRUE(row->GetCheck());
                return;
            }
        }
        ADD_FAILURE() << "row not listed";
    };
    tick(L"bin", L"!.bin");
    tick(L"txt", L"Root Long Name.txt");
    EXPECT_EQ(2u, found.Summary().files);
    EXPECT_TRUE(window_.FindControl(L"BtnRecover")->IsEnabled());
    // One of several text files ticked: the list's box and the type's node are half checked.
    auto* listAll = window_.FindControl<ui::CCheckBoxUI>(L"ChkAllListSel");
    EXPECT_TRUE(listAll->IsHalfCheck());
    EXPECT_TRUE(static_cast<ui::CTreeNodeUI*>(tree->GetItemAt(tree->GetCurSel()))->IsHalfChecked());
    Shot(L"app_main_window_results.png");

    RecoveryWatch watch;
    g_recovery = &watch;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, WatchRecovery);
    Click(L"BtnRecover");
    const bool done = guitest::PumpUntil(
        [&] { return watch.finished && ::FindWindowW(L"UIRecoverProcessWnd", nullptr) == nullptr; }, 30000);
    ::KillTimer(nullptr, timer);
    g_recovery = nullptr;
    ASSERT_TRUE(done);
    EXPECT_EQ(L"Select location for recovery", askedTitle);
    ASSERT_EQ(2u, watch.rows.size());
    std::map<std::wstring, std::string> originals = {{L"Root Long Name.txt", "fat/src/rootlong.txt"},
                                                     {L"!.bin", "fat/src/b.bin"}};
    for (const RecoveryDetailRow& row : watch.rows) {
        EXPECT_EQ(0, row.error);
        EXPECT_EQ(0u, row.path.rfind(out.path() + L"\\", 0)) << "trailing separator kept";
        const std::wstring name = row.path.substr(row.path.find_last_of(L"\\/") + 1);
        ASSERT_EQ(1u, originals.count(name));
        EXPECT_EQ(test::readWholeFile(test::fixturePath(originals[name])), test::readWholeFile(row.path));
    }
}
