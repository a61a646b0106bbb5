#pragma once
// Failures of the settings store, each carrying the text the caller shows.

#include <stdexcept>

// The store's file or database could not be read or written.
class BackingStoreException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An import file that is not a well-formed settings export.
class InvalidPreferencesFormatException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
