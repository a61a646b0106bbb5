#include "valtyp/prefs/ConfigStore.h"

#include "Serialio/SystemProperties.h"
#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/FilePreferences.h"
#include "valtyp/prefs/PreferencesFactory.h"

#include <QtGlobal>

#include <exception>
#include <iostream>
#include <utility>
#include <vector>

namespace ConfigStore {

namespace {

// The machine-wide folder that every user can write. Where "ProgramData" is
// not set (Linux), /var/lib stands in for it: the place for state that
// programs change as they run and that outlives a reboot, shared by all
// users, unlike anything in a home folder. The installer of the HUB edition
// creates /var/lib/Belmaro/ValtypHUB writable by every user of the scales
// (mode 0777, or 2775 with a shared group) and without the sticky bit, since
// each save replaces the file by renaming another user's file over it.
QString hubDataFolder() {
    const QString programData = qEnvironmentVariable("ProgramData");
    return programData.isEmpty() ? QStringLiteral("/var/lib") : programData;
}

}  // namespace

std::optional<QString> hubPreferencesFile() {
    if (Serialio::SystemProperties::get("EDITION", "") != "HUB") return std::nullopt;
    return hubDataFolder() + QLatin1StringView(hubFileBelowDataFolder);
}

AbstractPreferences& settingsNode() {
    if (const auto file = hubPreferencesFile()) {
        Serialio::SystemProperties::set(FilePreferencesFactory::SYSTEM_PROPERTY_FILE,
                                        file->toStdString());
        PreferencesFactory::install(std::make_unique<FilePreferencesFactory>());
    }
    return AbstractPreferences::userRoot().node(QLatin1StringView(nodePath));
}

ConfigKeys::LoadResult loadConfig(AbstractPreferences& node, const QStringList& ports) {
    return ConfigKeys::load([&node](const QString& key) { return node.get(key); }, ports);
}

bool saveConfig(const Config& config, AbstractPreferences& node, QString* failure) {
    try {
        // One write of the store for the whole record, not one per key.
        std::vector<std::pair<QString, QString>> entries;
        ConfigKeys::save(config, [&entries](const QString& key, const QString& value) {
            entries.emplace_back(key, value);
        });
        node.putAll(entries);
        node.flush();
        return true;
    } catch (const std::exception& e) {
        std::cerr << "saveConfig exception: " << e.what() << std::endl;
        if (failure) *failure = QString::fromUtf8(e.what());
        return false;
    }
}

}  // namespace ConfigStore
