#include "FrameFixture.h"

#include "QtApp.h"

#include "Serialio/SerialPortLocal.h"
#include "platform/StopPause.h"
#include "platform/midi/recording/RecordingSequencer.h"
#include "platform/serial/sim/SimControl.h"
#include "valtyp/EventLog.h"
#include "valtyp/StartupExit.h"
#include "valtyp/VideriRaZiv.h"
#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/PreferencesFactory.h"
#include "valtyp/prefs/SettingsPreferences.h"

#include <QLocale>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// Lends the test's recording keyboard to one run of the window.
class BorrowedKeys : public keys::KeyGenerator {
  public:
    BorrowedKeys(keys::KeyGenerator& keys, std::shared_ptr<int> live, bool pausesWait)
        : keys_(keys), live_(std::move(live)), pausesWait_(pausesWait) {
        ++*live_;
    }
    ~BorrowedKeys() override { --*live_; }
    void press(int code) override { keys_.press(code); }
    void release(int code) override { keys_.release(code); }
    void pause(std::chrono::milliseconds d, std::stop_token stop) override {
        keys_.pause(d, stop);
        if (pausesWait_) platform::pauseUnlessStopped(d, stop);
    }
    bool capsLockOn() override { return keys_.capsLockOn(); }
    std::string describe() const override { return keys_.describe(); }

  private:
    keys::KeyGenerator& keys_;
    std::shared_ptr<int> live_;
    bool pausesWait_;
};

}  // namespace

QApplication& widgetApp() {
    static QApplication* app = [] {
        static int argc = 1;
        static char name[] = "valtyp-test";
        static char* argv[] = {name, nullptr};
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // As the program starts: English texts and language code.
        QLocale::setDefault(QLocale(QLocale::English));
        VideriRaZiv::setDefaultProperties();
        return new QApplication(argc, argv);
    }();
    return *app;
}

bool processUntil(const std::function<bool()>& condition, int timeoutMs) {
    // The window's application object exists first, so the shared loop uses it.
    widgetApp();
    return processEventsUntil(condition, timeoutMs);
}

LinkRunner::Opener RecordingBrowser::opener() {
    return [this](const QUrl& address) {
        std::lock_guard lock(mutex_);
        opened_.push_back(address);
        return works;
    };
}

std::vector<QUrl> RecordingBrowser::opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) previous_ = qgetenv(name);
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        qputenv(name_, *previous_);
    } else {
        qunsetenv(name_);
    }
}

void FrameTest::SetUp() {
    widgetApp();
    ASSERT_TRUE(dir.isValid());
    settingsFile = dir.filePath(QStringLiteral("Valtyp.conf"));
    PreferencesFactory::install(std::make_unique<SettingsPreferencesFactory>(settingsFile));
}

void FrameTest::TearDown() {
    frame.reset();
    QCoreApplication::processEvents();
    simulated.reset();
}

FrameServices FrameTest::services() {
    FrameServices s;
    s.dialogs = &dialogs;
    s.keyboard = [this](ConfigHelper::KeyboardType) -> std::unique_ptr<keys::KeyGenerator> {
        if (keyboardFailure) throw std::runtime_error(*keyboardFailure);
        return std::make_unique<BorrowedKeys>(keyboard, liveKeyboards, keyPausesWait);
    };
    s.sequencers = [this]() -> std::unique_ptr<midi::Sequencer> {
        ++soundOpens;
        auto sequencer = std::make_unique<midi::RecordingSequencer>();
        if (soundFailure) sequencer->failOpen(*soundFailure);
        return sequencer;
    };
    s.updateDraw = [this] {
        if (draws.empty()) return 3;
        const int d = draws.front();
        draws.pop_front();
        return d;
    };
    s.browser = browser->opener();
    s.exit = [this](int status) { exits.push_back(status); };
    return s;
}

void FrameTest::open(const QStringList& args) {
    frame = VideriRaZiv::createGUI(args, services());
}

std::optional<int> FrameTest::startupStatus(const QStringList& args) {
    try {
        open(args);
    } catch (const StartupExit& e) {
        return e.status();
    }
    return std::nullopt;
}

void FrameTest::store(const QString& key, const QString& value) {
    AbstractPreferences& node =
        AbstractPreferences::userRoot().node(QLatin1StringView(ConfigStore::nodePath));
    node.put(key, value);
    node.flush();
}

std::optional<QString> FrameTest::saved(const QString& key) const {
    SettingsPreferencesFactory reader(settingsFile);
    return reader.userRoot().node(QLatin1StringView(ConfigStore::nodePath)).get(key);
}

void FrameTest::useSimulatedPorts(const std::vector<std::string>& names) {
    simulated.emplace();
    for (const std::string& name : names) SimAddPort(name.c_str(), "Maker", "USB Serial Port");
}

QTabWidget* FrameTest::tabs() const {
    return child<QTabWidget>("tabbedPane");
}

QStringList FrameTest::tabTitles() const {
    QStringList titles;
    for (int i = 0; i < tabs()->count(); ++i) titles << tabs()->tabText(i);
    return titles;
}

QStringList FrameTest::tabPanels() const {
    QStringList names;
    for (int i = 0; i < tabs()->count(); ++i) names << tabs()->widget(i)->objectName();
    return names;
}

void FrameTest::clickStartStop() {
    child<QPushButton>("startStopJButton")->click();
}

bool FrameTest::waitConnected(bool connected) {
    return processUntil([&] { return frame->isConnected() == connected; });
}

QStringList FrameTest::dialogTexts() const {
    QStringList texts;
    for (const auto& s : dialogs.shown) texts << s.text;
    return texts;
}

QStringList FrameTest::logFragments() const {
    QStringList fragments;
    const QTextDocument* document = child<QPlainTextEdit>("eventLog")->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            fragments << f.charFormat().property(EventLog::StyleNameProperty).toString() + u':' +
                             f.text();
        }
        // A line break ends the block; the last block is the empty line after it.
        if (block.next().isValid() && !fragments.isEmpty()) fragments.last() += u'\n';
    }
    return fragments;
}

QString FrameTest::logText() const {
    return child<QPlainTextEdit>("eventLog")->toPlainText();
}
