// The real Quillmere.exe under Wine: one running copy (a second start brings the first window up
// and ends), its window as the program builds it, and the exit that ends only the program's own
// media players.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/player_processes.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"

using namespace qm;

namespace {

struct Process {
    PROCESS_INFORMATION info{};
    bool started = false;
    Process(const std::wstring& exe) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + exe + L"\"";
        started = ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info) != FALSE;
    }
    ~Process() {
        if (!started) return;
        if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info.hProcess, 1);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    // The exit code once it ended within the limit, else STILL_ACTIVE.
    DWORD ExitCode(DWORD limitMs) const {
        ::WaitForSingleObject(info.hProcess, limitMs);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

std::wstring ProgramExe() { return guitest::ProgramFolder() + L"Quillmere.exe"; }

HWND WaitForMainWindow() {
    HWND found = nullptr;
    guitest::PumpUntil([&] { return (found = ::FindWindowW(nullptr, L"Tessaly")) != nullptr && ::IsWindowVisible(found); },
                       20000);
    return found;
}

}  // namespace

TEST(QuillmereProgram, SecondStartBringsTheFirstWindowUpAndEnds) {
    Process first(ProgramExe());
    ASSERT_TRUE(first.started);
    HWND window = WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    EXPECT_STREQ(L"FileRecoveryWnd", cls);
    RECT rc{};
    ::GetWindowRect(window, &rc);
    EXPECT_EQ(1000, rc.right - rc.left);
    EXPECT_EQ(650, rc.bottom - rc.top);
    HMODULE program = ::LoadLibraryExW(ProgramExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    EXPECT_NE(nullptr, ::LoadImageW(program, MAKEINTRESOURCEW(102), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)) << "icon 102";
    ::FreeLibrary(program);
    // Another process paints it: wait until the blue title area shows.
    EXPECT_TRUE(guitest::PumpUntil(
        [&] { return guitest::CountPixelsNear(guitest::CaptureWindow(window), 0x0089BE) > 1000u * 60u; }, 10000));
    guitest::SaveWindowScreenshot(window, L"quillmere_start.png");

    ::ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(guitest::PumpUntil([&] { return ::IsIconic(window) != FALSE; }));
    Process second(ProgramExe());
    ASSERT_TRUE(second.started);
    EXPECT_EQ(0u, second.ExitCode(20000));
    EXPECT_FALSE(::IsIconic(window));
    EXPECT_TRUE(::IsWindowVisible(window));

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, first.ExitCode(20000));
}

TEST(QuillmereProgram, ExitEndsOnlyPlayersOfTheProgramFolder) {
    // A process named Player.exe outside the program folder: the program itself, copied away
    // from its picture component, waits at its start-up message.
    test::TempDir elsewhere;
    const std::wstring player = elsewhere.file(L"Player.exe");
    ASSERT_TRUE(::CopyFileW(ProgramExe().c_str(), player.c_str(), FALSE));
    Process stranger(player);
    ASSERT_TRUE(stranger.started);
    guitest::PumpFor(500);
    ASSERT_EQ(STILL_ACTIVE, stranger.ExitCode(0));

    EXPECT_EQ(0, app::TerminateProcessesByName(L"Player.exe", guitest::ProgramFolder()));
    EXPECT_EQ(STILL_ACTIVE, stranger.ExitCode(300)) << "a player outside the program folder was ended";
    EXPECT_EQ(0, app::TerminateProcessesByName(L"player.exe", elsewhere.path()));
    EXPECT_EQ(STILL_ACTIVE, stranger.ExitCode(300)) << "names compare case-sensitively";
    EXPECT_EQ(0, app::TerminateProcessesByName(L"Player.exe", elsewhere.path()));
    EXPECT_EQ(0u, stranger.ExitCode(10000));
}

TEST(QuillmereProgram, FolderTestIgnoresCaseAndSeparators) {
    EXPECT_TRUE(app::IsFileDirectlyInFolder(L"C:\\Program Files\\Quillmere\\Player.exe", L"c:/program files/quillmere/"));
    EXPECT_FALSE(app::IsFileDirectlyInFolder(L"C:\\Program Files\\Quillmere\\sub\\Player.exe", L"C:/Program Files/Quillmere/"));
    EXPECT_FALSE(app::IsFileDirectlyInFolder(L"C:\\Program Files\\Quillmere2\\Player.exe", L"C:/Program Files/Quillmere"));
}
