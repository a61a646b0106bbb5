#include "Serialio/Diagnostics.h"

#include <iostream>
#include <mutex>

namespace Serialio {

namespace {

struct Sink {
    std::mutex mutex;
    std::ostream* stream = &std::cout;
};

Sink& sink() {
    static Sink instance;
    return instance;
}

}  // namespace

void setDiagnosticStream(std::ostream* stream) {
    std::lock_guard lock(sink().mutex);
    sink().stream = stream;
}

void printDiagnostic(const std::string& line) {
    std::lock_guard lock(sink().mutex);
    if (sink().stream) *sink().stream << line << std::endl;
}

}  // namespace Serialio
