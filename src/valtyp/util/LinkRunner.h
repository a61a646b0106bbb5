#pragma once
// Opens one address in the standard browser in the background, so that a
// slow browser start does not hold up the window. Only web addresses (http
// and https) are opened: a link in a tampered text must not start a program.

#include "worker/BackgroundWorker.h"

#include <QString>
#include <QUrl>

#include <functional>

class Dialogs;

class LinkRunner {
  public:
    // Asks the desktop to open the address; false when it could not.
    using Opener = std::function<bool(const QUrl& address)>;

    static constexpr const char* failureTitle = "A problem occured";
    static constexpr const char* failureText =
        "Sorry, a problem occurred while trying to open this link in your system's standard "
        "browser.";

    // The desktop's own way of opening an address.
    static Opener desktopOpener();
    // True for an absolute http or https address with a host.
    static bool isWebAddress(const QUrl& address);

    // Starts opening the address; the runner deletes itself once it is done.
    // The dialogs must outlive it.
    static void start(const QString& address, Dialogs& dialogs, Opener opener);

  private:
    LinkRunner(const QString& address, Dialogs& dialogs, Opener opener);

    bool doInBackground();
    void done(bool opened);

    QUrl address_;
    Dialogs& dialogs_;
    Opener opener_;
    BackgroundWorker<bool, int> worker_;  // last: joined before the rest goes
};
