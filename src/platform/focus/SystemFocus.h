#pragma once
// The focus probe of the desktop session the keys go to.

#include "platform/focus/FocusProbe.h"
#include "platform/keys/uinput/XkbLayout.h"

#include <memory>

namespace focus {

// The desktop's probe: the foreground window on Windows; an X11 session's
// window with the input focus elsewhere. Throws FocusUnknown where keys go through the
// kernel's virtual keyboard (Wayland, the text console): there no program
// may ask which window has the focus. Throws std::runtime_error when the X
// display does not open.
std::unique_ptr<FocusProbe> openSystemFocusProbe(const keys::uinput::Environment& environment);

}  // namespace focus
