#include "platform/serial/win32/DeviceWatch.h"

#include <dbt.h>

#include <future>
#include <string>

#include "platform/serial/win32/Win32Error.h"

namespace win32serial {

namespace {

// The serial port device interface class, {86E0D1E0-8089-11D0-9CE4-08003E301F73}.
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

struct Started {
    std::string problem;
    DWORD threadId = 0;
};

struct Listener {
    SerDeviceNotification callback;
    void* context;
};

bool aboutPorts(LPARAM lParam) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    return header && (header->dbch_devicetype == DBT_DEVTYP_PORT ||
                      header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE &&
        (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && aboutPorts(lParam)) {
        auto* listener = reinterpret_cast<Listener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (listener) listener->callback(listener->context);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void run(Listener listener, std::promise<Started> started) {
    HINSTANCE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&windowProcedure), &module);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = DeviceWatch::kWindowClass;
    // Registered once per process; a second start finds it there.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        failWithLastError(0, "RegisterClassExW");
        started.set_value({errorText()});
        return;
    }
    // A hidden top-level window: port broadcasts go to top-level windows only.
    HWND window = CreateWindowExW(0, DeviceWatch::kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, module, nullptr);
    if (!window) {
        failWithLastError(0, "CreateWindowExW");
        started.set_value({errorText()});
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&listener));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    // Without it the window still hears the port broadcasts of the legacy drivers.
    HDEVNOTIFY registration =
        RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    started.set_value({{}, GetCurrentThreadId()});
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (registration) UnregisterDeviceNotification(registration);
    DestroyWindow(window);
}

}  // namespace

bool DeviceWatch::start(SerDeviceNotification callback, void* context) {
    stop();
    std::lock_guard lock(mutex_);
    std::promise<Started> started;
    std::future<Started> result = started.get_future();
    thread_ = std::thread(run, Listener{callback, context}, std::move(started));
    Started outcome = result.get();
    if (!outcome.problem.empty()) {
        thread_.join();
        setErrorText(outcome.problem);
        return false;
    }
    threadId_ = outcome.threadId;
    return true;
}

void DeviceWatch::stop() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    // The thread has its message queue from CreateWindowExW on, so the quit cannot get lost.
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    threadId_ = 0;
}

}  // namespace win32serial
