#include "platform/midi/Sequencer.h"
#include "platform/midi/winmm/WinmmSequencer.h"

namespace midi {

std::unique_ptr<Sequencer> systemSequencer() {
    return std::make_unique<WinmmSequencer>();
}

}  // namespace midi
