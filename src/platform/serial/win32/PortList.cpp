#include "platform/serial/win32/PortList.h"

// windows.h first: the SetupAPI headers build on it.
#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <optional>

#include "platform/serial/win32/Win32Error.h"

namespace win32serial {

namespace {

std::optional<unsigned long> comNumber(const std::string& name) {
    if (name.size() < 4) return std::nullopt;
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return std::nullopt;
    if (name.find_first_not_of("0123456789", 3) != std::string::npos) return std::nullopt;
    return std::stoul(name.substr(3));
}

std::wstring registryString(HKEY key, const wchar_t* value) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::string deviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD type = 0, size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size);
    if (size == 0) return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(
            set, &device, property, &type, reinterpret_cast<BYTE*>(text.data()),
            static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr))
        return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return toUtf8(text);
}

bool listed(const std::vector<FoundPort>& ports, const std::string& name) {
    return std::any_of(ports.begin(), ports.end(), [&](const FoundPort& port) {
        return comNumber(port.name) == comNumber(name);
    });
}

void addFromSetupApi(std::vector<FoundPort>& ports) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        std::string name = toUtf8(registryString(key, L"PortName"));
        RegCloseKey(key);
        // Printer ports share the class.
        if (!comNumber(name) || listed(ports, name)) continue;
        ports.push_back({name, deviceProperty(set, device, SPDRP_MFG),
                         deviceProperty(set, device, SPDRP_FRIENDLYNAME)});
    }
    SetupDiDestroyDeviceInfoList(set);
}

void addFromSerialCommMap(std::vector<FoundPort>& ports) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t value[256];
        DWORD valueLength = 256;
        wchar_t data[256] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t), type = 0;
        LONG result = RegEnumValueW(key, i, value, &valueLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        std::string name = toUtf8(data);
        if (comNumber(name) && !listed(ports, name)) ports.push_back({name, "", ""});
    }
    RegCloseKey(key);
}

void addFromDosDevices(std::vector<FoundPort>& ports) {
    std::wstring names(65536, L'\0');
    DWORD length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    if (length == 0) return;
    for (const wchar_t* entry = names.c_str(); *entry; entry += wcslen(entry) + 1) {
        std::string name = toUtf8(entry);
        if (!comNumber(name) || listed(ports, name)) continue;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        ports.push_back({name, "", ""});
    }
}

}  // namespace

bool portNameLess(const std::string& a, const std::string& b) {
    std::optional<unsigned long> x = comNumber(a), y = comNumber(b);
    if (x && y) return *x < *y;
    if (x || y) return x.has_value();
    return a < b;
}

std::vector<FoundPort> findSerialPorts() {
    std::vector<FoundPort> ports;
    addFromSetupApi(ports);
    addFromSerialCommMap(ports);
    addFromDosDevices(ports);
    std::sort(ports.begin(), ports.end(),
              [](const FoundPort& a, const FoundPort& b) { return portNameLess(a.name, b.name); });
    return ports;
}

}  // namespace win32serial
