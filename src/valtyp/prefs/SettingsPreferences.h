#pragma once
// The regular edition's store: the user's own settings file in the desktop's
// configuration folder, read and written through QSettings. A node's path
// becomes nested groups, so "/com/belmaro/Valtyp" keeps its keys in the group
// "com/belmaro/Valtyp".

#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/PreferencesFactory.h"

#include <QSettings>

#include <memory>
#include <mutex>

class SettingsPreferences final : public AbstractPreferences {
  public:
    // The settings object belongs to the factory and outlives every node.
    SettingsPreferences(SettingsPreferences* parent, const QString& name, QSettings& settings);

  protected:
    std::optional<QString> getSpi(const QString& key) override;
    void putSpi(const QString& key, const QString& value) override;
    void removeSpi(const QString& key) override;
    QStringList keysSpi() override;
    QStringList childrenNamesSpi() override;
    std::unique_ptr<AbstractPreferences> childSpi(const QString& name) override;
    void removeNodeSpi() override;
    void syncSpi() override;
    void flushSpi() override;

  private:
    QString settingsKey(const QString& key) const;
    void checkStatus(const char* action);

    QSettings& settings_;
    QString group_;  // "" for the root, else the encoded path without the leading "/"
};

class SettingsPreferencesFactory final : public PreferencesFactory {
  public:
    // "Belmaro/Valtyp.conf" in the user's configuration folder
    // ($XDG_CONFIG_HOME, else ~/.config); on Windows the registry, below
    // HKEY_CURRENT_USER\Software\Belmaro\Valtyp.
    SettingsPreferencesFactory();
    // An empty name is the platform's own store (the registry on Windows).
    explicit SettingsPreferencesFactory(const QString& fileName);
    ~SettingsPreferencesFactory() override;

    AbstractPreferences& userRoot() override;
    // There is one tree per user; the system root is the same node.
    AbstractPreferences& systemRoot() override { return userRoot(); }

    const QString& fileName() const { return fileName_; }

  private:
    const QString fileName_;
    std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<SettingsPreferences> root_;
};
