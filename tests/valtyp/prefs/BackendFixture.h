#pragma once
// The same tests over both stores: the per-user QSettings file and the shared
// properties file, each in a temporary folder.

#include "PrefsTestSupport.h"
#include "valtyp/prefs/SettingsPreferences.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>

enum class Backend { UserSettings, SharedFile };

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::UserSettings ? "UserSettings" : "SharedFile";
}

class BackendTest : public ::testing::TestWithParam<Backend> {
  protected:
    BackendTest() { reopen(); }

    // A fresh store over the same file, as the next start of the program sees it.
    void reopen() {
        fileStore_.reset();
        settings_.reset();
        if (GetParam() == Backend::UserSettings) {
            settings_ = std::make_unique<SettingsPreferencesFactory>(backingFile());
        } else {
            fileStore_ = std::make_unique<FileStore>(backingFile());
        }
    }

    AbstractPreferences& root() { return settings_ ? settings_->userRoot() : fileStore_->root(); }

    QString backingFile() const {
        return GetParam() == Backend::UserSettings ? dir_.filePath("config/Belmaro/Valtyp.conf")
                                                   : dir_.filePath("ValtypHUB/prefs.txt");
    }

    // Every node, key and value, one line each, for "nothing changed" checks.
    QStringList snapshot() { return snapshotOf(root()); }

  private:
    static QStringList snapshotOf(AbstractPreferences& node) {
        QStringList lines;
        for (const QString& key : node.keys()) {
            lines << node.absolutePath() + u' ' + key + u'=' + node.get(key, "<none>");
        }
        for (const QString& name : node.childrenNames()) lines << snapshotOf(node.node(name));
        return lines;
    }

    QTemporaryDir dir_;
    std::unique_ptr<SettingsPreferencesFactory> settings_;
    std::unique_ptr<FileStore> fileStore_;
};
