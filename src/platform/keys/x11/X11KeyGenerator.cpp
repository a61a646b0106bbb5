#include "platform/keys/x11/X11KeyGenerator.h"
#include "platform/StopPause.h"

#include "platform/keys/LayoutTyping.h"
#include "platform/keys/x11/XkbKeyMap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace keys {

namespace {

using Clock = std::chrono::steady_clock;

// Clients may still be reading a key event of a key we bound when we unbind
// it; they look the key up in the map they fetch on the change, so give
// them this long first.
constexpr auto spareBindingGrace = std::chrono::milliseconds(200);

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// Xlib reports protocol errors to one process-wide handler; a trap swaps it
// in around the few requests that can fail for reasons of ours.
int trappedErrorCode = 0;
int trapError(Display*, XErrorEvent* error) {
    trappedErrorCode = error->error_code;
    return 0;
}

class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        trappedErrorCode = 0;
        previous_ = XSetErrorHandler(trapError);
    }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // The error code of a failed request since the trap was set, or 0.
    int finish() {
        XSync(display_, False);
        return trappedErrorCode;
    }

  private:
    Display* display_;
    XErrorHandler previous_;
};

std::string x11KeysymName(unsigned long keysym) {
    const char* name = XKeysymToString(keysym);
    if (name != nullptr) return name;
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%lx", keysym);
    return buffer;
}

// The XTEST keyboard: its key map is the one that fake key events go
// through, whatever keyboard the user typed on last.
unsigned xtestKeyboard(Display* display) {
    int count = 0;
    XDeviceInfo* devices = XListInputDevices(display, &count);
    unsigned found = XkbUseCoreKbd;
    for (int i = 0; i < count; ++i) {
        if (devices[i].use == IsXExtensionKeyboard &&
            std::strstr(devices[i].name, "XTEST keyboard") != nullptr) {
            found = static_cast<unsigned>(devices[i].id);
            break;
        }
    }
    if (devices != nullptr) XFreeDeviceList(devices);
    return found;
}

}  // namespace

class X11KeyGenerator::Impl : private LayoutTyping {
  public:
    explicit Impl(const std::string& displayName);
    ~Impl() override;

    void press(int keyCode);
    void release(int keyCode);
    void flush();
    bool capsLockOn();
    bool typedCharacter();

  private:
    struct BoundSpare {
        unsigned keycode;
        unsigned long keysym;
        Clock::time_point lastUse;
    };

    void sendKey(unsigned keycode, bool down) override;
    const KeyTable& table() const override { return keyboard_->table(); }
    std::optional<KeyPosition> spareFor(Keysym keysym) override;
    void noteUse(unsigned keycode) override;
    std::string keysymName(Keysym keysym) const override { return x11KeysymName(keysym); }

    static Display* open(const std::string& displayName);
    void selectKeyboardEvents(unsigned deviceSpec);
    void catchUpWithServer();
    void unbindSpares();

    std::mutex mutex_;
    std::unique_ptr<Display, DisplayCloser> display_;
    int xkbEventBase_ = 0;
    unsigned deviceSpec_ = XkbUseCoreKbd;
    std::unique_ptr<x11::XkbKeyMap> keyboard_;
    std::deque<BoundSpare> spares_;
};

Display* X11KeyGenerator::Impl::open(const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        const char* shown = displayName.empty() ? XDisplayName(nullptr) : displayName.c_str();
        throw std::runtime_error(std::string("XOpenDisplay: cannot open display \"") + shown +
                                 "\"");
    }
    return display;
}

X11KeyGenerator::Impl::Impl(const std::string& displayName) : display_(open(displayName)) {
    Display* display = display_.get();
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        throw std::runtime_error("XTestQueryExtension: the X server has no XTEST extension");
    }
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &xkbEventBase_, &error, &major, &minor)) {
        throw std::runtime_error("XkbQueryExtension: the X server has no usable XKB extension");
    }
    deviceSpec_ = xtestKeyboard(display);
    selectKeyboardEvents(deviceSpec_);
    if (deviceSpec_ != XkbUseCoreKbd) selectKeyboardEvents(XkbUseCoreKbd);
    keyboard_ = std::make_unique<x11::XkbKeyMap>(display, deviceSpec_);
}

X11KeyGenerator::Impl::~Impl() {
    std::lock_guard lock(mutex_);
    releaseHeldKeys();
    try {
        unbindSpares();
    } catch (const std::exception&) {
        // The server went away or the map is gone: nothing left to give back.
    }
    XSync(display_.get(), False);
}

void X11KeyGenerator::Impl::selectKeyboardEvents(unsigned deviceSpec) {
    Display* display = display_.get();
    const unsigned long mapChanges = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    if (!XkbSelectEvents(display, deviceSpec, mapChanges, mapChanges) ||
        !XkbSelectEventDetails(display, deviceSpec, XkbStateNotify, XkbGroupStateMask,
                               XkbGroupStateMask)) {
        throw std::runtime_error("XkbSelectEvents failed");
    }
}

// A round trip makes sure every change of the key map made before this call
// (another program running setxkbmap, say) has reached us.
void X11KeyGenerator::Impl::catchUpWithServer() {
    Display* display = display_.get();
    XSync(display, False);
    bool mapChanged = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            mapChanged = true;
        } else if (event.type == xkbEventBase_) {
            const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
            if (xkb.any.xkb_type == XkbStateNotify) {
                if (xkb.state.device == static_cast<int>(deviceSpec_) ||
                    deviceSpec_ == XkbUseCoreKbd) {
                    keyboard_->setGroup(static_cast<unsigned>(xkb.state.group));
                }
            } else {
                mapChanged = true;
            }
        }
    }
    if (mapChanged) keyboard_->reload();
}

void X11KeyGenerator::Impl::press(int keyCode) {
    std::lock_guard lock(mutex_);
    catchUpWithServer();
    translator_.press(keyCode);
    XFlush(display_.get());
}

void X11KeyGenerator::Impl::release(int keyCode) {
    std::lock_guard lock(mutex_);
    catchUpWithServer();
    translator_.release(keyCode);
    XFlush(display_.get());
}

void X11KeyGenerator::Impl::flush() {
    std::lock_guard lock(mutex_);
    XFlush(display_.get());
}

bool X11KeyGenerator::Impl::capsLockOn() {
    std::lock_guard lock(mutex_);
    XkbStateRec state{};
    if (XkbGetState(display_.get(), XkbUseCoreKbd, &state) != Success) {
        throw std::runtime_error("XkbGetState failed");
    }
    return (state.locked_mods & LockMask) != 0;
}

void X11KeyGenerator::Impl::sendKey(unsigned keycode, bool down) {
    if (!XTestFakeKeyEvent(display_.get(), keycode, down ? True : False, CurrentTime)) {
        throw KeyRefused("XTestFakeKeyEvent failed for key " + std::to_string(keycode));
    }
}

bool X11KeyGenerator::Impl::typedCharacter() {
    std::lock_guard lock(mutex_);
    return lastKeyTypedCharacter();
}

// No key produces the character: bind it to a key code that produces
// nothing, or else to the spare used longest ago.
std::optional<KeyPosition> X11KeyGenerator::Impl::spareFor(Keysym keysym) {
    // Spares a new layout has taken over are no longer ours to rebind.
    std::erase_if(spares_, [this](const BoundSpare& spare) {
        return !keyboard_->table().producesAtFirstLevel(spare.keycode, spare.keysym);
    });
    const std::vector<unsigned> unbound = keyboard_->table().unboundKeycodes();
    unsigned keycode = 0;
    if (!unbound.empty()) {
        keycode = unbound.front();
    } else if (!spares_.empty()) {
        const auto leastRecent = std::min_element(
            spares_.begin(), spares_.end(),
            [](const BoundSpare& a, const BoundSpare& b) { return a.lastUse < b.lastUse; });
        keycode = leastRecent->keycode;
        spares_.erase(leastRecent);
    } else {
        throw KeyRefused("Invalid key code: no key produces " + x11KeysymName(keysym) +
                         " and no key code is free to bind it");
    }
    KeySym symbols[2] = {keysym, keysym};  // the same at both levels: Shift and Caps Lock keep it
    ErrorTrap trap(display_.get());
    XChangeKeyboardMapping(display_.get(), static_cast<int>(keycode), 2, symbols, 1);
    if (const int error = trap.finish(); error != 0) {
        throw KeyRefused("XChangeKeyboardMapping failed with X error " + std::to_string(error));
    }
    spares_.push_back({keycode, keysym, Clock::now()});
    keyboard_->reload();
    if (auto position = keyboard_->table().typeable(keysym)) return position;
    throw KeyRefused("Invalid key code: binding " + x11KeysymName(keysym) +
                     " to a free key failed");
}

void X11KeyGenerator::Impl::noteUse(unsigned keycode) {
    for (auto& spare : spares_) {
        if (spare.keycode == keycode) spare.lastUse = Clock::now();
    }
}

// Gives the key codes back, those still bound to what we bound them to.
void X11KeyGenerator::Impl::unbindSpares() {
    if (spares_.empty()) return;
    Clock::time_point lastUse{};
    for (const auto& spare : spares_) lastUse = std::max(lastUse, spare.lastUse);
    std::this_thread::sleep_until(lastUse + spareBindingGrace);
    catchUpWithServer();
    ErrorTrap trap(display_.get());
    for (const auto& spare : spares_) {
        if (!keyboard_->table().producesAtFirstLevel(spare.keycode, spare.keysym)) continue;
        KeySym nothing = NoSymbol;
        XChangeKeyboardMapping(display_.get(), static_cast<int>(spare.keycode), 1, &nothing, 1);
    }
    trap.finish();
    spares_.clear();
}

X11KeyGenerator::X11KeyGenerator(const std::string& displayName)
    : impl_(std::make_unique<Impl>(displayName)) {}

X11KeyGenerator::~X11KeyGenerator() = default;

void X11KeyGenerator::press(int keyCode) {
    impl_->press(keyCode);
}

void X11KeyGenerator::release(int keyCode) {
    impl_->release(keyCode);
}

void X11KeyGenerator::pause(std::chrono::milliseconds duration, std::stop_token stop) {
    impl_->flush();
    platform::pauseUnlessStopped(duration, stop);
}

bool X11KeyGenerator::capsLockOn() {
    return impl_->capsLockOn();
}

bool X11KeyGenerator::lastKeyTypedCharacter() {
    return impl_->typedCharacter();
}

std::string X11KeyGenerator::describe() const {
    return "X11 (XTest)";
}

}  // namespace keys
