#include "platform/midi/Sequencer.h"
#include "platform/midi/fluidsynth/FluidSynthSequencer.h"

namespace midi {

std::unique_ptr<Sequencer> systemSequencer() {
    return std::make_unique<FluidSynthSequencer>();
}

}  // namespace midi
