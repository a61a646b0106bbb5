#pragma once
// The keyboard layouts the key maps are written for, and how much of the
// character set a map holds. Apart from their option tables so that the key
// maps build without Qt, for the Windows keystroke tests.

namespace ConfigHelper {

enum class KeyboardType { QUERTY, US_INTERNATIONAL, AZERTY, GERMAN, ALL };
enum class KeyMapType { NUMERIC, ALPHANUMERIC_BASIC, ALPHANUMERIC_COMPLETE };

}  // namespace ConfigHelper
