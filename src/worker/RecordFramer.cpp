#include "worker/RecordFramer.h"

RecordFramer::RecordFramer(int terminator, qsizetype limit)
    : terminator_(terminator), limit_(limit) {
    buffer_.reserve(30);
}

RecordFramer::Step RecordFramer::add(unsigned char byte) {
    buffer_ += QChar(static_cast<char16_t>(byte));
    if (byte == terminator_) return Step::Complete;
    return buffer_.size() >= limit_ ? Step::Overflow : Step::Partial;
}
