#pragma once
// A program started as Windows starts it, its output kept in a file, its window found; ended by
// the test with WM_CLOSE to that window, or terminated when the test leaves it running.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace win32test {

inline std::wstring widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length));
    return wide;
}

// A folder or file the test script names by its Linux path, as Windows programs under Wine
// reach it: through drive Z:.
inline std::wstring pathFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') throw std::runtime_error(std::string(variable) + " is not set");
    std::wstring path = widen(value);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path[0] == L'\\' ? L"Z:" + path : path;
}

// The whole file, shared with a writer that may still hold it open; empty when it cannot be read.
inline std::string readWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}

// The exit status of a process, or nothing when it still runs after the time.
inline std::optional<DWORD> exitStatus(HANDLE process, std::chrono::milliseconds limit) {
    if (WaitForSingleObject(process, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(process, &status);
    return status;
}

[[noreturn]] inline void failWithLastError(const char* call) {
    throw std::runtime_error(std::string(call) + " failed, error " + std::to_string(GetLastError()));
}

// A new empty file in the temporary folder, deleted with the object.
class TempFile {
  public:
    TempFile() {
        wchar_t folder[MAX_PATH];
        wchar_t file[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        if (GetTempFileNameW(folder, L"vtt", 0, file) == 0) failWithLastError("GetTempFileNameW");
        path_ = file;
    }
    ~TempFile() { DeleteFileW(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

class Program {
  public:
    // Starts the command line; the program's standard output and error go to one file.
    explicit Program(std::wstring commandLine) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE output = CreateFileW(output_.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) failWithLastError("CreateFileW of the output file");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
        const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, nullptr, &startup, &process_);
        CloseHandle(output);
        if (!started) failWithLastError("CreateProcessW");
    }

    ~Program() {
        if (process_.hProcess == nullptr) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The exit status, or nothing when the program still runs after the time.
    std::optional<DWORD> wait(std::chrono::milliseconds limit) const {
        return exitStatus(process_.hProcess, limit);
    }

    std::string output() const { return readWholeFile(output_.path()); }

    // Where each of the program's threads stands, as Wine's debugger tells it, for a test to show
    // when the program does not end (a hang may show only on another machine). The debugger
    // cannot attach to a process that is already ending and says so instead.
    std::string threadStacks() const {
        Program debugger(L"winedbg.exe --command \"bt all\" " +
                         std::to_wstring(process_.dwProcessId));
        if (!debugger.wait(std::chrono::seconds(60))) return "(the debugger did not answer)\n";
        char own[32];
        std::snprintf(own, sizeof own, "in process %04lx ",
                      static_cast<unsigned long>(process_.dwProcessId));
        // "bt all" tells of every process; a thread's stack runs from its heading to a blank line.
        std::string stacks;
        bool ours = false;
        std::size_t from = 0;
        const std::string all = debugger.output();
        while (from < all.size()) {
            std::size_t end = all.find('\n', from);
            if (end == std::string::npos) end = all.size();
            const std::string line = all.substr(from, end - from);
            from = end + 1;
            if (line.rfind("Backtracing for thread", 0) == 0)
                ours = line.find(own) != std::string::npos;
            if (ours) stacks += line.substr(0, 200) + "\n";
        }
        return stacks.empty() ? all : stacks;
    }

    HANDLE handle() const { return process_.hProcess; }
    DWORD threadId() const { return process_.dwThreadId; }

    // The program's visible top-level window whose title holds the text; waits for it.
    HWND window(const std::wstring& titlePart,
                std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        do {
            if (HWND found = findWindow(titlePart)) return found;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < deadline && !wait(std::chrono::milliseconds(0)));
        return nullptr;
    }

  private:
    struct Search {
        DWORD processId;
        const std::wstring* titlePart;
        HWND found;
    };

    HWND findWindow(const std::wstring& titlePart) const {
        Search search{process_.dwProcessId, &titlePart, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t title[256] = {};
                GetWindowTextW(window, title, 256);
                if (owner != s.processId || !IsWindowVisible(window) ||
                    std::wstring(title).find(*s.titlePart) == std::wstring::npos)
                    return TRUE;
                s.found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    TempFile output_;
    PROCESS_INFORMATION process_{};
};

}  // namespace win32test
