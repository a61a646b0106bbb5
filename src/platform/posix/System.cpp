#include "platform/System.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
std::string lastDlError(const std::string& fallback) {
    const char* text = dlerror();
    return text ? text : fallback;
}
}  // namespace

std::optional<std::string> DynamicLibrary::open(const std::string& file) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return lastDlError(file + ": cannot be loaded");
    (void)close();
    handle_ = handle;
    file_ = file;
    return std::nullopt;
}

void* DynamicLibrary::symbol(const char* name, std::string* why) const {
    void* found = handle_ ? dlsym(handle_, name) : nullptr;
    if (!found && why) *why = lastDlError(file_ + ": no " + name);
    return found;
}

std::optional<std::string> DynamicLibrary::close() {
    if (!handle_) return std::nullopt;
    std::optional<std::string> problem;
    if (dlclose(handle_) != 0) problem = "dlclose: " + lastDlError("failed");
    handle_ = nullptr;
    return problem;
}

std::string sharedLibraryFile(const std::string& name) {
    return "lib" + name + ".so";
}

std::string programFolder(std::string* why) {
    std::array<char, PATH_MAX> path{};
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        if (why) *why = std::string("readlink /proc/self/exe: ") + std::strerror(errno);
        return {};
    }
    std::string program(path.data(), static_cast<size_t>(length));
    return program.substr(0, program.find_last_of('/'));
}

char folderSeparator() {
    return '/';
}

bool fileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::optional<SystemNames> systemNames(std::string* why) {
    utsname names{};
    if (uname(&names) != 0) {
        if (why) *why = std::string("uname: ") + std::strerror(errno);
        return std::nullopt;
    }
    return SystemNames{names.sysname, names.machine};
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

void endProcess(int status) {
    std::exit(status);
}

}  // namespace platform
