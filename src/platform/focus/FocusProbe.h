#pragma once
// Which window has the keyboard focus: its title and the program it belongs
// to, so that keys go only where the operator wants them.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace focus {

struct FocusedWindow {
    std::string title;                  // UTF-8; may be empty
    std::vector<std::string> programs;  // the program's names, e.g. instance and class
    // The title, or the first program name where the window has no title.
    std::string shownName() const {
        if (!title.empty() || programs.empty()) return title;
        return programs.front();
    }
};

// The session gives no way to know the focused window (Wayland, the console).
class FocusUnknown : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class FocusProbe {
  public:
    FocusProbe() = default;
    FocusProbe(const FocusProbe&) = delete;
    FocusProbe& operator=(const FocusProbe&) = delete;
    virtual ~FocusProbe() = default;

    // The window with the keyboard focus now; none when no window has it.
    // May be called from any one thread at a time.
    virtual std::optional<FocusedWindow> focused() = 0;
};

}  // namespace focus
