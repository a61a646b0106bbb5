#pragma once
// The input tab: the port, the instrument and its serial line settings. Each
// chooser writes into the live settings record as it changes.

#include "config/Config.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class Dialogs;
class FocusVeto;
class QComboBox;
class QLineEdit;
class QPushButton;
class DataCommandTextFieldUpdate;
class RequestIntervalTextFieldUpdate;

class InputTab : public QWidget {
  public:
    struct Hooks {
        std::function<bool()> isClosing;
        std::function<void()> selectInputTab;  // posted after a refused terminator
        std::function<void()> refreshPorts;
    };

    // Every control starts with the record's current value.
    InputTab(Config& config, Dialogs& dialogs, Hooks hooks, QWidget* parent = nullptr);
    ~InputTab() override;

    // The request command and interval fields below the line settings, each
    // behind its validator.
    void addRequestControls(FocusVeto& veto);

    // Offers these ports by their display names; the record's port is
    // selected when it is among them, else the first.
    void setPorts(const QStringList& ports);
    // The plain name behind the chosen display name.
    std::optional<QString> selectedPort() const;

    // The input tab's share of updateConfigFromTabs: port, instrument, line
    // settings and terminator, as if each had just been chosen.
    void updateConfig();

    // Handlers, named after their control.
    void portListItemStateChanged();
    void instrumentBoxItemStateChanged(bool previousDeselected);
    void inputTerminatorBoxItemStateChanged();
    void defaultButtonActionPerformed();

    // Takes what was found out from the instrument: the instrument, its line
    // settings and terminator, and the command it answered (with a request
    // every second) when it waits to be asked.
    void useIdentified(ConfigHelper::Instrument instrument, const Config& lines,
                       const QString& request);

    QComboBox* portList;
    QComboBox* instrumentBox;
    QComboBox* bitRateBox;
    QComboBox* dataBitsBox;
    QComboBox* stopBitsBox;
    QComboBox* parityBox;
    QComboBox* inputTerminatorBox;
    QPushButton* refreshPortsButton;
    QPushButton* defaultButton;
    // Automatic port detection and the custom expression dialog (disabled
    // until they exist).
    QPushButton* autoButton;
    QPushButton* customizeButton;
    // "Set up from the instrument": identification on the chosen port.
    QPushButton* identifyButton;
    QLineEdit* dataCommandTextField = nullptr;
    QLineEdit* requestIntervalTextField = nullptr;

  private:
    void buildControls();
    void layOut();
    void connectHandlers();
    std::optional<ConfigHelper::Instrument> selectedInstrument() const;
    // Selects the entry of a terminator code, adding one for a code no entry has.
    void showTerminator(int code);
    void selectLineSettings(const Config& lines);

    Config& config_;
    Dialogs& dialogs_;
    Hooks hooks_;
    bool checkingTerminator_ = false;
    std::unique_ptr<DataCommandTextFieldUpdate> dataCommandUpdate_;
    std::unique_ptr<RequestIntervalTextFieldUpdate> requestIntervalUpdate_;
};
