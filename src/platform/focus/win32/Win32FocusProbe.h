#pragma once
// The foreground window of the Windows desktop: its title and the file name of
// the program that owns it.

#include "platform/focus/FocusProbe.h"

namespace focus {

class Win32FocusProbe : public FocusProbe {
  public:
    std::optional<FocusedWindow> focused() override;
};

}  // namespace focus
