#pragma once
// FluidSynth reports why a call failed only through its log. While a
// FluidErrors lives, the errors logged on its thread are collected so that
// the exception can carry the reason; everything else FluidSynth logs goes
// to standard error as before, except its chatter below warnings.

#include <string>

namespace midi {

class FluidErrors {
  public:
    FluidErrors();
    ~FluidErrors();
    FluidErrors(const FluidErrors&) = delete;
    FluidErrors& operator=(const FluidErrors&) = delete;

    // The errors collected since the last take(), joined by "; ", then forgets them.
    std::string take();
    void add(const char* message);

  private:
    FluidErrors* outer_;
    std::string text_;
};

}  // namespace midi
