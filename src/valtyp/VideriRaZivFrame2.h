#pragma once
// The main window: start-up, run control, event log and status line, and the
// settings tabs. It is the view the acquisition reports to.
//
// The work is split by concern over several source files:
//   VideriRaZivFrame2.cpp   start-up sequence and shutdown
//   FrameLayout.cpp         tabs, panels, idle and running look
//   RunControl.cpp          start, stop and the view operations of a run
//   FrameSettings.cpp       loading, saving and synchronising the settings

#include "config/Config.h"
#include "valtyp/FrameServices.h"
#include "valtyp/util/UpdateWorkerView.h"
#include "worker/Ignorer.h"
#include "worker/InstrumentIdentifier.h"
#include "worker/WeightWorkerView.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AbstractPreferences;
class EventLog;
class FocusVeto;
class InputTab;
class OutputTab;
class ProcessingTab;
class SettingsTab;
class FocusGuard;
class Keybot;
class QTimer;
class TemplateFiller;
class ReadingLog;
class QLabel;
class QPushButton;
class QTabWidget;
class QPlainTextEdit;
class SoundBot;
class TraySupport;
class UpdateWorker;
class WeightWorker;

class VideriRaZivFrame2 : public QWidget, public WeightWorkerView, public UpdateWorkerView {
  public:
    // Runs the whole start-up and leaves the window shown, perhaps already
    // running. args[0] may name the one port to offer. Throws StartupExit
    // when the program must end (damaged resources, no serial driver).
    VideriRaZivFrame2(const QStringList& args, FrameServices services);
    ~VideriRaZivFrame2() override;

    // WeightWorkerView
    void logEvent(const QString& text) override;
    void logImportantEvent(const QString& text) override;
    void setConnectedInGUI(bool running) override;
    void update(DataLine& record) override;
    void showStatus(const QString& text) override;
    void typingFailed() override;
    // UpdateWorkerView
    void setText(const QString& text) override;

    // Handlers, named after their control.
    void startStopJButtonActionPerformed();
    // Asks the instrument for a reading now, while running.
    void requestNowButtonActionPerformed();
    void refreshPortsButtonActionPerformed();
    void connectButtonActionPerformed();
    void tabbedPaneStateChanged(int index);
    // Dialogs of the settings tabs, port detection, settings export and import.
    void adjustIgnoreButtonActionPerformed();
    void customizeButtonActionPerformed();
    void autoButtonActionPerformed();
    // "Set up from the instrument" on the chosen port.
    void identifyButtonActionPerformed();
    // How long identification listens; tests shorten it.
    InstrumentIdentifier::Timings identifyTimings;
    void exportSettingsButtonActionPerformed();
    void importSettingsButtonActionPerformed();
    // Selects a port in the port chooser, by its display name or its name.
    void setPort(const QString& name);
    // The exit status after an accepted settings import.
    static constexpr int kImportedExitStatus = 4;

    // Hides the minimised window to the system tray, where the desktop has
    // one; installed once. Removing it is for the rest of the run.
    void addMinimizeToTraySupport();
    void removeMinimizeToTraySupport();

    void updateConfigFromTabs();
    bool loadConfig();
    // False when the store failed (already said on the error output).
    bool saveConfig();
    bool saveNecessary();
    void thisWindowClosed();
    static bool isClosing();

    const QStringList& getPortList() const { return ports; }
    bool isConnected() const { return connected; }
    const Config& currentConfig() const { return config; }

    static constexpr const char* kTitle = "Belmaro Valtyp";
    static constexpr const char* kHubTitle = "Belmaro Valtyp HUB";

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Start-up steps.
    void checkResourceBundles();
    void decidePortList(const QStringList& args);
    QStringList listPorts();
    void loadSettings();
    void startUpdateCheckOnceInFour();
    void autoStart();
    // Opens a link of the window's texts; none where links cannot be opened.
    std::function<void(const QString&)> linkOpener();
    // Ends the program at once, without saving the settings.
    void endWithoutSaving(int status);

    // Layout and look.
    void initComponents();
    QWidget* buildStartPanel();
    void buildSettingsTabs();
    // The tabs' buttons that open dialogs, port detection, export and import.
    void connectDialogButtons();
    QWidget* buildEventLogPanel();
    QWidget* buildAboutPanel();
    void showRunningLook();
    void showIdleLook();
    void selectPanel(QWidget* panel);
    // Division without a number of decimal places is refused later; say so
    // once per run of the program.
    void warnDivisionWithoutRounding();

    // Run control.
    void startAcquisition();
    void stopAcquisition();
    void releaseRunObjects();
    void retireWorker();
    // The guard of typeOnlyInto; false (after saying why) when the run may
    // not start.
    bool startFocusGuard();
    // The reading log of a run, when a folder is set.
    void startReadingLog(ConfigHelper::Instrument instrument);
    void appendLog(const QString& text, int style);
    template <class F>
    void onUiThreadAndWait(F&& work);

    Dialogs& dialogs() { return *services_.dialogs; }

    FrameServices services_;
    Config config;
    bool mathRoundingErrorWarningDisplayed = false;
    // From loading the settings to the end of an automatic start.
    bool autoStarting_ = false;
    bool autoStartWarningLogged_ = false;
    QStringList ports;
    bool fixedPort_ = false;
    bool connected = false;
    Config oldConfig;
    AbstractPreferences* node = nullptr;
    int currentTabIndex = 0;

    // Widgets, owned by the window.
    QTabWidget* tabbedPane = nullptr;
    QWidget* panel1 = nullptr;
    InputTab* inputPanel = nullptr;
    ProcessingTab* processingPanel = nullptr;
    OutputTab* outputPanel = nullptr;
    SettingsTab* settingsPanel = nullptr;
    QWidget* eventLogPanel = nullptr;
    QWidget* aboutPanel = nullptr;
    QPushButton* startStopJButton = nullptr;
    QPushButton* requestNowButton = nullptr;  // enabled while a run can send a request
    QLabel* statusJLabel = nullptr;
    QPlainTextEdit* eventLogPane = nullptr;
    FocusVeto* focusVeto_ = nullptr;  // keeps the focus in a refused text field
    std::unique_ptr<EventLog> eventLog;
    QWidget* currentPanel_ = nullptr;  // the tab shown, whatever its index
    bool switchingLook_ = false;

    // The run-time objects of one acquisition; the keyboard outlives the
    // keystroke engine that types with it.
    std::unique_ptr<keys::KeyGenerator> keys_;
    std::unique_ptr<Keybot> keyBot;
    std::unique_ptr<SoundBot> soundBot;
    std::optional<Ignorer> ignorer;
    // Kept from the first run with a reading log to the end of the window,
    // so that no stop or start waits for its disk; on for a run with a folder.
    std::unique_ptr<ReadingLog> readingLog_;
    std::unique_ptr<TemplateFiller> filler_;     // what each record types
    std::unique_ptr<FocusGuard> focusGuard_;     // only with a window to type into
    QTimer* focusPoll_ = nullptr;                // types held values when the focus is back
    bool readingLogOn_ = false;
    std::unique_ptr<WeightWorker> weightWorker;  // its thread may still report
    std::unique_ptr<TraySupport> wsl;
    std::unique_ptr<UpdateWorker> updateWorker;  // last: joined first
};
