#include "config/ResourceBundle.h"

#include <QFile>
#include <QRegularExpression>

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace {

// Dotted names only, so each bundle has one name and one cache entry.
bool isBaseName(const QString& name) {
    static const QRegularExpression dotted(QStringLiteral("^\\w+(\\.\\w+)*$"));
    return dotted.match(name).hasMatch();
}

MissingResourceException missingBundle(const QString& baseName, const QString& reason) {
    return MissingResourceException(
        QStringLiteral("Can't find bundle for base name %1 (%2)").arg(baseName, reason), baseName,
        QString());
}

QString resourcePath(const QString& baseName) {
    return QStringLiteral(":/") + QString(baseName).replace(u'.', u'/') +
           QStringLiteral(".properties");
}

Properties readBundle(const QString& baseName, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw missingBundle(baseName, path + QStringLiteral(": ") + file.errorString());
    }
    Properties texts;
    try {
        texts.load(file);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(
            QStringLiteral("Damaged bundle %1: %2").arg(baseName, e.what()).toStdString());
    }
    return texts;
}

}  // namespace

MissingResourceException::MissingResourceException(const QString& message,
                                                   const QString& bundleName, const QString& key)
    : std::runtime_error(message.toStdString()), bundleName_(bundleName), key_(key) {}

ResourceBundle::ResourceBundle(QString baseName, Properties texts)
    : baseName_(std::move(baseName)), texts_(std::move(texts)) {}

const ResourceBundle& ResourceBundle::getBundle(const QString& baseName) {
    // Bundles are never dropped, so the references handed out stay valid.
    static std::mutex mutex;
    static std::map<QString, std::unique_ptr<const ResourceBundle>> loaded;
    const std::lock_guard lock(mutex);
    if (!isBaseName(baseName)) throw missingBundle(baseName, QStringLiteral("not a dotted name"));
    auto it = loaded.find(baseName);
    if (it == loaded.end()) {
        auto bundle =
            std::make_unique<const ResourceBundle>(fromFile(baseName, resourcePath(baseName)));
        it = loaded.emplace(baseName, std::move(bundle)).first;
    }
    return *it->second;
}

ResourceBundle ResourceBundle::fromFile(const QString& baseName, const QString& path) {
    return ResourceBundle(baseName, readBundle(baseName, path));
}

QString ResourceBundle::getString(const QString& key) const {
    if (auto text = texts_.get(key)) return *text;
    throw MissingResourceException(
        QStringLiteral("Can't find resource for bundle %1, key %2").arg(baseName_, key), baseName_,
        key);
}
