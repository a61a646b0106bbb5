#pragma once
// The few operating-system services the layers above need besides devices: loading libraries,
// where the program lives, what the system calls itself. One implementation per system.

#include <optional>
#include <string>

namespace platform {

// A shared library loaded at run time; unloaded with the object.
class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // By path, or by bare file name from the system's search path. The reason on failure.
    std::optional<std::string> open(const std::string& file);
    // nullptr with the reason (naming the file) in *why when the library has no such symbol.
    void* symbol(const char* name, std::string* why) const;
    // The reason when unloading failed; the object is closed either way.
    std::optional<std::string> close();
    bool isOpen() const { return handle_ != nullptr; }

  private:
    void* handle_ = nullptr;
    std::string file_;
};

// "lib<name>.so" or "<name>.dll".
std::string sharedLibraryFile(const std::string& name);

// The folder of the running program, empty with the reason in *why when the system does not say.
std::string programFolder(std::string* why);

// The folder separator used in paths the system hands out.
char folderSeparator();

bool fileExists(const std::string& path);

// The system's name and processor as the program reports them ("Linux" / "x86_64",
// "Windows 10" / "amd64"); the reason when the system does not say.
struct SystemNames {
    std::string osName;
    std::string osArch;
};
std::optional<SystemNames> systemNames(std::string* why);

// The user's home folder, empty when unknown.
std::string homeFolder();

// Ends the process with the status once the program's own teardown is done. On Windows the
// libraries are not told (TerminateProcess after flushing the standard streams): one whose
// detach waits for a thread the system has already ended would keep the process from ever
// ending. Elsewhere as std::exit does.
[[noreturn]] void endProcess(int status);

}  // namespace platform
