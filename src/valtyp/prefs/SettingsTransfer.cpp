#include "valtyp/prefs/SettingsTransfer.h"

#include "config/ResourceBundle.h"
#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/PreferencesXml.h"

#include <QFile>
#include <QSaveFile>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

QString text(const char* key) {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"))
        .getString(QString::fromLatin1(key));
}

}  // namespace

void SettingsTransfer::exportTo(const QString& path) {
    node_.flush();
    QSaveFile file(path);
    // A folder the user may not create files in still takes a file that
    // exists and is writable, written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
    node_.exportNode(file);
    if (!file.commit()) {
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
}

void SettingsTransfer::importFrom(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
    std::vector<std::pair<QString, QString>> before;
    for (const QString& key : node_.keys()) {
        if (const auto value = node_.get(key)) before.emplace_back(key, *value);
    }
    PreferencesXml::importNode(file, node_.node(QStringLiteral("/")), node_.absolutePath());
    try {
        node_.flush();
    } catch (...) {
        // The store's file holds none of the import: neither does the node,
        // so that no later save writes part of it.
        node_.putAll(before);
        throw;
    }
}

QString SettingsTransfer::exportedMessage(const QString& path) {
    return text("configuration.exported.to.file.n") + path;
}

QString SettingsTransfer::exportFailedMessage(const QString& reason) {
    return text("export.failed") + reason;
}

QString SettingsTransfer::importFailedMessage(const QString& reason) {
    return QLatin1StringView(importFailedPrefix) + reason;
}

QString SettingsTransfer::cancelledByUser() {
    return text("cancelled.by.user");
}

QString SettingsTransfer::errorTitle() {
    return text("error");
}

QString SettingsTransfer::exportSuccessfulTitle() {
    return text("export.successful");
}
