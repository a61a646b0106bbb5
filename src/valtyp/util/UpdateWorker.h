#pragma once
// The update check: fetches the version document in the background and says
// in the status line whether a newer version exists. It never downloads or
// installs anything; it runs once and remembers nothing.

#include "valtyp/util/ReadRemoteUpdate.h"
#include "worker/BackgroundWorker.h"

#include <QList>
#include <QSslCertificate>
#include <QString>

#include <optional>

class UpdateWorkerView;

class UpdateWorker {
  public:
    // The program's own version document.
    static constexpr const char* defaultUpdateUrl = "https://valtyp.belmaro.com/version.xml";

    struct Settings {
        QString remoteUrl;
        QString currentVersion;
        QString language;
        QString edition;  // empty: the regular edition
        QList<QSslCertificate> extraCaCertificates;
    };

    // The running program's check: the address of VALTYP_UPDATE_URL when it is
    // set (a site's own mirror), else the program's own; the version, the
    // default locale's language and, in the HUB edition, the edition.
    static Settings programSettings();

    UpdateWorker(UpdateWorkerView& view, Settings settings);

    void execute() { worker_.execute(); }
    void cancel() { worker_.cancel(); }
    bool isDone() const { return worker_.isDone(); }
    // The document read, once done; none when the check failed.
    const std::optional<ReadRemoteUpdate>& getUpdate() const { return update; }

  private:
    std::optional<ReadRemoteUpdate> doInBackground(std::stop_token stop,
                                                   const std::function<void(QString)>& publish);
    void process(const std::vector<QString>& keys);
    void done(std::optional<ReadRemoteUpdate> result);

    UpdateWorkerView& view;
    Settings settings_;
    std::optional<ReadRemoteUpdate> update;
    BackgroundWorker<std::optional<ReadRemoteUpdate>, QString> worker_;  // last
};
