#include "valtyp/prefs/PreferencesFactory.h"

#include "valtyp/prefs/SettingsPreferences.h"

#include <mutex>
#include <vector>

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::unique_ptr<PreferencesFactory>> factories;  // the last one is current
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

PreferencesFactory& PreferencesFactory::instance() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.factories.empty()) r.factories.push_back(std::make_unique<SettingsPreferencesFactory>());
    return *r.factories.back();
}

void PreferencesFactory::install(std::unique_ptr<PreferencesFactory> factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.factories.push_back(std::move(factory));
}
