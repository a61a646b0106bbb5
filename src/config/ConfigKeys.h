#pragma once
// How the settings record is stored: one key per setting, spelled as its
// field, in its stored text form; loading checks every value with its
// option's rule and replaces a bad one by the default.

#include "config/Config.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ConfigKeys {

// The stored text of a key, or none when the key is missing.
using Reader = std::function<std::optional<QString>(const QString& key)>;
using Writer = std::function<void(const QString& key, const QString& value)>;

const QStringList& loadOrder();
const QStringList& saveOrder();

struct LoadResult {
    Config config;
    bool allValid;  // false when at least one stored value was replaced
};

// "port" is read only with a non-empty port list, whose first entry is its
// default; "prevPort" defaults to the port just loaded.
LoadResult load(const Reader& stored, const QStringList& portList);

// "port" and "prevPort" from the record's port (when it has one), then every
// other key in save order.
void save(const Config& config, const Writer& put);

// Sets one setting from its stored text form, checked with its option's
// rule; false (and the record unchanged) for an invalid value. Throws
// std::invalid_argument for a key that names no setting.
bool applySetting(Config& config, const QString& key, const QString& value);

// The stored text form of one setting.
QString storedValue(const Config& config, const QString& key);

}  // namespace ConfigKeys
