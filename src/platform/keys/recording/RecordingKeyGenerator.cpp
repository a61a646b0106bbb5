#include "platform/keys/recording/RecordingKeyGenerator.h"
#include "platform/StopPause.h"

#include <utility>

namespace keys {

std::string toString(const KeyEvent& event) {
    switch (event.kind) {
        case KeyEvent::Kind::Press:
            return "press " + std::to_string(event.value);
        case KeyEvent::Kind::Release:
            return "release " + std::to_string(event.value);
        case KeyEvent::Kind::Pause:
            break;
    }
    return "pause " + std::to_string(event.value);
}

void RecordingKeyGenerator::refuse(int keyCode, std::string message) {
    std::lock_guard lock(mutex_);
    refused_[keyCode] = std::move(message);
}

void RecordingKeyGenerator::setCapsLock(bool on) {
    std::lock_guard lock(mutex_);
    capsLock_ = on;
}

void RecordingKeyGenerator::setListener(std::function<void(const KeyEvent&)> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void RecordingKeyGenerator::press(int keyCode) {
    record(KeyEvent::Kind::Press, keyCode);
}

void RecordingKeyGenerator::release(int keyCode) {
    record(KeyEvent::Kind::Release, keyCode);
}

void RecordingKeyGenerator::pause(std::chrono::milliseconds duration, std::stop_token stop) {
    record(KeyEvent::Kind::Pause, static_cast<int>(duration.count()));
    if (pauses_ == Pauses::RecordAndWait) platform::pauseUnlessStopped(duration, stop);
}

bool RecordingKeyGenerator::capsLockOn() {
    std::lock_guard lock(mutex_);
    return capsLock_;
}

std::vector<KeyEvent> RecordingKeyGenerator::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void RecordingKeyGenerator::clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

bool RecordingKeyGenerator::waitForEvents(std::size_t count,
                                          std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return recorded_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
}

void RecordingKeyGenerator::record(KeyEvent::Kind kind, int value) {
    const KeyEvent event{kind, value, std::chrono::steady_clock::now()};
    std::string refusal;
    std::function<void(const KeyEvent&)> listener;
    bool refused = false;
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
        listener = listener_;
        if (kind != KeyEvent::Kind::Pause) {
            if (auto found = refused_.find(value); found != refused_.end()) {
                refused = true;
                refusal = found->second;
            }
        }
    }
    recorded_.notify_all();
    if (listener) listener(event);
    if (refused) throw KeyRefused(refusal);
}

}  // namespace keys
