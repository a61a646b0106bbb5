#include "platform/focus/SystemFocus.h"

#include "platform/focus/x11/X11FocusProbe.h"
#include "platform/keys/SystemKeyboard.h"

namespace focus {

std::unique_ptr<FocusProbe> openSystemFocusProbe(const keys::uinput::Environment& environment) {
    if (keys::chooseBackend(environment) != keys::Backend::X11) {
        throw FocusUnknown(
            "the window with the keyboard focus cannot be known here (Wayland or the text "
            "console)");
    }
    const char* display = environment("DISPLAY");
    return std::make_unique<X11FocusProbe>(display == nullptr ? std::string() : display);
}

}  // namespace focus
