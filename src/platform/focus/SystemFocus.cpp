#include "platform/focus/SystemFocus.h"

#ifdef _WIN32
#include "platform/focus/win32/Win32FocusProbe.h"
#else
#include "platform/focus/x11/X11FocusProbe.h"
#include "platform/keys/SystemKeyboard.h"
#endif

namespace focus {

#ifdef _WIN32
std::unique_ptr<FocusProbe> openSystemFocusProbe(const keys::uinput::Environment&) {
    return std::make_unique<Win32FocusProbe>();
}
#else
std::unique_ptr<FocusProbe> openSystemFocusProbe(const keys::uinput::Environment& environment) {
    if (keys::chooseBackend(environment) != keys::Backend::X11) {
        throw FocusUnknown(
            "the window with the keyboard focus cannot be known here (Wayland or the text "
            "console)");
    }
    const char* display = environment("DISPLAY");
    return std::make_unique<X11FocusProbe>(display == nullptr ? std::string() : display);
}

#endif

}  // namespace focus
