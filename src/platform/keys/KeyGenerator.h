#pragma once
// The synthetic keystroke facility: presses and releases keys as if a person
// typed them into whichever application has the keyboard focus. Keys are the
// program's own key codes (config/KeyCodes.h); each backend translates them.

#include <chrono>
#include <stdexcept>
#include <stop_token>
#include <string>

namespace keys {

// The current keyboard cannot produce the key, or the code means nothing.
class KeyRefused : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class KeyGenerator {
  public:
    KeyGenerator() = default;
    KeyGenerator(const KeyGenerator&) = delete;
    KeyGenerator& operator=(const KeyGenerator&) = delete;
    virtual ~KeyGenerator() = default;

    // Both throw KeyRefused for a key the keyboard cannot produce.
    virtual void press(int keyCode) = 0;
    virtual void release(int keyCode) = 0;
    // Waits, delivering what was typed so far; ends early on a stop request.
    virtual void pause(std::chrono::milliseconds duration, std::stop_token stop = {}) = 0;
    // Whether Caps Lock would turn small letters into capitals. May be
    // called from any thread.
    virtual bool capsLockOn() = 0;
    // Whether the last key pressed typed a character by itself rather than
    // a dead key waiting for the next key; false when nothing tells.
    virtual bool lastKeyTypedCharacter() { return false; }
    // How the keystrokes reach the desktop, for the event log.
    virtual std::string describe() const { return "a keyboard of the tests"; }
};

}  // namespace keys
