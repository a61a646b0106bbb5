#pragma once
// What the main window needs from the desktop, handed in so that tests can
// stand in for the parts a test cannot press or hear.

#include "config/OutputOptions.h"
#include "platform/focus/FocusProbe.h"
#include "platform/keys/KeyGenerator.h"
#include "platform/midi/Sequencer.h"
#include "valtyp/util/LinkRunner.h"
#include "valtyp/util/UpdateCheckStart.h"

#include <functional>
#include <memory>

class Dialogs;

struct FrameServices {
    Dialogs* dialogs = nullptr;
    // The synthetic keyboard a run types with, for the layout the keyboard
    // type is written for; may throw when there is none.
    std::function<std::unique_ptr<keys::KeyGenerator>(ConfigHelper::KeyboardType)> keyboard;
    // Which window has the keyboard focus, for typing only into one; may
    // throw focus::FocusUnknown where the session cannot tell. None: never known.
    std::function<std::unique_ptr<focus::FocusProbe>()> focusProbe;
    // The synthesizer of the signal sound.
    midi::SequencerFactory sequencers;
    // The one-in-four draw of the update check at start-up.
    UpdateCheckStart::Draw updateDraw;
    // The update check; none: nothing is checked.
    UpdateCheckStart::UpdateCheck updateCheck;
    // Opens web links in the user's browser; none: links stay plain text.
    LinkRunner::Opener browser;
    // Ends the event loop with an exit status.
    std::function<void(int status)> exit;
};
