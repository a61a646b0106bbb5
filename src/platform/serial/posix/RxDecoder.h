#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace posixserial {

// Received bytes between the kernel and the reader. The line runs with PARMRK, so a byte that
// arrived with a parity or framing error comes as 0xFF 0x00 <byte> and a real 0xFF as
// 0xFF 0xFF; the decoder removes those escapes, remembers which bytes were marked, and raises
// the matching error flag when a marked byte is handed out.
class RxDecoder {
  public:
    enum Flag : unsigned { kParity = 1, kFrame = 2, kBreak = 4 };

    // Decodes raw bytes as read from the line. An escape split across two reads is completed
    // by the next call. Returns how many marked bytes it added.
    size_t decode(const std::uint8_t* raw, size_t count);

    // Gives the marked bytes added since the last call the error kinds they stand for; a NUL
    // marked while the line counted a break becomes a break.
    void classifyNewMarks(unsigned kinds, bool breakSeen);

    size_t available() const { return data_.size() - head_; }

    // The next byte, or -1 when none is buffered.
    int take();
    // Copies up to max bytes out; returns how many.
    size_t take(std::uint8_t* out, size_t max);

    // Returns whether the flag was raised since the last call and lowers it.
    bool takeFlag(Flag flag);

    // Drops everything buffered, including a half-received escape; raised flags stay.
    void clear();

  private:
    enum class State { kPlain, kSawFF, kSawFF00 };
    struct Mark {
        std::uint64_t position;  // in the sequence of decoded bytes
        unsigned kinds;          // 0 until classified
    };

    void append(std::uint8_t byte) { data_.push_back(byte); }
    void appendMarked(std::uint8_t byte);
    void handOut(size_t count);

    std::vector<std::uint8_t> data_;
    size_t head_ = 0;
    std::uint64_t headPosition_ = 0;
    std::deque<Mark> marks_;
    State state_ = State::kPlain;
    std::atomic<unsigned> flags_{0};
};

}  // namespace posixserial
