#include "app/outside_program.h"

#include <vector>

namespace qm::app {

namespace {

constexpr DWORD kPollMs = 5;
constexpr int kPollsAfterExit = 100;
constexpr DWORD kChunkBytes = 4096;

struct Handle {
    HANDLE value = nullptr;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    void Close() {
        if (value && value != INVALID_HANDLE_VALUE) ::CloseHandle(value);
        value = nullptr;
    }
};

// Reads what waits in the pipe; false when nothing did.
bool Drain(HANDLE pipe, std::string& output, size_t maxOutput) {
    bool any = false;
    char chunk[kChunkBytes];
    for (;;) {
        DWORD waiting = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) return any;
        DWORD got = 0;
        if (!::ReadFile(pipe, chunk, waiting < kChunkBytes ? waiting : kChunkBytes, &got, nullptr) || got == 0) return any;
        any = true;
        if (output.size() < maxOutput) output.append(chunk, got < maxOutput - output.size() ? got : maxOutput - output.size());
    }
}

}  // namespace

std::wstring QuotedCommandLine(const std::wstring& exePath, const std::wstring& arguments) {
    std::wstring line = L"\"" + exePath + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    return line;
}

OutsideRunResult RunOutsideProgram(const std::wstring& exePath, const std::wstring& commandLine,
                                   const OutsideRunLimits& limits, const std::function<bool(const std::string&)>& stopWhen) {
    OutsideRunResult result;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!::CreatePipe(&readEnd.value, &writeEnd.value, &inheritable, 0)) return result;
    // Only the child's end is inherited.
    ::SetHandleInformation(readEnd.value, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.value;
    startup.hStdError = writeEnd.value;
    PROCESS_INFORMATION info{};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!::CreateProcessW(exePath.c_str(), line.data(), nullptr, nullptr, TRUE, limits.creationFlags, nullptr, nullptr,
                          &startup, &info))
        return result;
    result.started = true;
    Handle process, thread;
    process.value = info.hProcess;
    thread.value = info.hThread;
    writeEnd.Close();  // so the pipe reports the end once the program has gone

    const DWORD start = ::GetTickCount();
    int idleAfterExit = 0;
    for (;;) {
        const bool ended = ::WaitForSingleObject(process.value, kPollMs) == WAIT_OBJECT_0;
        const bool read = Drain(readEnd.value, result.output, limits.maxOutputBytes);
        if (stopWhen && stopWhen(result.output)) {
            result.stopMatched = true;
            break;
        }
        if (ended) {
            result.finished = true;
            if (read) idleAfterExit = 0;
            else if (++idleAfterExit >= kPollsAfterExit) break;
        }
        if (::GetTickCount() - start >= limits.timeoutMs) {
            if (!ended) {
                result.timedOut = true;
                ::TerminateProcess(process.value, 1);
                ::WaitForSingleObject(process.value, 1000);
            }
            break;
        }
    }
    if (result.stopMatched && !limits.leaveRunning && ::WaitForSingleObject(process.value, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.value, 1);
        ::WaitForSingleObject(process.value, 1000);
    }
    ::GetExitCodeProcess(process.value, &result.exitCode);
    return result;
}

}  // namespace qm::app
