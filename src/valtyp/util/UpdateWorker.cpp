#include "valtyp/util/UpdateWorker.h"

#include "Serialio/SystemProperties.h"
#include "valtyp/Texts.h"
#include "valtyp/util/UpdateWorkerView.h"

#include <QLocale>

UpdateWorker::Settings UpdateWorker::programSettings() {
    Settings s;
    const QString mirror = qEnvironmentVariable("VALTYP_UPDATE_URL");
    s.remoteUrl = mirror.isEmpty() ? QString::fromLatin1(defaultUpdateUrl) : mirror;
    s.currentVersion = QString::fromStdString(Serialio::SystemProperties::get("VERSION", ""));
    s.language = QLocale::languageToCode(QLocale().language());
    const std::string edition = Serialio::SystemProperties::get("EDITION", "");
    if (edition == "HUB") s.edition = QString::fromStdString(edition);
    return s;
}

UpdateWorker::UpdateWorker(UpdateWorkerView& view, Settings settings)
    : view(view),
      settings_(std::move(settings)),
      worker_(
          {[this](std::stop_token stop, const auto& publish) {
               return doInBackground(stop, publish);
           },
           [this](std::vector<QString>& keys) { process(keys); },
           [this](const auto& completion) { done(completion.result.value_or(std::nullopt)); }}) {}

std::optional<ReadRemoteUpdate> UpdateWorker::doInBackground(
    std::stop_token stop, const std::function<void(QString)>& publish) {
    publish(QStringLiteral("checking.for.update"));
    try {
        return ReadRemoteUpdate(settings_.remoteUrl, settings_.currentVersion, settings_.language,
                                settings_.edition, {settings_.extraCaCertificates, stop});
    } catch (const std::exception&) {
        // Whatever went wrong, the status line says only that the check failed.
        publish(QStringLiteral("update.check.failed"));
        return std::nullopt;
    }
}

void UpdateWorker::process(const std::vector<QString>& keys) {
    for (const QString& key : keys) view.setText(Texts::bundle().getString(key));
}

void UpdateWorker::done(std::optional<ReadRemoteUpdate> result) {
    update = std::move(result);
    if (!update) return;  // the status line tells of the failure already
    if (update->newerVersionAvailable()) {
        view.setText(
            Texts::text(settings_.edition.isEmpty() ? "update.available" : "update.available.hub"));
    } else {
        view.setText(Texts::text("VideriRaZivFrame2.statusJLabel.text"));
    }
}
