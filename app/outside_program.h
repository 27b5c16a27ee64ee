// Runs one of the outside programs beside Quillmere (archive lister, PDF page renderer, media
// player) without a window of its own and collects what it writes to its console. Every wait is
// bounded: a program that hangs is ended (that process only) and the caller goes on.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm::app {

struct OutsideRunLimits {
    DWORD timeoutMs = 20000;
    size_t maxOutputBytes = 1 << 20;  // more is read and dropped, so the program never blocks
    DWORD creationFlags = CREATE_NO_WINDOW;
    // Whether the program keeps running once stopWhen has held (a player goes on playing).
    bool leaveRunning = false;
};

struct OutsideRunResult {
    bool started = false;
    bool finished = false;   // the program ended by itself
    bool timedOut = false;   // ended by us after the time limit
    bool stopMatched = false;
    DWORD exitCode = 0;
    std::string output;      // standard output and error, as written
};

// The quoted path followed by arguments, the way our programs expect their command lines.
std::wstring QuotedCommandLine(const std::wstring& exePath, const std::wstring& arguments);

// Starts exePath with the command line, its standard output and error into one pipe. The pipe
// is polled: 5 ms on the process, then up to 4096 bytes at a time while data waits. Stops when
// stopWhen holds for the output so far, or when the program has ended and 100 further polls
// found nothing, or at the time limit (the program is then ended).
OutsideRunResult RunOutsideProgram(const std::wstring& exePath, const std::wstring& commandLine,
                                   const OutsideRunLimits& limits,
                                   const std::function<bool(const std::string&)>& stopWhen = {});

}  // namespace qm::app
