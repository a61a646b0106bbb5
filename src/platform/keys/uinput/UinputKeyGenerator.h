#pragma once
// Types through a virtual keyboard of the kernel's uinput device, which
// every Linux compositor and the text console take as a keyboard of their
// own. The compositor turns its keys into characters with the session's
// layout, so the keys are found in that same layout, compiled here.

#include "platform/keys/KeyGenerator.h"
#include "platform/keys/uinput/DeviceCalls.h"
#include "platform/keys/uinput/XkbLayout.h"

#include <memory>

namespace keys {

class UinputKeyGenerator : public KeyGenerator {
  public:
    // How long a new device takes to be noticed: keys sent before the
    // compositor opened it are lost.
    static constexpr std::chrono::milliseconds defaultSettle{300};

    // Opens /dev/uinput and creates the keyboard. Throws std::runtime_error
    // naming the call that failed; a refused open says what to do.
    static std::unique_ptr<UinputKeyGenerator> open(
        const uinput::LayoutNames& layout, uinput::DeviceCalls& calls = uinput::systemDeviceCalls(),
        const std::string& path = "/dev/uinput");

    // Creates the keyboard on an open uinput descriptor, which it then owns,
    // and destroys it when done. Events are written to the descriptor.
    UinputKeyGenerator(int fd, const uinput::LayoutNames& layout, uinput::DeviceCalls& calls,
                       std::chrono::milliseconds settle = defaultSettle);
    ~UinputKeyGenerator() override;

    void press(int keyCode) override;
    void release(int keyCode) override;
    void pause(std::chrono::milliseconds duration, std::stop_token stop = {}) override;
    // From the Caps Lock lights of the session's keyboards; off when none
    // can be read.
    bool capsLockOn() override;
    bool lastKeyTypedCharacter() override;
    std::string describe() const override;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace keys
