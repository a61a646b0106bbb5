#pragma once
// The user declined a step (overwriting a file) and so ended the operation;
// the message says so in the user's words.

#include <stdexcept>

class UserCancelException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
