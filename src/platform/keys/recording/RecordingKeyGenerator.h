#pragma once
// A keystroke generator that types nothing and records every call with the
// time it came, for the tests and for running without a desktop.

#include "platform/keys/KeyGenerator.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace keys {

struct KeyEvent {
    enum class Kind { Press, Release, Pause };
    Kind kind;
    int value;  // the key code, or the pause in milliseconds
    std::chrono::steady_clock::time_point at;

    bool operator==(const KeyEvent& other) const {
        return kind == other.kind && value == other.value;  // the time is for reading only
    }
};

// "press 16", "release 16", "pause 20".
std::string toString(const KeyEvent& event);

class RecordingKeyGenerator : public KeyGenerator {
  public:
    enum class Pauses { Record, RecordAndWait };
    explicit RecordingKeyGenerator(Pauses pauses = Pauses::Record) : pauses_(pauses) {}

    // A refused code is recorded, then refused with the message.
    void refuse(int keyCode, std::string message);
    void setCapsLock(bool on);
    // Called with every event as it is recorded, on the caller's thread.
    void setListener(std::function<void(const KeyEvent&)> listener);

    void press(int keyCode) override;
    void release(int keyCode) override;
    void pause(std::chrono::milliseconds duration, std::stop_token stop = {}) override;
    bool capsLockOn() override;

    std::vector<KeyEvent> events() const;
    void clear();
    // Waits until at least `count` events are recorded; false on time-out.
    bool waitForEvents(std::size_t count, std::chrono::milliseconds timeout) const;

  private:
    void record(KeyEvent::Kind kind, int value);

    const Pauses pauses_;
    mutable std::mutex mutex_;
    mutable std::condition_variable recorded_;
    std::vector<KeyEvent> events_;
    std::map<int, std::string> refused_;
    std::function<void(const KeyEvent&)> listener_;
    bool capsLock_ = false;
};

}  // namespace keys
