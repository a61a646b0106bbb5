#pragma once
// Cuts a byte stream into records at the input terminator. Only the
// terminator closes a record; a stream that never sends it cannot grow the
// buffer without bound: past the limit the buffered bytes are handed out as
// unsent data and dropped.

#include <QString>

class RecordFramer {
  public:
    static constexpr qsizetype kDefaultLimit = 64 * 1024;

    explicit RecordFramer(int terminator, qsizetype limit = kDefaultLimit);

    enum class Step { Partial, Complete, Overflow };
    // After Complete, buffer() is the record, terminator included; after
    // Overflow, the bytes given up. Either way the caller clears it.
    Step add(unsigned char byte);

    const QString& buffer() const { return buffer_; }
    bool isEmpty() const { return buffer_.isEmpty(); }
    // Empties the buffer and keeps its capacity for the next record.
    void clear() { buffer_.resize(0); }

  private:
    QString buffer_;
    int terminator_;
    qsizetype limit_;
};
