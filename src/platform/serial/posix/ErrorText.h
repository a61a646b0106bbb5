#pragma once

#include <string>

namespace posixserial {

// The last failure on this thread, handed to the serial library through SerGetErrorText.
void setErrorText(std::string text);
const std::string& errorText();

// Records "<call>: <errno text>" and returns code, so failing paths stay one line.
int failWithErrno(int code, const std::string& call);

}  // namespace posixserial
