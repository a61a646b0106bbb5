#include "platform/serial/posix/RxDecoder.h"

#include <cstring>

namespace posixserial {

namespace {
constexpr std::uint8_t kEscape = 0xFF;
}

void RxDecoder::appendMarked(std::uint8_t byte) {
    marks_.push_back({headPosition_ + available(), 0});
    append(byte);
}

size_t RxDecoder::decode(const std::uint8_t* raw, size_t count) {
    size_t before = marks_.size();
    size_t i = 0;
    while (i < count) {
        switch (state_) {
            case State::kPlain: {
                // Copy the run up to the next escape in one go; most input has none.
                const void* escape = std::memchr(raw + i, kEscape, count - i);
                size_t end =
                    escape ? static_cast<size_t>(static_cast<const std::uint8_t*>(escape) - raw)
                           : count;
                data_.insert(data_.end(), raw + i, raw + end);
                i = end;
                if (escape) {
                    state_ = State::kSawFF;
                    ++i;
                }
                break;
            }
            case State::kSawFF:
                if (raw[i] == kEscape) {
                    append(kEscape);
                    state_ = State::kPlain;
                } else if (raw[i] == 0) {
                    state_ = State::kSawFF00;
                } else {
                    // Not an escape the kernel writes; keep both bytes rather than lose data.
                    append(kEscape);
                    append(raw[i]);
                    state_ = State::kPlain;
                }
                ++i;
                break;
            case State::kSawFF00:
                appendMarked(raw[i]);
                state_ = State::kPlain;
                ++i;
                break;
        }
    }
    return marks_.size() - before;
}

void RxDecoder::classifyNewMarks(unsigned kinds, bool breakSeen) {
    for (auto it = marks_.rbegin(); it != marks_.rend() && it->kinds == 0; ++it) {
        std::uint8_t byte = data_[head_ + static_cast<size_t>(it->position - headPosition_)];
        it->kinds = (breakSeen && byte == 0) ? static_cast<unsigned>(kBreak) : kinds;
    }
}

void RxDecoder::handOut(size_t count) {
    std::uint64_t end = headPosition_ + count;
    while (!marks_.empty() && marks_.front().position < end) {
        // A mark nobody classified still says the byte was damaged.
        unsigned kinds = marks_.front().kinds ? marks_.front().kinds : (kParity | kFrame);
        flags_.fetch_or(kinds);
        marks_.pop_front();
    }
    head_ += count;
    headPosition_ = end;
    if (head_ == data_.size()) {
        data_.clear();
        head_ = 0;
    }
}

int RxDecoder::take() {
    if (available() == 0) return -1;
    int byte = data_[head_];
    handOut(1);
    return byte;
}

size_t RxDecoder::take(std::uint8_t* out, size_t max) {
    size_t count = available() < max ? available() : max;
    if (count == 0) return 0;
    std::memcpy(out, data_.data() + head_, count);
    handOut(count);
    return count;
}

bool RxDecoder::takeFlag(Flag flag) {
    return (flags_.fetch_and(~static_cast<unsigned>(flag)) & flag) != 0;
}

void RxDecoder::clear() {
    headPosition_ += available();
    data_.clear();
    head_ = 0;
    marks_.clear();
    state_ = State::kPlain;
}

}  // namespace posixserial
