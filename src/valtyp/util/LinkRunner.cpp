#include "valtyp/util/LinkRunner.h"

#include "valtyp/Dialogs.h"

#include <QDesktopServices>

LinkRunner::Opener LinkRunner::desktopOpener() {
    return [](const QUrl& address) { return QDesktopServices::openUrl(address); };
}

bool LinkRunner::isWebAddress(const QUrl& address) {
    const QString scheme = address.scheme().toLower();
    return address.isValid() && (scheme == u"http" || scheme == u"https") &&
           !address.host().isEmpty();
}

void LinkRunner::start(const QString& address, Dialogs& dialogs, Opener opener) {
    new LinkRunner(address, dialogs, std::move(opener));
}

LinkRunner::LinkRunner(const QString& address, Dialogs& dialogs, Opener opener)
    : address_(QUrl(address.trimmed(), QUrl::StrictMode)),
      dialogs_(dialogs),
      opener_(std::move(opener)),
      worker_({[this](std::stop_token, const auto&) { return doInBackground(); },
               {},
               [this](const auto& completion) { done(completion.result.value_or(false)); }}) {
    worker_.execute();
}

bool LinkRunner::doInBackground() {
    if (!isWebAddress(address_) || !opener_) return false;
    return opener_(address_);
}

void LinkRunner::done(bool opened) {
    if (!opened) {
        dialogs_.error(QString::fromLatin1(failureTitle), QString::fromLatin1(failureText));
    }
    // Gone once the end-of-work step has returned.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { delete this; }, Qt::QueuedConnection);
}
