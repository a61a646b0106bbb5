#include "Serialio/NativeLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

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

std::vector<std::string> NativeLibrary::driverFolders(const std::string& programFolder) {
    if (programFolder.empty()) return {};
    std::vector<std::string> folders{programFolder};
    // An installed program keeps its drivers in a private library folder, named
    // relative to its own so that any install prefix works.
    if (std::string(VALTYP_DRIVER_DIR_FROM_PROGRAM) != ".")
        folders.push_back(programFolder + "/" VALTYP_DRIVER_DIR_FROM_PROGRAM);
    return folders;
}

std::optional<std::string> NativeLibrary::load(const std::string& name) {
    std::string file = fileName(name);
    std::optional<std::string> besideProgram;
    for (const std::string& folder : driverFolders(programFolder())) {
        if (access((folder + "/" + file).c_str(), F_OK) != 0) continue;
        std::optional<std::string> problem = loadFile(folder + "/" + file);
        if (!problem) return std::nullopt;
        if (!besideProgram) besideProgram = problem;
    }
    std::optional<std::string> searched = loadFile(file);
    if (!searched) return std::nullopt;
    // A broken copy in the program's folders says more than "not found" on the search path.
    return besideProgram ? besideProgram : searched;
}

void NativeLibrary::unload() {
    if (handle_ && dlclose(handle_) != 0) printDiagnostic("dlclose: " + lastDlError("failed"));
    handle_ = nullptr;
    driver_ = nullptr;
}

}  // namespace Serialio
