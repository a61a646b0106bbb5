#pragma once
// Which store the process keeps its settings in: the platform's per-user store
// unless start-up installed another one (the shared file of the HUB edition).

#include <memory>

class AbstractPreferences;

class PreferencesFactory {
  public:
    virtual ~PreferencesFactory() = default;

    virtual AbstractPreferences& userRoot() = 0;
    virtual AbstractPreferences& systemRoot() = 0;

    // The process's store; on first use without an installed one, the
    // per-user store.
    static PreferencesFactory& instance();
    // Makes this the process's store from now on. Nodes of an earlier store
    // stay valid, so nothing handed out before dangles.
    static void install(std::unique_ptr<PreferencesFactory> factory);
};
