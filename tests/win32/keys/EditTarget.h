#pragma once
// Runs edit-target.exe (built beside the test) as a process of its own, waits
// until its edit field has the keyboard focus, and reads what was typed.

#include "win32/Program.h"

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

class EditTarget {
  public:
    EditTarget() : program_(command(text_.path())) {
        WaitForInputIdle(program_.handle(), 10000);
        for (int i = 0; i < 200 && !focused(); ++i) std::this_thread::sleep_for(wait);
        if (!focused()) throw std::runtime_error("edit-target did not get the keyboard focus");
    }

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
        if (!program_.wait(std::chrono::seconds(10)))
            throw std::runtime_error("edit-target did not close");
        const std::string bytes = win32test::readWholeFile(text_.path());
        std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
        bytes.copy(reinterpret_cast<char*>(text.data()), text.size() * sizeof(wchar_t));
        return text;
    }

    HWND field() const { return field_; }

  private:
    static constexpr std::chrono::milliseconds wait{50};

    static std::wstring command(const std::wstring& textFile) {
        wchar_t module[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring folder(module, length);
        folder.resize(folder.find_last_of(L"\\/") + 1);
        return L"\"" + folder + L"edit-target.exe\" \"" + textFile + L"\"";
    }

    bool focused() {
        window_ = FindWindowW(L"ValtypEditTarget", nullptr);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (window_ == nullptr || !GetGUIThreadInfo(program_.threadId(), &info)) return false;
        field_ = info.hwndFocus;
        return field_ != nullptr && field_ != window_ && GetForegroundWindow() == window_;
    }

    std::size_t fieldLength() const {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(field_, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length);
        return length;
    }

    win32test::TempFile text_;
    win32test::Program program_;
    HWND window_ = nullptr;
    HWND field_ = nullptr;
};
