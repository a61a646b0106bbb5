#pragma once

#include "config/Properties.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

// A message text or a whole bundle that the program needs is not there.
class MissingResourceException : public std::runtime_error {
  public:
    MissingResourceException(const QString& message, const QString& bundleName, const QString& key);

    const QString& bundleName() const { return bundleName_; }
    // Empty when the bundle itself is missing.
    const QString& key() const { return key_; }

  private:
    QString bundleName_;
    QString key_;
};

// Operator-facing texts, looked up by key. The bundles are compiled into the
// program as Qt resources: base name "valtyp.config.ConfigBundle" is the
// resource ":/valtyp/config/ConfigBundle.properties".
class ResourceBundle {
  public:
    // Loaded on first use and kept for the life of the process; safe to call
    // from any thread. Throws MissingResourceException for an unknown base
    // name, std::invalid_argument for a damaged bundle.
    static const ResourceBundle& getBundle(const QString& baseName);

    // A bundle read from a file instead of the resources, not cached. Throws
    // like getBundle; a file that cannot be opened counts as a missing bundle.
    static ResourceBundle fromFile(const QString& baseName, const QString& path);

    // Throws MissingResourceException naming the key and the bundle.
    QString getString(const QString& key) const;
    bool containsKey(const QString& key) const { return texts_.contains(key); }
    QStringList keys() const { return texts_.keys(); }
    const QString& baseName() const { return baseName_; }

  private:
    ResourceBundle(QString baseName, Properties texts);

    QString baseName_;
    Properties texts_;
};
