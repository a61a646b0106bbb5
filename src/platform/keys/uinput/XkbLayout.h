#pragma once
// A keyboard layout compiled with libxkbcommon from its names, as a
// compositor compiles the layout its session uses, and read into the key
// table. Key codes are XKB's: the kernel's key code plus 8.

#include "platform/keys/KeyTable.h"

#include <functional>
#include <string>

namespace keys::uinput {

struct LayoutNames {
    std::string layout;   // "us", "de", "fr"; empty: the session's
    std::string variant;  // "intl", or empty
};

// Reads an environment variable; null when it is not set.
using Environment = std::function<const char*(const char*)>;

// The layout the session uses: XKB_DEFAULT_LAYOUT and XKB_DEFAULT_VARIANT,
// else XKBLAYOUT and XKBVARIANT of the system's keyboard file, else us.
// Of several layouts the first, the one a session starts with.
LayoutNames sessionLayout(const Environment& environment,
                          const std::string& keyboardFile = "/etc/default/keyboard");

// "fr", "us intl".
std::string toString(const LayoutNames& names);

// The keys that `keep` accepts. Throws std::runtime_error when
// libxkbcommon knows no such layout.
KeyTable compileLayout(const LayoutNames& names,
                       const std::function<bool(unsigned keycode)>& keep = {});

}  // namespace keys::uinput
