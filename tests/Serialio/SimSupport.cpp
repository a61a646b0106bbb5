#include "SimSupport.h"

#include <algorithm>

#include "Serialio/Diagnostics.h"

namespace {

// The simulated driver replaces the platform's for the whole suite.
class SimEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { Serialio::SerialPortLocal::setNativeLibName(SIM_LIBRARY_NAME); }
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new SimEnvironment);

}  // namespace

ScopedPlatform::ScopedPlatform(const std::string& osName, const std::string& osArch)
    : name_("JSP_OSNAME", osName), arch_("JSP_OSARCH", osArch) {
    Serialio::SerialPortLocal::reinitialize();
}

ScopedPlatform::Reinitialize::~Reinitialize() {
    Serialio::SerialPortLocal::reinitialize();
}

void SimTest::SetUp() {
    SimReset();
    DiagnosticCapture quiet;
    Serialio::SerialPortLocal::reinitialize();
}

DiagnosticCapture::DiagnosticCapture() {
    Serialio::setDiagnosticStream(&stream_);
}

DiagnosticCapture::~DiagnosticCapture() {
    Serialio::setDiagnosticStream(&std::cout);
}

bool DiagnosticCapture::contains(const std::string& line) const {
    std::istringstream lines(stream_.str());
    for (std::string each; std::getline(lines, each);)
        if (each == line) return true;
    return false;
}

CallLog::CallLog() {
    SimSetCallHook(&CallLog::record, this);
}

CallLog::~CallLog() {
    SimSetCallHook(nullptr, nullptr);
}

void CallLog::record(const char* operation, void* self) {
    auto* log = static_cast<CallLog*>(self);
    bool locked = Serialio::NativeHandleMutex::getInstance().isLocked();
    std::lock_guard lock(log->mutex_);
    log->calls_.push_back({operation, locked});
}

std::vector<CallLog::Call> CallLog::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

int CallLog::count(const std::string& operation) const {
    auto all = calls();
    return static_cast<int>(std::count_if(all.begin(), all.end(),
                                          [&](const Call& c) { return c.operation == operation; }));
}

bool CallLog::alwaysLocked(const std::string& operation) const {
    auto all = calls();
    return count(operation) > 0 && std::all_of(all.begin(), all.end(), [&](const Call& c) {
               return c.operation != operation || c.locked;
           });
}

bool CallLog::neverLocked(const std::string& operation) const {
    auto all = calls();
    return std::none_of(all.begin(), all.end(),
                        [&](const Call& c) { return c.operation == operation && c.locked; });
}
