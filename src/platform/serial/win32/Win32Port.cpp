#include "platform/serial/win32/Win32Port.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <optional>

#include "platform/serial/LineRequest.h"
#include "platform/serial/SerialDriver.h"

namespace win32serial {

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kDefaultBreak = 250;

// What a port without modem lines answers (a virtual port, or a pseudo-terminal under Wine):
// such a line reads as off and setting it changes nothing, as on the POSIX side.
bool noSuchFeature(DWORD error) {
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool rateWithinTolerance(DWORD actual, int wanted) {
    // UARTs divide a clock; 2 % off still receives reliably.
    return std::abs(static_cast<long long>(actual) - wanted) * 50 <= wanted;
}

// What of the wanted settings the line did not take, for the operator; empty when it took all.
std::string settingsNotTaken(const DCB& wanted, const DCB& got, const SerPortConfig& config,
                             int rate) {
    const std::string adapter = "the adapter does not support ";
    if (!rateWithinTolerance(got.BaudRate, rate)) return adapter + std::to_string(rate) + " bit/s";
    if (got.ByteSize != wanted.ByteSize || got.Parity != wanted.Parity)
        return adapter + serialdriver::formatText(config);
    if (got.StopBits != wanted.StopBits)
        return adapter + (wanted.StopBits == TWOSTOPBITS ? "2 stop bits" : "1 stop bit");
    if (got.fOutxCtsFlow != wanted.fOutxCtsFlow ||
        (got.fRtsControl == RTS_CONTROL_HANDSHAKE) != (wanted.fRtsControl == RTS_CONTROL_HANDSHAKE))
        return adapter + "RTS/CTS flow control";
    if (got.fOutxDsrFlow != wanted.fOutxDsrFlow ||
        (got.fDtrControl == DTR_CONTROL_HANDSHAKE) != (wanted.fDtrControl == DTR_CONTROL_HANDSHAKE))
        return adapter + "DSR/DTR flow control";
    if (got.fOutX != wanted.fOutX || got.fInX != wanted.fInX)
        return adapter + "XON/XOFF flow control";
    return {};
}

}  // namespace

std::wstring devicePath(const SerPortConfig& config) {
    std::string name = config.portName ? config.portName : "";
    if (name.empty() && config.baseName && *config.baseName && config.port > 0)
        name = config.baseName + std::to_string(config.port);
    std::wstring path = toWide(name);
    if (path.empty() || path.rfind(L"\\\\", 0) == 0) return path;
    // COM10 and above open only through the device namespace; the lower ones do as well.
    std::wstring upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return L"\\\\.\\" + upper;
}

Win32Port::Win32Port(Handle device, std::wstring path)
    : device_(std::move(device)), path_(std::move(path)) {
    std::wstring shown = path_.rfind(L"\\\\.\\", 0) == 0 ? path_.substr(4) : path_;
    name_ = toUtf8(shown);
}

Win32Port::~Win32Port() {
    // Nothing may still write into this object's buffer once it is gone.
    if (device_.valid()) CancelIo(device_.get());
}

int Win32Port::open(const std::wstring& path, const SerPortConfig& config,
                    std::unique_ptr<Win32Port>& port) {
    const std::string shown = toUtf8(path);
    if (path.empty()) {
        setErrorText("no device name given");
        return SER_ERR_NOT_VALID;
    }
    // Windows opens a COM port for one handle at a time: no sharing to ask for.
    Handle device(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr));
    if (!device.valid()) {
        DWORD error = GetLastError();
        setErrorText("CreateFileW " + shown + ": " + systemErrorText(error));
        return openResultFor(error);
    }
    DCB probe{};
    probe.DCBlength = sizeof probe;
    if (GetFileType(device.get()) != FILE_TYPE_CHAR || !GetCommState(device.get(), &probe)) {
        setErrorText(shown + " is not a serial device: " + systemErrorText(GetLastError()));
        return SER_ERR_NOT_VALID;
    }
    std::unique_ptr<Win32Port> opened(new Win32Port(std::move(device), path));
    opened->readDone_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    opened->writeDone_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!opened->readDone_.valid() || !opened->writeDone_.valid())
        return failWithLastError(SER_ERR_SYSTEM, "CreateEventW");
    HANDLE h = opened->device_.get();
    if (config.rxLen > 0 && config.txLen > 0 &&
        !SetupComm(h, static_cast<DWORD>(config.rxLen), static_cast<DWORD>(config.txLen)))
        return failWithLastError(SER_ERR_SYSTEM, "SetupComm " + shown);
    // All zero: a read waits until every byte asked for came, a write until all went. The
    // waits themselves are ours, on the overlapped events, so that a stop can end them.
    COMMTIMEOUTS timeouts{};
    if (!SetCommTimeouts(h, &timeouts))
        return failWithLastError(SER_ERR_SYSTEM, "SetCommTimeouts " + shown);
    if (!opened->collectErrors()) return SER_ERR_SYSTEM;
    opened->lineErrors_ = 0;  // from before our time
    int result = opened->configure(config);
    if (result != SER_OK) return result;
    port = std::move(opened);
    return SER_OK;
}

int Win32Port::configure(const SerPortConfig& config) {
    std::optional<int> rate = serialdriver::requestedRate(config.bitRate);
    if (!rate) {
        setErrorText("no bit rate for index " + std::to_string(config.bitRate));
        return SER_ERR_BAD_SETTING;
    }
    std::optional<serialdriver::CharacterFormat> format = serialdriver::characterFormat(config);
    if (!format) {
        setErrorText("unknown character format");
        return SER_ERR_BAD_SETTING;
    }
    const serialdriver::FlowControl flow = serialdriver::flowControl(config.handshake);
    HANDLE h = device_.get();
    DCB old{};
    old.DCBlength = sizeof old;
    if (!GetCommState(h, &old)) return failWithLastError(SER_ERR_SYSTEM, "GetCommState " + name_);
    DCB wanted = old;
    wanted.BaudRate = static_cast<DWORD>(*rate);
    wanted.ByteSize = static_cast<BYTE>(format->dataBits);
    wanted.Parity = static_cast<BYTE>(format->parity);  // the record uses Windows' numbers
    wanted.StopBits = format->stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    wanted.fBinary = TRUE;
    wanted.fParity = format->parity != serialdriver::Parity::kNone;
    wanted.fOutxCtsFlow = flow.rtsCtsOut;
    wanted.fRtsControl = flow.rtsCtsIn ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    wanted.fOutxDsrFlow = flow.dsrDtr;
    wanted.fDtrControl = flow.dsrDtr ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_ENABLE;
    wanted.fDsrSensitivity = FALSE;
    wanted.fTXContinueOnXoff = TRUE;
    wanted.fOutX = flow.xonXoffOut;
    wanted.fInX = flow.xonXoffIn;
    wanted.XonChar = 0x11;
    wanted.XoffChar = 0x13;
    wanted.fErrorChar = FALSE;
    wanted.fNull = FALSE;
    // Errors are marked through ClearCommError; aborting reads on them would lose data.
    wanted.fAbortOnError = FALSE;
    if (!SetCommState(h, &wanted)) {
        DWORD error = GetLastError();
        (void)SetCommState(h, &old);
        setErrorText("SetCommState " + name_ + ": " + systemErrorText(error));
        // Drivers refuse settings their hardware lacks as an invalid parameter.
        return error == ERROR_INVALID_PARAMETER ? SER_ERR_NOT_TAKEN : SER_ERR_SYSTEM;
    }
    DCB got{};
    got.DCBlength = sizeof got;
    if (!GetCommState(h, &got)) return failWithLastError(SER_ERR_SYSTEM, "GetCommState " + name_);
    if (std::string why = settingsNotTaken(wanted, got, config, *rate); !why.empty()) {
        // A port without modem lines that kept its own character format and took the rest is
        // virtual (a pseudo-terminal under Wine keeps 8 bits without parity): its far end
        // decides the format.
        DCB formatAsGot = wanted;
        formatAsGot.ByteSize = got.ByteSize;
        formatAsGot.Parity = got.Parity;
        DWORD lines = 0;
        if (settingsNotTaken(formatAsGot, got, config, *rate).empty() &&
            !GetCommModemStatus(h, &lines) && GetLastError() == ERROR_NOT_SUPPORTED) {
            virtual_ = true;
            return SER_OK;
        }
        (void)SetCommState(h, &old);
        setErrorText(why);
        return SER_ERR_NOT_TAKEN;
    }
    return SER_OK;
}

bool Win32Port::collectErrors(COMSTAT* status) {
    DWORD errors = 0;
    COMSTAT local{};
    if (!ClearCommError(device_.get(), &errors, status ? status : &local)) {
        failWithLastError(-1, "ClearCommError " + name_);
        return false;
    }
    lineErrors_ |= errors;
    return true;
}

Win32Port::Fill Win32Port::readFailure(const char* call) {
    DWORD error = GetLastError();
    setErrorText(std::string(call) + " " + name_ + ": " + systemErrorText(error));
    return deviceGone(error) ? Fill::kGone : Fill::kFailed;
}

Win32Port::Fill Win32Port::fill(DWORD waitMilliseconds, HANDLE wake) {
    begin_ = end_ = 0;
    COMSTAT status{};
    if (!collectErrors(&status)) return deviceGone(GetLastError()) ? Fill::kGone : Fill::kFailed;
    // What is queued comes at once; on an idle line one byte is waited for, since waiting for
    // a comm event does not work on every port (virtual ones among them).
    const DWORD wanted = status.cbInQue > 0 ? std::min<DWORD>(status.cbInQue, buffer_.size()) : 1;
    OVERLAPPED request{};
    request.hEvent = readDone_.get();
    ResetEvent(readDone_.get());
    DWORD got = 0;
    bool cancelled = false;
    if (!ReadFile(device_.get(), buffer_.data(), wanted, &got, &request)) {
        if (GetLastError() != ERROR_IO_PENDING) return readFailure("ReadFile");
        const HANDLE events[2] = {readDone_.get(), wake};
        const DWORD count = wake ? 2 : 1;
        DWORD waited = WaitForMultipleObjects(count, events, FALSE, waitMilliseconds);
        if (waited == WAIT_FAILED) {
            failWithLastError(-1, "WaitForMultipleObjects " + name_);
            CancelIoEx(device_.get(), &request);
            GetOverlappedResult(device_.get(), &request, &got, TRUE);
            return Fill::kFailed;
        }
        if (waited != WAIT_OBJECT_0) {
            cancelled = true;
            CancelIoEx(device_.get(), &request);
        }
        // Waits for the cancel to finish too: the buffer belongs to the read until then. A
        // byte that came meanwhile is kept.
        if (!GetOverlappedResult(device_.get(), &request, &got, TRUE)) {
            if (!(cancelled && GetLastError() == ERROR_OPERATION_ABORTED))
                return readFailure("ReadFile");
        }
    }
    if (got == 0 && !cancelled) {
        // With no time-outs set, a read ends without data only when the device is gone.
        setErrorText("ReadFile " + name_ + ": end of file");
        return Fill::kGone;
    }
    end_ = got;
    // The error marks that came with these bytes.
    if (got > 0) (void)collectErrors();
    return got > 0 ? Fill::kData : Fill::kNothing;
}

int Win32Port::getByte() {
    if (buffered() == 0) {
        switch (fill(static_cast<DWORD>(timeoutRx_), nullptr)) {
            case Fill::kData:
                break;
            case Fill::kNothing:
                return -1;
            case Fill::kFailed:
                return -3;
            case Fill::kGone:
                return -2;
        }
    }
    return buffer_[begin_++];
}

int Win32Port::waitReadable(HANDLE wake, int milliseconds) {
    if (buffered() > 0) return 1;
    Fill result = fill(milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds), wake);
    // A failure is for the next read to report.
    return result == Fill::kNothing ? 0 : 1;
}

int Win32Port::getData(unsigned char* buffer, int count) {
    if (count <= 0) return 0;
    auto wanted = static_cast<size_t>(count);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutRx_);
    size_t got = 0;
    for (;;) {
        size_t take = std::min(buffered(), wanted - got);
        std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(begin_), take, buffer + got);
        begin_ += take;
        got += take;
        if (got == wanted) break;
        Fill result = fill(static_cast<DWORD>(millisecondsUntil(deadline)), nullptr);
        if (failed(result)) return got > 0 ? static_cast<int>(got) : -1;
        if (result == Fill::kNothing) break;
    }
    return static_cast<int>(got);
}

int Win32Port::putData(const unsigned char* buffer, int count) {
    if (count <= 0) return 0;
    OVERLAPPED request{};
    request.hEvent = writeDone_.get();
    ResetEvent(writeDone_.get());
    DWORD sent = 0;
    if (!WriteFile(device_.get(), buffer, static_cast<DWORD>(count), &sent, &request)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            failWithLastError(-1, "WriteFile " + name_);
            return 0;
        }
        // 0 waits until everything is written.
        DWORD limit = timeoutTx_ > 0 ? static_cast<DWORD>(timeoutTx_) : INFINITE;
        if (WaitForSingleObject(writeDone_.get(), limit) != WAIT_OBJECT_0)
            CancelIoEx(device_.get(), &request);
        if (!GetOverlappedResult(device_.get(), &request, &sent, TRUE) &&
            GetLastError() != ERROR_OPERATION_ABORTED)
            failWithLastError(-1, "WriteFile " + name_);
    }
    return static_cast<int>(sent);
}

int Win32Port::rxReadyCount() {
    COMSTAT status{};
    if (!collectErrors(&status)) return buffered() > 0 ? static_cast<int>(buffered()) : -1;
    return static_cast<int>(buffered() + status.cbInQue);
}

int Win32Port::txBufCount() {
    COMSTAT status{};
    if (!collectErrors(&status)) return -1;
    return static_cast<int>(status.cbOutQue);
}

int Win32Port::rxFlush() {
    begin_ = end_ = 0;
    if (!PurgeComm(device_.get(), PURGE_RXCLEAR | PURGE_RXABORT))
        return failWithLastError(-1, "PurgeComm " + name_);
    return 0;
}

int Win32Port::txFlush() {
    if (!PurgeComm(device_.get(), PURGE_TXCLEAR | PURGE_TXABORT))
        return failWithLastError(-1, "PurgeComm " + name_);
    return 0;
}

int Win32Port::txDrain() {
    if (!FlushFileBuffers(device_.get())) return failWithLastError(-1, "FlushFileBuffers " + name_);
    return 0;
}

int Win32Port::sendBreak(int milliseconds) {
    if (!SetCommBreak(device_.get())) {
        if (noSuchFeature(GetLastError())) return 0;
        return failWithLastError(-1, "SetCommBreak " + name_);
    }
    Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : kDefaultBreak);
    if (!ClearCommBreak(device_.get())) return failWithLastError(-1, "ClearCommBreak " + name_);
    return 0;
}

int Win32Port::inputLine(DWORD bit) {
    DWORD lines = 0;
    if (!GetCommModemStatus(device_.get(), &lines)) {
        if (noSuchFeature(GetLastError())) return 0;
        return failWithLastError(-1, "GetCommModemStatus " + name_);
    }
    return (lines & bit) ? 1 : 0;
}

int Win32Port::setOutputLine(DWORD function) {
    if (!EscapeCommFunction(device_.get(), function)) {
        if (noSuchFeature(GetLastError())) return 0;
        return failWithLastError(-1, "EscapeCommFunction " + name_);
    }
    return 0;
}

int Win32Port::takeLineError(DWORD error) {
    (void)collectErrors();
    bool seen = (lineErrors_ & error) != 0;
    lineErrors_ &= ~error;
    return seen ? 1 : 0;
}

}  // namespace win32serial
