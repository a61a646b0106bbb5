#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/System.h"
#include "platform/serial/SerialDriver.h"

namespace Serialio {

// One loaded native driver library and its table of operations.
class NativeLibrary {
  public:
    NativeLibrary() = default;
    ~NativeLibrary() { unload(); }
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    // Loads the driver file of that name (lib<name>.so, <name>.dll) from the first place of
    // searchList that has it. Returns the reason when none works.
    std::optional<std::string> load(const std::string& name);
    // Loads one file by path (or by bare file name from the search path).
    std::optional<std::string> loadFile(const std::string& file);
    void unload();

    bool loaded() const { return driver_ != nullptr; }
    const SerDriver* driver() const { return driver_; }

    static std::string fileName(const std::string& name);
    // The folder of the running program, empty when the system does not say.
    static std::string programFolder();
    // Where the driver is looked for, in order: the program's own folder, then the system's
    // search path (the bare file name).
    static std::vector<std::string> searchList(const std::string& name);

  private:
    std::unique_ptr<platform::DynamicLibrary> library_;
    const SerDriver* driver_ = nullptr;
};

}  // namespace Serialio
