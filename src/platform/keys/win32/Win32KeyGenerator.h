#pragma once
// Types through SendInput. Keys that carry a character are found in the
// Windows keyboard layout the key maps are written for; the rest have fixed
// virtual keys. What the maps type with AltGr (their Ctrl + Alt), with a dead
// key, or as an Alt code (Alt held over keypad digits) is sent as the
// character it makes, a Unicode key event, which arrives alike whatever the
// target's layout and Num Lock, and under Wine too.

#include "platform/keys/KeyGenerator.h"

#include <functional>
#include <memory>
#include <string>

namespace keys {

// The Windows keyboard layout identifier for the layout and variant names the
// key maps are written for ("de" -> "00000407"); empty for any other, which
// stands for the layout the user has active.
std::string windowsLayoutId(const std::string& layout, const std::string& variant);

class Win32KeyGenerator : public KeyGenerator {
  public:
    // SendInput's signature without the Windows types, so that a test can
    // make it refuse: (event count, INPUT array, size of one INPUT).
    using SendInputCall = std::function<unsigned(unsigned, void*, int)>;

    // layoutId as windowsLayoutId gives it; empty: the layout active in the
    // window in front. Throws std::runtime_error naming the call that failed.
    explicit Win32KeyGenerator(const std::string& layoutId = {}, SendInputCall sendInput = {});
    ~Win32KeyGenerator() override;

    // Both throw KeyRefused for a key the layout lacks, and when SendInput
    // delivers fewer events than given or Windows refuses input to the window
    // in front; the message names the call and the system's reason.
    void press(int keyCode) override;
    void release(int keyCode) override;
    void pause(std::chrono::milliseconds duration, std::stop_token stop = {}) override;
    bool capsLockOn() override;
    bool lastKeyTypedCharacter() override;
    std::string describe() const override;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace keys
