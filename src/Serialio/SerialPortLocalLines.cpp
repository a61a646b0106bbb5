// Modem lines, line errors, buffer counts, timeouts and power: each checks its feature flag,
// then that the port is open, then the driver's answer.
#include <mutex>

#include "Serialio/IOException.h"
#include "Serialio/SerialLibrary.h"
#include "Serialio/SerialPortLocal.h"

namespace Serialio {

namespace {
constexpr int kPowerFailureFloor = 5000;
}

void SerialPortLocal::requireFeature(bool supported, std::string_view operation) const {
    if (!supported)
        throw IOException(std::string(operation) + " not supported on " +
                          SerialLibrary::instance().osName());
}

void SerialPortLocal::requireOpen(std::string_view operation) const {
    if (port < 0) throw IOException(std::string(operation) + ": Port not open");
}

int SerialPortLocal::checked(int result, std::string_view operation) {
    if (result == -1) throw IOException(std::string(operation) + " failed");
    return result;
}

void SerialPortLocal::setDTR(bool on) {
    requireFeature(features().supSetDTR, "setDTR");
    requireOpen("setDTR");
    checked(native().SerSetDTR(port, on ? 1 : 0), "setDTR");
}

void SerialPortLocal::setRTS(bool on) {
    requireFeature(features().supSetRTS, "setRts");
    requireOpen("setRTS");
    checked(native().SerSetRTS(port, on ? 1 : 0), "setRTS");
}

void SerialPortLocal::sendBreak(int milliseconds) {
    requireFeature(features().supSendBreak, "sendBreak");
    requireOpen("sendBreak");
    checked(native().SerSendBreak(port, milliseconds), "sendBreak");
}

bool SerialPortLocal::sigCTS() {
    requireOpen("sigCTS");
    return checked(native().SerSigCTS(port), "sigCTS") == 1;
}

bool SerialPortLocal::sigDSR() {
    requireOpen("sigDSR");
    return checked(native().SerSigDSR(port), "sigDSR") == 1;
}

bool SerialPortLocal::sigCD() {
    requireFeature(features().supSigCD, "sigCD");
    requireOpen("sigCD");
    return checked(native().SerSigCD(port), "sigCD") == 1;
}

bool SerialPortLocal::sigFrameErr() {
    requireFeature(features().supSigFrameErr, "sigFrameErr");
    requireOpen("sigFrameErr");
    return checked(native().SerSigFrameErr(port), "sigFrameErr") == 1;
}

bool SerialPortLocal::sigOverrun() {
    requireFeature(features().supSigOverrun, "sigOverrun");
    requireOpen("sigOverrun");
    return checked(native().SerSigOverrun(port), "sigOverrun") == 1;
}

bool SerialPortLocal::rxOverflow() {
    requireFeature(features().supRxOverflow, "rxOverflow");
    requireOpen("rxOverflow");
    return checked(native().SerRxOverflow(port), "rxOverflow") == 1;
}

bool SerialPortLocal::sigParityErr() {
    requireFeature(features().supSigParityErr, "sigParityErr");
    requireOpen("sigParityErr");
    return native().SerSigParityErr(port) == 1;
}

bool SerialPortLocal::sigRing() {
    requireFeature(features().supSigRing, "sigRing");
    requireOpen("sigRing");
    return native().SerSigRing(port) == 1;
}

bool SerialPortLocal::sigBreak() {
    requireFeature(features().supSigBreak, "sigBreak");
    requireOpen("sigBreak");
    return native().SerSigBreak(port) == 1;
}

int SerialPortLocal::txBufCount() {
    requireFeature(features().supTxBufCount, "txBufCount");
    requireOpen("txBufCount");
    return checked(native().SerTxBufCount(port), "txBufCount");
}

int SerialPortLocal::rxReadyCount() {
    requireFeature(features().supRxReadyCount, "rxReadyCount");
    return checked(native().SerRxReadyCount(port), "rxReadyCount");
}

void SerialPortLocal::rxFlush() {
    checked(native().SerRxFlush(port), "rxFlush");
}
void SerialPortLocal::txFlush() {
    checked(native().SerTxFlush(port), "txFlush");
}
void SerialPortLocal::txDrain() {
    checked(native().SerTxDrain(port), "txDrain");
}

void SerialPortLocal::setTimeoutRx(int milliseconds) {
    checked(native().SerSetTimeoutRx(port, milliseconds), "setTimeoutRx");
}

void SerialPortLocal::setTimeoutTx(int milliseconds) {
    checked(native().SerSetTimeoutTx(port, milliseconds), "setTimeoutTx");
}

int SerialPortLocal::getTimeoutRx() {
    return native().SerGetTimeoutRx(port);
}
int SerialPortLocal::getTimeoutTx() {
    return native().SerGetTimeoutTx(port);
}

bool SerialPortLocal::isSupported(const std::string& feature) {
    return features().byName(feature).value_or(false);
}

void SerialPortLocal::setPowerMode(int mode) {
    requireFeature(features().supSetPowerMode, "setPowerMode");
    const SerDriver& driver = native();
    int result;
    {
        std::lock_guard guard(mutExSem);
        result = driver.SerSetPowerMode(port, mode);
    }
    if (result != 0) throw IOException("setPowerMode failed: " + std::to_string(result));
}

int SerialPortLocal::getPowerMode() {
    requireFeature(features().supSetPowerMode, "getPowerMode");
    const SerDriver& driver = native();
    int result;
    {
        std::lock_guard guard(mutExSem);
        result = driver.SerGetPowerMode(port);
    }
    if (result >= kPowerFailureFloor)
        throw IOException("getPowerMode failed: " + std::to_string(result));
    return result;
}

int SerialPortLocal::getStatusAPM() {
    requireFeature(features().supGetStatusAPM, "getStatusAPM");
    return native().SerGetStatusAPM();
}

int SerialPortLocal::getResumeState(bool clear) {
    requireFeature(features().supGetResumeState, "getResumeState");
    return native().SerGetResumeState(clear ? 1 : 0);
}

void SerialPortLocal::setInstanceLock(bool lock) {
    requireFeature(features().supInstanceLock, "setInstanceLock");
    native().SerSetInstanceLock(lock ? 1 : 0);
}

int SerialPortLocal::getInstanceLock() {
    requireFeature(features().supInstanceLock, "getInstanceLock");
    return native().SerGetInstanceLock();
}

}  // namespace Serialio
