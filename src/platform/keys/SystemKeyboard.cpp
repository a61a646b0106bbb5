#include "platform/keys/SystemKeyboard.h"

#include "platform/keys/uinput/UinputKeyGenerator.h"
#include "platform/keys/x11/X11KeyGenerator.h"

#include <stdexcept>
#include <string_view>

namespace keys {

namespace {

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

Backend chooseBackend(const uinput::Environment& environment) {
    if (const char* chosen = environment("VALTYP_KEYS"); isSet(chosen)) {
        const std::string_view name(chosen);
        if (name == "x11") return Backend::X11;
        if (name == "uinput") return Backend::Uinput;
        throw std::invalid_argument("VALTYP_KEYS is \"" + std::string(name) +
                                    "\"; it may be x11 or uinput");
    }
    if (const char* session = environment("XDG_SESSION_TYPE"); isSet(session)) {
        const std::string_view type(session);
        if (type == "x11") return Backend::X11;
        if (type == "wayland" || type == "tty") return Backend::Uinput;
    }
    if (isSet(environment("WAYLAND_DISPLAY"))) return Backend::Uinput;
    return isSet(environment("DISPLAY")) ? Backend::X11 : Backend::Uinput;
}

std::unique_ptr<KeyGenerator> openSystemKeyboard(const uinput::LayoutNames& layout,
                                                 const uinput::Environment& environment,
                                                 uinput::DeviceCalls& calls) {
    if (chooseBackend(environment) == Backend::X11) return std::make_unique<X11KeyGenerator>();
    const uinput::LayoutNames names =
        layout.layout.empty() ? uinput::sessionLayout(environment) : layout;
    return UinputKeyGenerator::open(names, calls);
}

std::unique_ptr<KeyGenerator> openSystemKeyboard(const uinput::LayoutNames& layout,
                                                 const uinput::Environment& environment) {
    return openSystemKeyboard(layout, environment, uinput::systemDeviceCalls());
}

}  // namespace keys
