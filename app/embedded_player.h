// Playing a previewed media file with our players beside the program: audio through the shell
// with Player1.exe, video with Player.exe placed over the preview area, watched until it reports
// that playback has started.
#pragma once
#include <windows.h>

#include <string>

namespace qm::app {

// The longest a video preview waits for the player to report playback.
inline constexpr DWORD kVideoStartLimitMs = 15000;

// The player's command line for the media file, with the program folder for "%s".
std::wstring VideoPlayerCommandLine(const std::wstring& programFolder, const std::wstring& mediaPath);

// Opens Player1.exe of the program folder through the shell with the quoted path.
void PlayAudioPreview(HWND owner, const std::wstring& mediaPath);

// Starts Player.exe for the file and waits (bounded) until its output holds a "%". true when it
// did; a player that never did within the limit is ended.
bool PlayVideoPreview(const std::wstring& mediaPath);

}  // namespace qm::app
