#pragma once
// The HUB edition's store: every node of the tree keeps its keys in one
// properties file that all users of the machine share. An entry's key is the
// node's path with "." after each name, then the key: the key "bitRate" of
// "/com/belmaro/Valtyp" is the entry "com.belmaro.Valtyp.bitRate".

#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/PreferencesFactory.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

class PreferencesFile;

class FilePreferences final : public AbstractPreferences {
  public:
    // Reads the node's entries from the file at once; a failure is logged
    // and leaves the node empty.
    FilePreferences(FilePreferences* parent, const QString& name, PreferencesFile& file);

    // The prefix of this node's entry keys: "" for the root, else the
    // parent's prefix, the name and ".".
    const QString& getPath() const { return path_; }

    // A "." separates node names in the file's entry keys, so a key "my.key"
    // would come back as a child node's key and a node "com.belmaro" would be
    // the node "/com/belmaro".
    std::optional<QString> refusedKey(const QString& key) const override;
    std::optional<QString> refusedName(const QString& name) const override;

  protected:
    std::optional<QString> getSpi(const QString& key) override;
    void putSpi(const QString& key, const QString& value) override;
    // Kept in memory for the flush that follows: one rewrite of the file.
    void putAllSpi(const std::vector<std::pair<QString, QString>>& entries) override;
    void removeSpi(const QString& key) override;
    QStringList keysSpi() override;
    QStringList childrenNamesSpi() override;
    std::unique_ptr<AbstractPreferences> childSpi(const QString& name) override;
    void removeNodeSpi() override;
    void syncSpi() override;
    void flushSpi() override;

  private:
    // The key of this node an entry holds, or none for other nodes' entries.
    std::optional<QString> ownKey(const QString& entryKey) const;

    PreferencesFile& file_;
    const QString path_;
    std::map<QString, QString> root_;  // this node's entries
    bool isRemoved_ = false;
};

class FilePreferencesFactory final : public PreferencesFactory {
  public:
    // The process property holding the settings file's path; when it is
    // missing or empty the file is ".fileprefs" in the user's home folder.
    static constexpr const char* SYSTEM_PROPERTY_FILE = "valtyp.preferences.file";

    FilePreferencesFactory();
    ~FilePreferencesFactory() override;

    AbstractPreferences& userRoot() override;
    // There is one tree in the file; the system root is the same node.
    AbstractPreferences& systemRoot() override { return userRoot(); }

    // The absolute path of the settings file, resolved on first use and kept.
    QString getPreferencesFile();

  private:
    QString resolvedFile();  // with mutex_ held

    std::mutex mutex_;
    std::optional<QString> preferencesFile_;
    std::unique_ptr<PreferencesFile> file_;
    std::unique_ptr<FilePreferences> rootPreferences_;
};
