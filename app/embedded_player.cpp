#include "app/embedded_player.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "app/module_folder.h"
#include "app/outside_program.h"
#include "preview/lister_output.h"

namespace qm::app {

namespace {

// The program folder the Windows way, without its trailing separator.
std::wstring ProgramFolder() {
    std::wstring folder = GetModuleFolder();
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

constexpr size_t kPlayerOutputBytes = 10u << 20;

}  // namespace

std::wstring VideoPlayerCommandLine(const std::wstring& programFolder, const std::wstring& mediaPath) {
    std::vector<wchar_t> line(programFolder.size() + 256);
    std::swprintf(line.data(), line.size(),
                  L"%ls\\Player.exe -aspect 16:9 -vo direct3d -lavdopts threads=4 -geometry 845:260 -x 326 -y 189",
                  programFolder.c_str());
    return std::wstring(line.data()) + L" \"" + mediaPath + L"\"";
}

void PlayAudioPreview(HWND owner, const std::wstring& mediaPath) {
    const std::wstring player = ProgramFolder() + L"\\Player1.exe";
    const std::wstring parameters = L"\"" + mediaPath + L"\"";
    ::ShellExecuteW(owner, L"open", player.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

bool PlayVideoPreview(const std::wstring& mediaPath) {
    const std::wstring folder = ProgramFolder();
    OutsideRunLimits limits;
    limits.timeoutMs = kVideoStartLimitMs;
    limits.maxOutputBytes = kPlayerOutputBytes;
    limits.creationFlags = CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;
    limits.leaveRunning = true;
    const OutsideRunResult run =
        RunOutsideProgram(folder + L"\\Player.exe", VideoPlayerCommandLine(folder, mediaPath), limits,
                          [](const std::string& output) { return preview::PlayerHasStarted(output); });
    return run.stopMatched;
}

}  // namespace qm::app
