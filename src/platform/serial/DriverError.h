#pragma once

#include <string>

namespace serialdriver {

// The last failure on this thread, handed to the serial library through SerGetErrorText.
void setErrorText(std::string text);
const std::string& errorText();

}  // namespace serialdriver
