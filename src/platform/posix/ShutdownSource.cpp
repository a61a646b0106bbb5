// SIGINT and SIGTERM reach a thread of ours through a pipe: a signal handler may do no more
// than write it.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/ShutdownRequestsState.h"

namespace platform {

namespace {

int requestPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)!write(requestPipe[1], &byte, 1);
    errno = saved;
}

[[noreturn]] void fail(const char* call) {
    throw std::runtime_error(std::string(call) + ": " + std::strerror(errno));
}

void watch() {
    for (;;) {
        char byte = 0;
        const ssize_t n = read(requestPipe[0], &byte, 1);
        if (n == 1) deliverShutdownRequest();
        if (n == 0 || (n < 0 && errno != EINTR)) return;
    }
}

}  // namespace

void installShutdownSource() {
    std::lock_guard lock(shutdownMutex());
    if (requestPipe[0] >= 0) return;
    if (pipe2(requestPipe, O_CLOEXEC) != 0) fail("pipe2");
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0)
        fail("sigaction");
    // Lives as long as the process; it only ever waits in read.
    std::thread(watch).detach();
}

}  // namespace platform
