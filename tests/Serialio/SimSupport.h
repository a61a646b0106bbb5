#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "ScopedProperty.h"
#include "Serialio/IOException.h"
#include "Serialio/NativeHandleMutex.h"
#include "Serialio/SerialPortLocal.h"
#include "platform/serial/sim/SimControl.h"

// Runs the library on another operating-system row (still over the simulated driver) for
// the lifetime of the object.
class ScopedPlatform {
  public:
    explicit ScopedPlatform(const std::string& osName, const std::string& osArch = "x86");
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

  private:
    // Destroyed last, once the properties below are back: sets the library up again.
    struct Reinitialize {
        ~Reinitialize();
    } reinitialize_;
    ScopedProperty name_;
    ScopedProperty arch_;
};

// Collects the library's diagnostics while it lives.
class DiagnosticCapture {
  public:
    DiagnosticCapture();
    ~DiagnosticCapture();
    std::string text() const { return stream_.str(); }
    bool contains(const std::string& line) const;

  private:
    std::ostringstream stream_;
};

// Records every driver call with whether the native lock was held during it.
class CallLog {
  public:
    struct Call {
        std::string operation;
        bool locked;
    };
    CallLog();
    ~CallLog();
    std::vector<Call> calls() const;
    int count(const std::string& operation) const;
    // Whether every call of the operation ran under the lock (false if it never ran).
    bool alwaysLocked(const std::string& operation) const;
    bool neverLocked(const std::string& operation) const;

  private:
    static void record(const char* operation, void* self);
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

// Every test starts with an empty simulated driver and a freshly set-up library.
class SimTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override { SimReset(); }

    static Serialio::SerialConfig settings(const std::string& portName) {
        return Serialio::SerialConfig(portName);
    }
};

// The message of the IOException the call throws, or "no failure".
template <typename F>
std::string ioFailure(F&& call) {
    try {
        call();
    } catch (const Serialio::IOException& e) {
        return e.what();
    }
    return "no failure";
}
