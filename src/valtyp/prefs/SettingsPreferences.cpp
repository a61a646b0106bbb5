#include "valtyp/prefs/SettingsPreferences.h"

#include "valtyp/prefs/PreferencesErrors.h"

#include <QStandardPaths>

namespace {

// QSettings reads "/" and "\" as group separators; keys and names may hold
// both, so they are percent-encoded on the way in.
QString encoded(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (c == u'%')
            out += u"%25";
        else if (c == u'/')
            out += u"%2F";
        else if (c == u'\\')
            out += u"%5C";
        else
            out += c;
    }
    return out;
}

QString decoded(const QString& s) {
    QString out = s;
    out.replace(QStringLiteral("%2F"), QStringLiteral("/"))
        .replace(QStringLiteral("%5C"), QStringLiteral("\\"))
        .replace(QStringLiteral("%25"), QStringLiteral("%"));
    return out;
}

QStringList decodedAll(const QStringList& list) {
    QStringList out;
    out.reserve(list.size());
    for (const QString& s : list) out << decoded(s);
    return out;
}

// Walks the group of one node for the duration of a listing.
class GroupScope {
  public:
    GroupScope(QSettings& settings, const QString& group) : settings_(settings) {
        if (!group.isEmpty()) settings_.beginGroup(group);
        entered_ = !group.isEmpty();
    }
    ~GroupScope() {
        if (entered_) settings_.endGroup();
    }
    GroupScope(const GroupScope&) = delete;
    GroupScope& operator=(const GroupScope&) = delete;

  private:
    QSettings& settings_;
    bool entered_;
};

QString defaultFileName() {
#ifdef Q_OS_WIN
    return {};  // the registry
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Belmaro/Valtyp.conf");
#endif
}

}  // namespace

SettingsPreferences::SettingsPreferences(SettingsPreferences* parent, const QString& name,
                                         QSettings& settings)
    : AbstractPreferences(parent, name), settings_(settings) {
    if (parent) {
        group_ = parent->group_.isEmpty() ? encoded(name) : parent->group_ + u'/' + encoded(name);
    }
}

QString SettingsPreferences::settingsKey(const QString& key) const {
    return group_.isEmpty() ? encoded(key) : group_ + u'/' + encoded(key);
}

std::optional<QString> SettingsPreferences::getSpi(const QString& key) {
    const QString k = settingsKey(key);
    if (!settings_.contains(k)) return std::nullopt;
    const QVariant value = settings_.value(k);
    // A hand-edited line "a, b" reads as a list; it was meant as text.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u", ");
    return value.toString();
}

void SettingsPreferences::putSpi(const QString& key, const QString& value) {
    settings_.setValue(settingsKey(key), value);
}

void SettingsPreferences::removeSpi(const QString& key) {
    settings_.remove(settingsKey(key));
}

QStringList SettingsPreferences::keysSpi() {
    GroupScope scope(settings_, group_);
    return decodedAll(settings_.childKeys());
}

QStringList SettingsPreferences::childrenNamesSpi() {
    GroupScope scope(settings_, group_);
    return decodedAll(settings_.childGroups());
}

std::unique_ptr<AbstractPreferences> SettingsPreferences::childSpi(const QString& name) {
    return std::make_unique<SettingsPreferences>(this, name, settings_);
}

void SettingsPreferences::removeNodeSpi() {
    settings_.remove(group_);
}

void SettingsPreferences::checkStatus(const char* action) {
    switch (settings_.status()) {
        case QSettings::NoError:
            return;
        case QSettings::AccessError:
            throw BackingStoreException(QStringLiteral("Unable to %1 %2: access denied")
                                            .arg(QLatin1StringView(action), settings_.fileName())
                                            .toStdString());
        case QSettings::FormatError:
            throw BackingStoreException(QStringLiteral("Unable to %1 %2: the file is damaged")
                                            .arg(QLatin1StringView(action), settings_.fileName())
                                            .toStdString());
    }
}

void SettingsPreferences::syncSpi() {
    settings_.sync();
    checkStatus("read");
}

void SettingsPreferences::flushSpi() {
    settings_.sync();
    checkStatus("write");
}

SettingsPreferencesFactory::SettingsPreferencesFactory()
    : SettingsPreferencesFactory(defaultFileName()) {}

SettingsPreferencesFactory::SettingsPreferencesFactory(const QString& fileName)
    : fileName_(fileName) {}

SettingsPreferencesFactory::~SettingsPreferencesFactory() = default;

AbstractPreferences& SettingsPreferencesFactory::userRoot() {
    std::lock_guard lock(mutex_);
    if (!root_) {
        settings_ =
            fileName_.isEmpty()
                ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                              QStringLiteral("Belmaro"), QStringLiteral("Valtyp"))
                : std::make_unique<QSettings>(fileName_, QSettings::IniFormat);
        root_ = std::make_unique<SettingsPreferences>(nullptr, QString(), *settings_);
    }
    return *root_;
}
