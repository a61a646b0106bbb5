#include "platform/System.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/Text.h"

namespace platform {

using win32::errorText;
using win32::toUtf8;
using win32::toWide;

std::optional<std::string> DynamicLibrary::open(const std::string& file) {
    HMODULE module = LoadLibraryExW(toWide(file).c_str(), nullptr, 0);
    if (!module) return "LoadLibraryExW " + file + ": " + errorText(GetLastError());
    (void)close();
    handle_ = reinterpret_cast<void*>(module);
    file_ = file;
    return std::nullopt;
}

void* DynamicLibrary::symbol(const char* name, std::string* why) const {
    FARPROC found = handle_ ? GetProcAddress(reinterpret_cast<HMODULE>(handle_), name) : nullptr;
    if (!found && why) *why = file_ + ": GetProcAddress " + name + ": " + errorText(GetLastError());
    return reinterpret_cast<void*>(found);
}

std::optional<std::string> DynamicLibrary::close() {
    if (!handle_) return std::nullopt;
    std::optional<std::string> problem;
    if (!FreeLibrary(reinterpret_cast<HMODULE>(handle_)))
        problem = "FreeLibrary: " + errorText(GetLastError());
    handle_ = nullptr;
    return problem;
}

std::string sharedLibraryFile(const std::string& name) {
    return name + ".dll";
}

std::string programFolder(std::string* why) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            if (why) *why = "GetModuleFileNameW: " + errorText(GetLastError());
            return {};
        }
        if (length < path.size()) {
            std::wstring program(path.data(), length);
            return toUtf8(program.substr(0, program.find_last_of(L"\\/")));
        }
        path.resize(path.size() * 2);  // cut off: try a longer buffer
    }
}

char folderSeparator() {
    return '\\';
}

bool fileExists(const std::string& path) {
    return GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<SystemNames> systemNames(std::string* why) {
    // GetVersionEx reports what the program's manifest admits to; ntdll tells the truth.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto getVersion = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                                  reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                            : nullptr;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!getVersion || getVersion(&version) != 0) {
        if (why) *why = "RtlGetVersion: not available";
        return std::nullopt;
    }
    SystemNames names;
    const DWORD major = version.dwMajorVersion, minor = version.dwMinorVersion;
    // The names the serial library's platform table knows; Windows 11 still reports 10.0.
    if (major >= 10)
        names.osName = "Windows 10";
    else if (major == 6 && minor == 3)
        names.osName = "Windows 8.1";
    else if (major == 6 && minor == 2)
        names.osName = "Windows 8";
    else if (major == 6 && minor == 1)
        names.osName = "Windows 7";
    else if (major == 6 && minor == 0)
        names.osName = "Windows Vista";
    else
        names.osName = "Windows NT (unknown)";
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    switch (system.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_AMD64:
            names.osArch = "amd64";
            break;
        case PROCESSOR_ARCHITECTURE_ARM64:
            names.osArch = "aarch64";
            break;
        case PROCESSOR_ARCHITECTURE_INTEL:
            names.osArch = "x86";
            break;
        default:
            names.osArch = "unknown";
    }
    return names;
}

std::string homeFolder() {
    DWORD size = GetEnvironmentVariableW(L"USERPROFILE", nullptr, 0);
    if (size == 0) return {};
    std::wstring home(size, L'\0');
    size = GetEnvironmentVariableW(L"USERPROFILE", home.data(), size);
    home.resize(size);
    return toUtf8(home);
}

void endProcess(int status) {
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    std::exit(status);  // only when the system refused to end the process
}

}  // namespace platform
