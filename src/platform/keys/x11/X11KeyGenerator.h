#pragma once
// Types through the XTest extension of an X server: each key code becomes
// the key that produces its keysym on the server's current key map.

#include "platform/keys/KeyGenerator.h"

#include <memory>
#include <string>

namespace keys {

class X11KeyGenerator : public KeyGenerator {
  public:
    // Connects to the display named, or to $DISPLAY when the name is empty.
    // Throws std::runtime_error naming the call that failed.
    explicit X11KeyGenerator(const std::string& displayName = {});
    ~X11KeyGenerator() override;

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
