#pragma once
// The keystroke backend the desktop session takes keys from: XTest in an
// X11 session, the kernel's uinput device on Wayland and the text console,
// where XTest would reach X11 programs only, if any.

#include "platform/keys/KeyGenerator.h"
#include "platform/keys/uinput/DeviceCalls.h"
#include "platform/keys/uinput/XkbLayout.h"

#include <memory>

namespace keys {

enum class Backend { X11, Uinput };

// VALTYP_KEYS=x11 or uinput decides; else XDG_SESSION_TYPE (x11, or wayland
// and tty); else a Wayland display, then an X display. Throws
// std::invalid_argument for another VALTYP_KEYS.
Backend chooseBackend(const uinput::Environment& environment);

// The chosen backend's keyboard for the layout a key map is written for;
// an empty layout is the session's. Throws std::runtime_error naming what
// failed and, where the user can mend it, how.
std::unique_ptr<KeyGenerator> openSystemKeyboard(const uinput::LayoutNames& layout,
                                                 const uinput::Environment& environment);
// The same with the kernel calls of the virtual keyboard given (Linux).
std::unique_ptr<KeyGenerator> openSystemKeyboard(const uinput::LayoutNames& layout,
                                                 const uinput::Environment& environment,
                                                 uinput::DeviceCalls& calls);

}  // namespace keys
