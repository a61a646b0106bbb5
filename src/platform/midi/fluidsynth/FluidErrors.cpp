#include "platform/midi/fluidsynth/FluidErrors.h"

#include <fluidsynth.h>

#include <cstdio>
#include <mutex>
#include <utility>

namespace midi {

namespace {

thread_local FluidErrors* collecting = nullptr;

void logMessage(int level, const char* message, void*) {
    if (message == nullptr) return;
    if ((level == FLUID_PANIC || level == FLUID_ERR) && collecting != nullptr) {
        collecting->add(message);
        return;
    }
    if (level == FLUID_PANIC || level == FLUID_ERR || level == FLUID_WARN) {
        std::fprintf(stderr, "fluidsynth: %s\n", message);
    }
}

void installLogFunctions() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, logMessage, nullptr);
        }
    });
}

}  // namespace

FluidErrors::FluidErrors() : outer_(collecting) {
    installLogFunctions();
    collecting = this;
}

FluidErrors::~FluidErrors() {
    collecting = outer_;
}

std::string FluidErrors::take() {
    std::string text = std::move(text_);
    text_.clear();
    return text;
}

void FluidErrors::add(const char* message) {
    if (!text_.empty()) text_ += "; ";
    text_ += message;
}

}  // namespace midi
