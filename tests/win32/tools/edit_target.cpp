// A window with one focused multi-line edit field, for typing tests under
// Windows or Wine. Run as edit-target <file>: when the window is told to
// close, it writes the field's text to the file as UTF-16LE and exits.

#include <windows.h>

#include <string>

namespace {

constexpr wchar_t className[] = L"ValtypEditTarget";
HWND edit = nullptr;
const wchar_t* outputPath = nullptr;

bool writeText() {
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got));
    HANDLE file = CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const bool ok = WriteFile(file, text.data(), size, &written, nullptr) && written == size;
    return CloseHandle(file) && ok;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            edit = CreateWindowExW(
                0, L"EDIT", L"",
                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                0, 0, 600, 400, window, nullptr, nullptr, nullptr);
            return edit == nullptr ? -1 : 0;
        case WM_SETFOCUS:
            SetFocus(edit);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(writeText() ? 0 : 3);
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    outputPath = argv[1];
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    if (RegisterClassW(&windowClass) == 0) return 1;
    HWND window = CreateWindowExW(0, className, L"Valtyp edit target", WS_OVERLAPPEDWINDOW, 0, 0,
                                  640, 480, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(edit);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
