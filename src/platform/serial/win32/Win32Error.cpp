#include "platform/serial/win32/Win32Error.h"

#include "platform/serial/SerialDriver.h"

namespace win32serial {

int failWithLastError(int code, const std::string& call) {
    DWORD error = GetLastError();
    setErrorText(call + ": " + platform::win32::errorText(error));
    SetLastError(error);
    return code;
}

int openResultFor(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return SER_ERR_NO_FILE;
        case ERROR_ACCESS_DENIED:  // what Windows answers when another program has the port
        case ERROR_SHARING_VIOLATION:
            return SER_ERR_IN_USE;
        case ERROR_BUSY:
            return SER_ERR_BUSY;
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
            return SER_ERR_NO_DEVICE;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_PARAMETER:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return SER_ERR_NOT_VALID;
        default:
            return SER_ERR_SYSTEM;
    }
}

bool deviceGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:  // a USB adapter pulled out while open
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_READY:  // a pseudo-terminal's far end closed, under Wine
        case ERROR_IO_DEVICE:
        case ERROR_HANDLE_EOF:
        case ERROR_BROKEN_PIPE:
            return true;
        default:
            return false;
    }
}

}  // namespace win32serial
