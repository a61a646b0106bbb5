#pragma once

#include <optional>
#include <string>

#include "Serialio/SystemProperties.h"

// Sets a system property for one test and puts the old value back afterwards.
class ScopedProperty {
  public:
    ScopedProperty(std::string key, const std::optional<std::string>& value)
        : key_(std::move(key)), old_(Serialio::SystemProperties::get(key_)) {
        apply(value);
    }
    ~ScopedProperty() { apply(old_); }
    ScopedProperty(const ScopedProperty&) = delete;
    ScopedProperty& operator=(const ScopedProperty&) = delete;

  private:
    void apply(const std::optional<std::string>& value) {
        if (value)
            Serialio::SystemProperties::set(key_, *value);
        else
            Serialio::SystemProperties::clear(key_);
    }
    std::string key_;
    std::optional<std::string> old_;
};
