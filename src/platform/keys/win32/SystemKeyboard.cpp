#include "platform/keys/SystemKeyboard.h"

#include "platform/keys/win32/Win32KeyGenerator.h"

namespace keys {

// Windows has one way in for keys, whatever the session.
std::unique_ptr<KeyGenerator> openSystemKeyboard(const uinput::LayoutNames& layout,
                                                 const uinput::Environment&) {
    return std::make_unique<Win32KeyGenerator>(windowsLayoutId(layout.layout, layout.variant));
}

}  // namespace keys
