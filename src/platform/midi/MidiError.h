#pragma once

#include <stdexcept>

namespace midi {

// No sequencer or synthesizer is available, it cannot be opened, or a
// message is refused. The text says why and is shown to the user as it is.
class MidiError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace midi
