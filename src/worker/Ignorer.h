#pragma once
// Blanks the output of a record that repeats the previous one, within an
// optional time limit and an optional numeric difference.

#include "config/Decimal.h"
#include "worker/DataLine.h"

#include <optional>

class Config;

class Ignorer {
  public:
    explicit Ignorer(const Config& config);

    // May blank the record's output. Throws std::invalid_argument when a
    // difference limit is set and an output text is not a decimal number.
    void process(DataLine& record);

    bool inTime(const DataLine& record) const;
    bool inTolerance(const DataLine& record) const;

  private:
    std::optional<DataLine> lastData_;
    int timeLimit_;       // milliseconds; 0: no limit
    Decimal difference_;  // 0: the output texts must be equal
};
