#include "platform/keys/uinput/UinputKeyGenerator.h"

#include "platform/StopPause.h"
#include "platform/keys/LayoutTyping.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace keys {

namespace {

using Clock = std::chrono::steady_clock;

// XKB numbers keys 8 above the kernel.
constexpr unsigned evdevOffset = 8;

// The keyboard's own keys; from KEY_MUTE on lie media and power keys that
// other programs watch and the key maps never need. The kernel has no key
// 84, where XKB parks a second level-3 shift for its own use.
bool isKeyboardKey(unsigned keycode) {
    constexpr unsigned noKernelKey = 84;
    return keycode > evdevOffset && keycode - evdevOffset < KEY_MUTE &&
           keycode - evdevOffset != noKernelKey;
}

std::string errnoText(int error) {
    return std::strerror(error);
}

void check(int result, const char* call) {
    if (result < 0)
        throw std::runtime_error(std::string("ioctl ") + call + ": " + errnoText(errno));
}

std::string refusedOpen(const std::string& path, int error) {
    std::string text = "open " + path + ": " + errnoText(error) + ". ";
    switch (error) {
        case EACCES:
        case EPERM:
            return text + "Typing on Wayland and on the text console needs access to " + path +
                   ". Install Valtyp's udev rule 60-valtyp-uinput.rules (\"cmake --install\" "
                   "puts it into the udev rules folder) and log in again, or set "
                   "VALTYP_KEYS=x11 to type into X11 programs only.";
        case ENOENT:
        case ENODEV:
            return text +
                   "The kernel's uinput module is not loaded: run \"sudo modprobe uinput\", or "
                   "set VALTYP_KEYS=x11 to type into X11 programs only.";
        default:
            return text + "Set VALTYP_KEYS=x11 to type into X11 programs only.";
    }
}

bool bitSet(const unsigned char* bits, unsigned bit) {
    return (bits[bit / 8] & (1U << (bit % 8))) != 0;
}

}  // namespace

class UinputKeyGenerator::Impl : private LayoutTyping {
  public:
    Impl(int fd, const uinput::LayoutNames& layout, uinput::DeviceCalls& calls,
         std::chrono::milliseconds settle);
    ~Impl() override;

    void press(int keyCode) {
        std::lock_guard lock(mutex_);
        translator_.press(keyCode);
    }
    void release(int keyCode) {
        std::lock_guard lock(mutex_);
        translator_.release(keyCode);
    }
    bool typedCharacter() {
        std::lock_guard lock(mutex_);
        return lastKeyTypedCharacter();
    }
    bool capsLockOn();
    std::string describe() const { return "uinput (virtual keyboard, layout " + layoutName_ + ")"; }

  private:
    void sendKey(unsigned keycode, bool down) override;
    const KeyTable& table() const override { return table_; }
    std::string keysymName(Keysym keysym) const override;

    void create();

    std::mutex mutex_;
    int fd_;
    uinput::DeviceCalls& calls_;
    std::string layoutName_;
    KeyTable table_;
    std::set<unsigned> keys_;  // the kernel key codes the device was given
    Clock::time_point usable_;
};

UinputKeyGenerator::Impl::Impl(int fd, const uinput::LayoutNames& layout,
                               uinput::DeviceCalls& calls, std::chrono::milliseconds settle)
    : fd_(fd), calls_(calls), layoutName_(uinput::toString(layout)) {
    try {
        table_ = uinput::compileLayout(layout, isKeyboardKey);
        create();
    } catch (...) {
        calls_.close(fd_);
        throw;
    }
    usable_ = Clock::now() + settle;
}

void UinputKeyGenerator::Impl::create() {
    check(calls_.controlValue(fd_, UI_SET_EVBIT, EV_KEY), "UI_SET_EVBIT");
    for (unsigned keycode : table_.boundKeycodes()) {
        const unsigned code = keycode - evdevOffset;
        check(calls_.controlValue(fd_, UI_SET_KEYBIT, code), "UI_SET_KEYBIT");
        keys_.insert(code);
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::strncpy(setup.name, "Valtyp virtual keyboard", UINPUT_MAX_NAME_SIZE - 1);
    check(calls_.controlData(fd_, UI_DEV_SETUP, &setup), "UI_DEV_SETUP");
    check(calls_.controlValue(fd_, UI_DEV_CREATE, 0), "UI_DEV_CREATE");
}

UinputKeyGenerator::Impl::~Impl() {
    std::lock_guard lock(mutex_);
    releaseHeldKeys();
    calls_.controlValue(fd_, UI_DEV_DESTROY, 0);
    calls_.close(fd_);
}

void UinputKeyGenerator::Impl::sendKey(unsigned keycode, bool down) {
    const unsigned code = keycode - evdevOffset;
    if (keys_.count(code) == 0) {
        throw KeyRefused("Invalid key code: key " + std::to_string(keycode) +
                         " is not one of the virtual keyboard's");
    }
    std::this_thread::sleep_until(usable_);
    input_event events[2]{};
    events[0].type = EV_KEY;
    events[0].code = static_cast<__u16>(code);
    events[0].value = down ? 1 : 0;
    events[1].type = EV_SYN;
    events[1].code = SYN_REPORT;
    ssize_t written = 0;
    do {
        written = ::write(fd_, events, sizeof events);
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(sizeof events)) {
        throw KeyRefused("write to the uinput device failed: " +
                         (written < 0 ? errnoText(errno) : std::string("short write")));
    }
}

std::string UinputKeyGenerator::Impl::keysymName(Keysym keysym) const {
    char name[64];
    if (xkb_keysym_get_name(static_cast<xkb_keysym_t>(keysym), name, sizeof name) < 0) {
        return std::to_string(keysym);
    }
    return name;
}

// Any keyboard of the session that shows Caps Lock lit; devices this user
// may not read are passed over.
bool UinputKeyGenerator::Impl::capsLockOn() {
    for (const std::string& device : calls_.eventDevices()) {
        const int fd = calls_.open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        unsigned char lights[LED_MAX / 8 + 1]{};
        unsigned char lit[LED_MAX / 8 + 1]{};
        const bool on = calls_.controlData(fd, EVIOCGBIT(EV_LED, sizeof lights), lights) >= 0 &&
                        bitSet(lights, LED_CAPSL) &&
                        calls_.controlData(fd, EVIOCGLED(sizeof lit), lit) >= 0 &&
                        bitSet(lit, LED_CAPSL);
        calls_.close(fd);
        if (on) return true;
    }
    return false;
}

std::unique_ptr<UinputKeyGenerator> UinputKeyGenerator::open(const uinput::LayoutNames& layout,
                                                             uinput::DeviceCalls& calls,
                                                             const std::string& path) {
    const int fd = calls.open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(refusedOpen(path, errno));
    return std::make_unique<UinputKeyGenerator>(fd, layout, calls);
}

UinputKeyGenerator::UinputKeyGenerator(int fd, const uinput::LayoutNames& layout,
                                       uinput::DeviceCalls& calls, std::chrono::milliseconds settle)
    : impl_(std::make_unique<Impl>(fd, layout, calls, settle)) {}

UinputKeyGenerator::~UinputKeyGenerator() = default;

void UinputKeyGenerator::press(int keyCode) {
    impl_->press(keyCode);
}

void UinputKeyGenerator::release(int keyCode) {
    impl_->release(keyCode);
}

void UinputKeyGenerator::pause(std::chrono::milliseconds duration, std::stop_token stop) {
    platform::pauseUnlessStopped(duration, stop);
}

bool UinputKeyGenerator::capsLockOn() {
    return impl_->capsLockOn();
}

bool UinputKeyGenerator::lastKeyTypedCharacter() {
    return impl_->typedCharacter();
}

std::string UinputKeyGenerator::describe() const {
    return impl_->describe();
}

}  // namespace keys
