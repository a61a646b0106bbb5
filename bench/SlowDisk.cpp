// LD_PRELOAD shim for the reading-log benchmarks: every write to a regular
// file and every fsync/fdatasync waits SLOW_DISK_MS milliseconds (default
// 200) first, like a disk or a network share that hardly answers. Pipes,
// sockets and event descriptors are left alone, so event loops run as usual.
// Under AddressSanitizer run with ASAN_OPTIONS=verify_asan_link_order=0.

#include <dlfcn.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace {

void napIfFile(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return;
    const char* setting = std::getenv("SLOW_DISK_MS");
    const long ms = setting ? std::atol(setting) : 200;
    timespec delay{ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&delay, nullptr);
}

template <class F>
F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t size) {
    static const auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    napIfFile(fd);
    return next(fd, data, size);
}

int fdatasync(int fd) {
    static const auto next = real<int (*)(int)>("fdatasync");
    napIfFile(fd);
    return next(fd);
}

int fsync(int fd) {
    static const auto next = real<int (*)(int)>("fsync");
    napIfFile(fd);
    return next(fd);
}
}
