// Ends the media players that the preview started, at the program's exit. Only a player whose
// executable lies in the program's own folder is ended: a user's unrelated program that merely
// shares the name is left alone.
#pragma once
#include <string>

namespace qm::app {

inline constexpr wchar_t kPreviewPlayer[] = L"Player.exe";
inline constexpr wchar_t kPreviewPlayerSecond[] = L"Player1.exe";

// Every process whose executable name equals exeName exactly (case-sensitive) and whose
// executable lies directly in folder is ended with exit code 0. 0, or the error of the snapshot.
int TerminateProcessesByName(const std::wstring& exeName, const std::wstring& folder);

// Whether the file lies directly in folder; separators "/" and "\" alike, case ignored, the
// folder with or without a trailing separator.
bool IsFileDirectlyInFolder(const std::wstring& filePath, const std::wstring& folder);

}  // namespace qm::app
