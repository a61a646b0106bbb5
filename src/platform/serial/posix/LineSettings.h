#pragma once

#include <termios.h>

#include <optional>
#include <string>

#include "platform/serial/LineRequest.h"

struct SerPortConfig;

namespace posixserial {

using serialdriver::requestedRate;

// Puts the line into raw mode with the record's rate, character format and flow control.
// With checkReadBack (real devices) it reads the settings back and puts the old ones back
// when the line did not take them; a virtual port's far end decides, so it only sets them.
// Returns SER_OK, SER_ERR_BAD_SETTING, SER_ERR_NOT_TAKEN or SER_ERR_SYSTEM.
int applyLineSettings(int fd, const SerPortConfig& config, bool checkReadBack = true);

// What of the wanted settings the line did not take, as an operator reads it ("the adapter
// does not support 7 data bits with even parity"); empty when it took them all. Rates are
// compared elsewhere.
std::string settingsNotTaken(const termios& wanted, const termios& got,
                             const SerPortConfig& config);

}  // namespace posixserial
