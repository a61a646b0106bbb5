#include "Serialio/NativeLibrary.h"

#include "Serialio/Diagnostics.h"

namespace Serialio {

std::string NativeLibrary::fileName(const std::string& name) {
    return platform::sharedLibraryFile(name);
}

std::string NativeLibrary::programFolder() {
    std::string why;
    std::string folder = platform::programFolder(&why);
    if (folder.empty()) printDiagnostic(why);
    return folder;
}

std::vector<std::string> NativeLibrary::searchList(const std::string& name) {
    const std::string file = fileName(name);
    std::vector<std::string> candidates;
    std::string folder = programFolder();
    if (!folder.empty()) candidates.push_back(folder + platform::folderSeparator() + file);
    // Last: the bare name, which the system looks for along its own search path.
    candidates.push_back(file);
    return candidates;
}

std::optional<std::string> NativeLibrary::loadFile(const std::string& file) {
    auto library = std::make_unique<platform::DynamicLibrary>();
    if (std::optional<std::string> problem = library->open(file)) return problem;
    std::string why;
    auto entry = reinterpret_cast<SerGetDriverFunction>(library->symbol(SER_DRIVER_ENTRY, &why));
    const SerDriver* table = entry ? entry() : nullptr;
    if (!entry) return why;
    if (!table || table->abiVersion != SER_DRIVER_ABI)
        return file + ": driver interface version " +
               (table ? std::to_string(table->abiVersion) : std::string("none")) + ", expected " +
               std::to_string(SER_DRIVER_ABI);
    unload();
    library_ = std::move(library);
    driver_ = table;
    return std::nullopt;
}

std::optional<std::string> NativeLibrary::load(const std::string& name) {
    std::optional<std::string> firstProblem;
    for (const std::string& candidate : searchList(name)) {
        const bool bareName = candidate == fileName(name);
        // Folders where the file is not are passed over; only the search path is always asked.
        if (!bareName && !platform::fileExists(candidate)) continue;
        std::optional<std::string> problem = loadFile(candidate);
        if (!problem) return std::nullopt;
        // A broken copy in a folder says more than "not found" on the search path.
        if (!firstProblem) firstProblem = problem;
    }
    return firstProblem;
}

void NativeLibrary::unload() {
    if (library_) {
        if (std::optional<std::string> problem = library_->close()) printDiagnostic(*problem);
        library_.reset();
    }
    driver_ = nullptr;
}

}  // namespace Serialio
