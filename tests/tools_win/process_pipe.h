// Starts a program the way the preview starts its helpers (no console window of its own, a new
// process group, standard output and error into one pipe) and reads that pipe with a bound.
#pragma once
#include <windows.h>

#include <string>

namespace qm::test {

class PipedProcess {
public:
    PipedProcess() = default;
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;
    ~PipedProcess() {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
        if (process_) CloseHandle(process_);
        if (read_) CloseHandle(read_);
    }

    bool start(const std::wstring& commandLine) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE write = nullptr;
        if (!CreatePipe(&read_, &write, &sa, 0)) return false;
        SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = write;
        si.hStdError = write;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION pi{};
        std::wstring mutableLine = commandLine;
        BOOL ok = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                                 CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
        CloseHandle(write);  // ours must go, or the pipe never reports the end of the output
        if (!ok) return false;
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        return true;
    }

    // Reads until the output holds `stop` (empty: until the process ends), or the program ended
    // and its output is drained, or the time bound passed. Returns everything read so far.
    const std::string& readUntil(const std::string& stop, DWORD boundMs) {
        ULONGLONG deadline = GetTickCount64() + boundMs;
        while (GetTickCount64() < deadline) {
            if (!stop.empty() && output_.find(stop) != std::string::npos) break;
            DWORD available = 0;
            if (PeekNamedPipe(read_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                std::string chunk(available, '\0');
                DWORD got = 0;
                if (ReadFile(read_, chunk.data(), available, &got, nullptr)) output_.append(chunk, 0, got);
                continue;
            }
            if (WaitForSingleObject(process_, 20) == WAIT_OBJECT_0) {
                DWORD left = 0;
                if (!PeekNamedPipe(read_, nullptr, 0, nullptr, &left, nullptr) || left == 0) break;
            }
        }
        return output_;
    }

    // The exit code, or STILL_ACTIVE when the program has not ended within the bound.
    DWORD waitExit(DWORD boundMs) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_, boundMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_, &code);
        return code;
    }

    DWORD id() const { return pid_; }
    const std::string& output() const { return output_; }

private:
    HANDLE process_ = nullptr;
    HANDLE read_ = nullptr;
    DWORD pid_ = 0;
    std::string output_;
};

}  // namespace qm::test
