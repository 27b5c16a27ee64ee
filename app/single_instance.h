// One running copy of the program: the first holds a named mutex for its whole life; a second
// start brings the first copy's window up and ends.
#pragma once

namespace qm::app {

inline constexpr wchar_t kSingleInstanceMutexName[] = L"Global\\Quillmere_2015_For_Windows";
inline constexpr wchar_t kMainWindowTitle[] = L"Tessaly";
inline constexpr wchar_t kAlreadyRunningText[] = L"Quillmere is running.";

// Creates the mutex owned by this process (the handle is never closed). false when another copy
// holds it already.
bool ClaimSingleInstance();
// Shows the running copy's main window in its normal state, or tells the user the program runs.
void BringUpRunningCopy();

}  // namespace qm::app
