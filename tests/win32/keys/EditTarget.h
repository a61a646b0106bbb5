#pragma once
// Runs edit-target.exe (built beside the test) as a process of its own, waits
// until its edit field has the keyboard focus, and reads what was typed.

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

class EditTarget {
  public:
    EditTarget() {
        wchar_t module[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring folder(module, length);
        folder.resize(folder.find_last_of(L"\\/") + 1);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wchar_t file[MAX_PATH];
        if (GetTempFileNameW(temp, L"vte", 0, file) == 0) fail("GetTempFileNameW");
        output_ = file;
        std::wstring command = L"\"" + folder + L"edit-target.exe\" \"" + output_ + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_)) {
            fail("CreateProcessW edit-target.exe");
        }
        WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 200 && !focused(); ++i) std::this_thread::sleep_for(wait);
        if (!focused()) throw std::runtime_error("edit-target did not get the keyboard focus");
    }

    ~EditTarget() {
        if (process_.hProcess == nullptr) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        DeleteFileW(output_.c_str());
    }

    EditTarget(const EditTarget&) = delete;
    EditTarget& operator=(const EditTarget&) = delete;

    // Waits until the field holds at least `length` characters or the time
    // is up, then a moment for anything extra; closes the window and returns
    // the text it wrote.
    std::wstring text(std::size_t length) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (fieldLength() < length && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(wait);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
            throw std::runtime_error("edit-target did not close");
        }
        return readOutput();
    }

    HWND field() const { return field_; }

  private:
    static constexpr std::chrono::milliseconds wait{50};

    [[noreturn]] static void fail(const char* call) {
        throw std::runtime_error(std::string(call) + " failed, error " +
                                 std::to_string(GetLastError()));
    }

    bool focused() {
        window_ = FindWindowW(L"ValtypEditTarget", nullptr);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (window_ == nullptr || !GetGUIThreadInfo(process_.dwThreadId, &info)) return false;
        field_ = info.hwndFocus;
        return field_ != nullptr && field_ != window_ && GetForegroundWindow() == window_;
    }

    std::size_t fieldLength() const {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(field_, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length);
        return length;
    }

    std::wstring readOutput() const {
        HANDLE file = CreateFileW(output_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) fail("CreateFileW of edit-target's text");
        std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
        DWORD read = 0;
        const bool ok = ReadFile(file, text.data(),
                                 static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
        CloseHandle(file);
        if (!ok) fail("ReadFile of edit-target's text");
        text.resize(read / sizeof(wchar_t));
        return text;
    }

    std::wstring output_;
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
    HWND field_ = nullptr;
};
