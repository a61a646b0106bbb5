#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/serial/SerialDriver.h"

namespace Serialio {

// One loaded native driver library and its table of operations.
class NativeLibrary {
  public:
    NativeLibrary() = default;
    ~NativeLibrary() { unload(); }
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    // Loads lib<name>.so from the first of driverFolders() that holds it, else
    // from the search path.
    // Returns the reason when neither works.
    std::optional<std::string> load(const std::string& name);
    // Loads one file by path (or by bare file name from the search path).
    std::optional<std::string> loadFile(const std::string& file);
    void unload();

    bool loaded() const { return driver_ != nullptr; }
    const SerDriver* driver() const { return driver_; }

    static std::string fileName(const std::string& name) { return "lib" + name + ".so"; }
    // The folder of the running program, empty when the system does not say.
    static std::string programFolder();
    // Where drivers are looked for: the program's own folder (build tree,
    // tests), then the installed driver folder relative to it.
    static std::vector<std::string> driverFolders(const std::string& programFolder);

  private:
    void* handle_ = nullptr;
    const SerDriver* driver_ = nullptr;
};

}  // namespace Serialio
