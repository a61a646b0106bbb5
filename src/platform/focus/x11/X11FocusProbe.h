#pragma once
// The focused window on an X server: the window manager's _NET_ACTIVE_WINDOW,
// or without a window manager the input focus, taken up to its top-level
// window; its _NET_WM_NAME (else WM_NAME) and WM_CLASS. Through xcb, whose
// errors belong to each request, so the keystroke thread's Xlib error trap
// is never disturbed.

#include "platform/focus/FocusProbe.h"

#include <memory>
#include <string>

namespace focus {

class X11FocusProbe : public FocusProbe {
  public:
    // Throws std::runtime_error when the display does not open; an empty
    // name is $DISPLAY.
    explicit X11FocusProbe(const std::string& displayName);
    ~X11FocusProbe() override;

    std::optional<FocusedWindow> focused() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace focus
