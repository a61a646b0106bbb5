#include "platform/focus/win32/Win32FocusProbe.h"

#include "platform/win32/Text.h"

#include <windows.h>

namespace focus {

namespace {

std::string windowTitle(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(window, title.data(), length + 1)));
    return platform::win32::toUtf8(title);
}

// "CALC.EXE" and "CALC", so that a pattern may name the program with or
// without its extension. Empty where the process may not be asked (another
// user's, or an elevated one): the title alone must then match.
std::vector<std::string> programNames(HWND window) {
    DWORD processId = 0;
    if (GetWindowThreadProcessId(window, &processId) == 0) return {};
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    const BOOL named = QueryFullProcessImageNameW(process, 0, path.data(), &size);
    CloseHandle(process);
    if (!named) return {};
    path.resize(size);
    const std::string file = platform::win32::toUtf8(path.substr(path.find_last_of(L"\\/") + 1));
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return {file};
    return {file, file.substr(0, dot)};
}

}  // namespace

std::optional<FocusedWindow> Win32FocusProbe::focused() {
    HWND window = GetForegroundWindow();
    if (window == nullptr) return std::nullopt;
    return FocusedWindow{windowTitle(window), programNames(window)};
}

}  // namespace focus
