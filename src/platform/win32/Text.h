#pragma once
// UTF-8 inside the program, UTF-16 at the Win32 API.

#include <windows.h>

#include <string>

namespace platform::win32 {

std::string toUtf8(const std::wstring& text);
std::wstring toWide(const std::string& text);
// "<system text> (error N)" for a GetLastError value.
std::string errorText(DWORD error);

}  // namespace platform::win32
