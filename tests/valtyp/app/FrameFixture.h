#pragma once
// A main window built the way the program builds it, with a settings file of
// its own, dialogs answered by the test, a recording keyboard and, where the
// test needs a list of ports, the simulated serial driver.

#include "QtPrinters.h"
#include "ScriptedDialogs.h"
#include "SimulatedDriver.h"
#include "platform/keys/recording/RecordingKeyGenerator.h"
#include "valtyp/FrameServices.h"
#include "valtyp/VideriRaZivFrame2.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class AbstractPreferences;
class QTabWidget;

// The application object of the test program, with the program's start-up
// properties.
QApplication& widgetApp();

// Runs the event loop until the condition holds; false on time-out.
bool processUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Stands in for the desktop's browser: remembers the addresses it was asked
// to open, from whichever thread, and opens them or fails as told.
class RecordingBrowser {
  public:
    LinkRunner::Opener opener();
    std::vector<QUrl> opened() const;
    bool works = true;

  private:
    mutable std::mutex mutex_;
    std::vector<QUrl> opened_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();

  private:
    const char* name_;
    std::optional<QByteArray> previous_;
};

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    virtual FrameServices services();
    void open(const QStringList& args = {});
    // The status the start-up ended with, or none when the window came up.
    std::optional<int> startupStatus(const QStringList& args = {});

    // The settings store as the window finds it, and as a later start reads it.
    void store(const QString& key, const QString& value);
    std::optional<QString> saved(const QString& key) const;

    // Ports the serial library lists, through the simulated driver.
    void useSimulatedPorts(const std::vector<std::string>& names);

    template <class W>
    W* child(const char* name) const {
        return frame->findChild<W*>(QLatin1StringView(name));
    }
    QTabWidget* tabs() const;
    QStringList tabTitles() const;
    QStringList tabPanels() const;
    void clickStartStop();
    bool waitConnected(bool connected);
    QStringList dialogTexts() const;
    // Each fragment of the event log as "style:text".
    QStringList logFragments() const;
    QString logText() const;

    QTemporaryDir dir;
    QString settingsFile;
    ScriptedDialogs dialogs;
    keys::RecordingKeyGenerator keyboard;
    // Keyboards handed to the window and not yet given back.
    std::shared_ptr<int> liveKeyboards = std::make_shared<int>(0);
    // The key delay is waited out, as on a real keyboard, instead of only recorded.
    bool keyPausesWait = false;
    std::optional<std::string> keyboardFailure;
    std::optional<std::string> soundFailure;
    int soundOpens = 0;
    std::deque<int> draws;
    std::shared_ptr<RecordingBrowser> browser = std::make_shared<RecordingBrowser>();
    std::vector<int> exits;
    std::optional<SimulatedDriver> simulated;
    std::unique_ptr<VideriRaZivFrame2> frame;
};
