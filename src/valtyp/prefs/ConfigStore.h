#pragma once
// Where the settings record lives and how it is read from and written to its
// node: the edition picks the store, ConfigKeys knows the keys.

#include "config/ConfigKeys.h"

#include <QString>
#include <QStringList>

#include <optional>

class AbstractPreferences;

namespace ConfigStore {

// The settings node, below the user root of either store.
inline constexpr const char* nodePath = "/com/belmaro/Valtyp";

// Below the machine-wide data folder: "ProgramData" where it is set, else
// /var/lib (see hubDataFolder in the source).
inline constexpr const char* hubFileBelowDataFolder = "/Belmaro/ValtypHUB/prefs.txt";

// The HUB edition's shared settings file (start-up property "EDITION" is
// "HUB"), or none in the regular edition.
std::optional<QString> hubPreferencesFile();

// Makes the edition's store the process's store (in the HUB edition, the
// shared file) and answers the settings node in it.
AbstractPreferences& settingsNode();

// Every setting from the node, checked; allValid is false when at least one
// stored value was replaced by its default. "port" is read only with a
// non-empty port list.
ConfigKeys::LoadResult loadConfig(AbstractPreferences& node, const QStringList& ports);

// Writes every setting and flushes the node. A store failure is written to
// the error output as "saveConfig exception: " and its message and answers
// false, with the message in failure where given; nothing is thrown.
bool saveConfig(const Config& config, AbstractPreferences& node, QString* failure = nullptr);

}  // namespace ConfigStore
