#include "Serialio/NativeLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "Serialio/Diagnostics.h"

namespace Serialio {

namespace {

std::string lastDlError(const std::string& fallback) {
    const char* text = dlerror();
    return text ? text : fallback;
}

}  // namespace

std::string NativeLibrary::programFolder() {
    std::array<char, PATH_MAX> path{};
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        printDiagnostic(std::string("readlink /proc/self/exe: ") + std::strerror(errno));
        return {};
    }
    std::string program(path.data(), static_cast<size_t>(length));
    return program.substr(0, program.find_last_of('/'));
}

std::optional<std::string> NativeLibrary::loadFile(const std::string& file) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return lastDlError(file + ": cannot be loaded");
    auto entry = reinterpret_cast<SerGetDriverFunction>(dlsym(handle, SER_DRIVER_ENTRY));
    const SerDriver* table = entry ? entry() : nullptr;
    std::optional<std::string> problem;
    if (!entry)
        problem = lastDlError(file + ": no " SER_DRIVER_ENTRY);
    else if (!table || table->abiVersion != SER_DRIVER_ABI)
        problem = file + ": driver interface version " +
                  (table ? std::to_string(table->abiVersion) : std::string("none")) +
                  ", expected " + std::to_string(SER_DRIVER_ABI);
    if (problem) {
        dlclose(handle);
        return problem;
    }
    unload();
    handle_ = handle;
    driver_ = table;
    return std::nullopt;
}

std::optional<std::string> NativeLibrary::load(const std::string& name) {
    std::string file = fileName(name);
    std::optional<std::string> besideProgram;
    std::string folder = programFolder();
    if (!folder.empty() && access((folder + "/" + file).c_str(), F_OK) == 0) {
        besideProgram = loadFile(folder + "/" + file);
        if (!besideProgram) return std::nullopt;
    }
    std::optional<std::string> searched = loadFile(file);
    if (!searched) return std::nullopt;
    // A broken copy next to the program says more than "not found" on the search path.
    return besideProgram ? besideProgram : searched;
}

void NativeLibrary::unload() {
    if (handle_ && dlclose(handle_) != 0) printDiagnostic("dlclose: " + lastDlError("failed"));
    handle_ = nullptr;
    driver_ = nullptr;
}

}  // namespace Serialio
