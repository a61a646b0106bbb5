#pragma once
// The input tab: the port, the instrument and its serial line settings. Each
// chooser writes into the live settings record as it changes.

#include "config/Config.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class Dialogs;
class QComboBox;
class QPushButton;

class InputTab : public QWidget {
  public:
    struct Hooks {
        std::function<bool()> isClosing;
        std::function<void()> selectInputTab;  // posted after a refused terminator
        std::function<void()> refreshPorts;
    };

    // Every control starts with the record's current value.
    InputTab(Config& config, Dialogs& dialogs, Hooks hooks, QWidget* parent = nullptr);

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
};
