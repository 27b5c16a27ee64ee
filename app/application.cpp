#include "app/application.h"

#include <cstdlib>
#include <exception>
#include <string>

#include "app/file_dialogs.h"
#include "app/main_wnd.h"
#include "app/module_folder.h"
#include "app/picture_component.h"
#include "app/player_processes.h"
#include "app/preview_state.h"
#include "app/single_instance.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "preview/preview_temp_files.h"
#include "ui/win32/gdiplus_include.h"
#include "ui/win32/paint_manager.h"

namespace qm::app {

namespace {

// Test-only switch: the GUI tests drive this program with real clicks but cannot answer the
// shell's dialogs. When QUILLMERE_TEST_OPEN_IMAGE, QUILLMERE_TEST_SAVE_IMAGE or
// QUILLMERE_TEST_RECOVERY_FOLDER is set at start-up, the dialogs are not shown and these paths are
// the answers (an unset one answers "cancelled"); everything behind the dialogs runs as usual.
void AnswerDialogsFromTestEnvironment() {
    auto read = [](const wchar_t* name) {
        const wchar_t* value = _wgetenv(name);
        return std::wstring(value ? value : L"");
    };
    const std::wstring openImage = read(L"QUILLMERE_TEST_OPEN_IMAGE");
    const std::wstring saveImage = read(L"QUILLMERE_TEST_SAVE_IMAGE");
    const std::wstring recoveryFolder = read(L"QUILLMERE_TEST_RECOVERY_FOLDER");
    if (openImage.empty() && saveImage.empty() && recoveryFolder.empty()) return;
    SetFileDialogStandIn([=](FileDialogKind kind, const std::wstring&) {
        return kind == FileDialogKind::OpenImage ? openImage
               : kind == FileDialogKind::SaveImage ? saveImage
                                                   : recoveryFolder;
    });
}

void RunMainWindow() {
    CMainWnd window;
    window.Create(nullptr, kMainWindowTitle, kMainWindowStyle, kMainWindowExStyle, 0, 0, 800, 500);
    window.SetIcon(kMainWindowIcon);
    window.CenterWindow();
    window.ShowWindow(true, true);
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!ui::CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace

int RunApplication(HINSTANCE instance) {
    ui::CPaintManagerUI::SetInstance(instance);
    if (!ClaimSingleInstance()) {
        UseModuleFolderForLanguages();
        BringUpRunningCopy();
        return 0;
    }
    if (!RegisterPictureComponent()) {
        ::MessageBoxW(nullptr, kRegistrationFailedText, L"Information", MB_OK);
        return 0;
    }
    if (FAILED(::CoInitialize(nullptr))) return 0;
    if (FAILED(::OleInitialize(nullptr))) return 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    HMODULE richEdit = ::LoadLibraryW(L"Riched20.dll");
    UseModuleFolderForLanguages();
    AnswerDialogsFromTestEnvironment();

    try {
        RunMainWindow();
    } catch (const std::exception& error) {
        // A window that cannot be built names itself and its skin; the user sees why.
        ::MessageBoxW(nullptr, platform::fromUtf8(error.what()).c_str(), L"Quillmere", MB_OK | MB_ICONERROR);
    }

    ui::CPaintManagerUI::Term();
    if (richEdit) ::FreeLibrary(richEdit);
    Gdiplus::GdiplusShutdown(gdiplusToken);
    ::OleUninitialize();
    ::CoUninitialize();
    TerminateProcessesByName(kPreviewPlayer, GetModuleFolder());
    TerminateProcessesByName(kPreviewPlayerSecond, GetModuleFolder());
    // The preview's copies hold the user's private files: none is left behind.
    preview::DeletePreviewTempFiles(RememberedPreviewDocuments());
    return 0;
}

}  // namespace qm::app
