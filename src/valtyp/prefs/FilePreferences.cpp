#include "valtyp/prefs/FilePreferences.h"

#include "Serialio/SystemProperties.h"
#include "valtyp/prefs/PreferencesFile.h"
#include "valtyp/prefs/PreferencesLog.h"

#include <QDir>
#include <QFileInfo>

#include <set>

namespace {

const QString fileComment = QStringLiteral("FilePreferences");

}  // namespace

FilePreferences::FilePreferences(FilePreferences* parent, const QString& name,
                                 PreferencesFile& file)
    : AbstractPreferences(parent, name),
      file_(file),
      path_(parent ? parent->path_ + name + u'.' : QString()) {
    qCDebug(prefsLog).noquote() << QStringLiteral("Instantiating node ") + name;
    try {
        syncSpi();
    } catch (const std::exception& e) {
        qCWarning(prefsLog).noquote() << QStringLiteral("Unable to sync on creation of node ") +
                                             name + QStringLiteral(": ") +
                                             QString::fromUtf8(e.what());
    }
}

std::optional<QString> FilePreferences::ownKey(const QString& entryKey) const {
    if (!entryKey.startsWith(path_)) return std::nullopt;
    QString rest = entryKey.mid(path_.size());
    // "a.b.x" under "a." belongs to the child "b".
    if (rest.contains(u'.')) return std::nullopt;
    return rest;
}

std::optional<QString> FilePreferences::getSpi(const QString& key) {
    const auto it = root_.find(key);
    if (it == root_.end()) return std::nullopt;
    return it->second;
}

void FilePreferences::putSpi(const QString& key, const QString& value) {
    root_[key] = value;
    try {
        flushSpi();
    } catch (const std::exception& e) {
        qCWarning(prefsLog).noquote() << QStringLiteral("Unable to flush after putting ") + key +
                                             QStringLiteral(": ") + QString::fromUtf8(e.what());
    }
}

void FilePreferences::putAllSpi(const std::vector<std::pair<QString, QString>>& entries) {
    for (const auto& [key, value] : entries) root_[key] = value;
}

std::optional<QString> FilePreferences::refusedKey(const QString& key) const {
    if (!key.contains(u'.')) return std::nullopt;
    return QStringLiteral("The settings file cannot hold a key containing \".\": %1").arg(key);
}

std::optional<QString> FilePreferences::refusedName(const QString& name) const {
    if (!name.contains(u'.')) return std::nullopt;
    return QStringLiteral("The settings file cannot hold a node name containing \".\": %1")
        .arg(name);
}

void FilePreferences::removeSpi(const QString& key) {
    root_.erase(key);
    try {
        flushSpi();
    } catch (const std::exception& e) {
        qCWarning(prefsLog).noquote() << QStringLiteral("Unable to flush after removing ") + key +
                                             QStringLiteral(": ") + QString::fromUtf8(e.what());
    }
}

QStringList FilePreferences::keysSpi() {
    QStringList keys;
    for (const auto& entry : root_) keys << entry.first;
    return keys;
}

QStringList FilePreferences::childrenNamesSpi() {
    // Children that only the file knows of count too, so that removing a node
    // also removes descendants this process never opened.
    std::set<QString> names;
    const Properties entries = file_.read();
    for (const QString& entryKey : entries.keys()) {
        if (!entryKey.startsWith(path_)) continue;
        const qsizetype dot = entryKey.indexOf(u'.', path_.size());
        if (dot > path_.size()) names.insert(entryKey.mid(path_.size(), dot - path_.size()));
    }
    return QStringList(names.begin(), names.end());
}

std::unique_ptr<AbstractPreferences> FilePreferences::childSpi(const QString& name) {
    return std::make_unique<FilePreferences>(this, name, file_);
}

void FilePreferences::removeNodeSpi() {
    isRemoved_ = true;
    flushSpi();
}

void FilePreferences::syncSpi() {
    if (isRemoved_ || !file_.exists()) return;
    const Properties entries = file_.read();
    // Keys the file lacks stay: they may have been put here and not yet written.
    for (const QString& entryKey : entries.keys()) {
        if (const auto key = ownKey(entryKey)) root_[*key] = entries.value(entryKey);
    }
}

void FilePreferences::flushSpi() {
    file_.update(
        [this](Properties& entries) {
            for (const QString& entryKey : entries.keys()) {
                if (ownKey(entryKey)) entries.remove(entryKey);
            }
            if (isRemoved_) return;
            for (const auto& [key, value] : root_) entries.setProperty(path_ + key, value);
        },
        fileComment);
}

FilePreferencesFactory::FilePreferencesFactory() = default;

FilePreferencesFactory::~FilePreferencesFactory() = default;

QString FilePreferencesFactory::resolvedFile() {
    if (!preferencesFile_) {
        using Serialio::SystemProperties;
        QString path = QString::fromStdString(SystemProperties::get(SYSTEM_PROPERTY_FILE, ""));
        if (path.isEmpty()) {
            const std::string home =
                SystemProperties::get("user.home", QDir::homePath().toStdString());
            path = QString::fromStdString(home) + QStringLiteral("/.fileprefs");
        }
        preferencesFile_ = QFileInfo(path).absoluteFilePath();
        qCDebug(prefsLog).noquote() << QStringLiteral("Preferences file is ") + *preferencesFile_;
    }
    return *preferencesFile_;
}

QString FilePreferencesFactory::getPreferencesFile() {
    std::lock_guard lock(mutex_);
    return resolvedFile();
}

AbstractPreferences& FilePreferencesFactory::userRoot() {
    std::lock_guard lock(mutex_);
    if (!rootPreferences_) {
        qCDebug(prefsLog) << "Instantiating root preferences";
        file_ = std::make_unique<PreferencesFile>(resolvedFile());
        rootPreferences_ = std::make_unique<FilePreferences>(nullptr, QString(), *file_);
    }
    return *rootPreferences_;
}
