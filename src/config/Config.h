#pragma once
// The one settings record: every user setting of the program, copied and
// compared as a whole, with derived views of its numeric text fields.

#include "config/ConfigHelper.h"
#include "config/Decimal.h"
#include "config/Instrument.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class Config {
  public:
    using Instrument = ConfigHelper::Instrument;
    // Called with the property name, the old value (always none) and the new value.
    using PropertyChangeListener = std::function<void(
        const QString& property, std::optional<Instrument> oldValue, Instrument newValue)>;
    using ListenerId = int;

    Config() = default;
    Config(bool minimizeToTray, bool notifyWhenMinimizedToTray, bool checkForUpdates,
           bool abortAutoStartWhenPrevPortNotAvailable, bool ignoreDuplicates, QString port,
           std::optional<Instrument> instrument, int bitRate, int dataBits, int stopBits,
           int parity, int inputTerminator, ConfigHelper::DecimalSeparator decimalSeparator,
           ConfigHelper::StartWith startWith, ConfigHelper::OutputTerminator outputTerminator,
           ConfigHelper::OutputTerminator outputTerminator2, QString everyXValues,
           ConfigHelper::Connect connect, ConfigHelper::MathOperation mathOperation,
           QString mathOperand, QString decimalPlaces, ConfigHelper::RoundingMethod roundingMethod,
           ConfigHelper::Sound sound, ConfigHelper::KeyboardType keyboardType, QString delay,
           ConfigHelper::EditOperation editOperation, ConfigHelper::EditPosition editPosition,
           QString editNumCharacters, QString removeCharacters, QString customRegEx,
           QString ignoreTimeLimit, QString ignoreDifference);

    // Copies share nothing mutable: a copy starts with no listeners.
    Config(const Config&) = default;
    Config& operator=(const Config&) = default;

    // A copy without the previous port.
    Config copyConfig() const;
    // Whether any setting differs; the previous port is not a setting.
    bool hasChanged(const Config& other) const;

    ListenerId addPropertyChangeListener(const QString& property, PropertyChangeListener listener);
    void removePropertyChangeListener(const QString& property, ListenerId id);

    bool minimizeToTray = true;
    bool notifyWhenMinimizedToTray = true;
    bool checkForUpdates = true;
    bool abortAutoStartWhenPrevPortNotAvailable = true;
    bool ignoreDuplicates = false;
    // A run waits for a vanished device to return instead of ending.
    bool reconnect = true;

    // Type only readings the instrument declares stable (or does not qualify).
    bool stableOnly = false;
    // The folder of the reading log; empty: no reading log.
    const QString& getReadingLog() const { return readingLog_; }
    void setReadingLog(const QString& v) { readingLog_ = v; }

    const QString& getPort() const { return port_; }
    void setPort(const QString& v) { port_ = v; }
    std::optional<Instrument> getInstrument() const { return instrument_; }
    // Tells the listeners of the instrument's type ("NUMBER" or "TEXT"), every time.
    void setInstrument(Instrument instrument);
    int getBitRate() const { return bitRate_; }
    void setBitRate(int v) { bitRate_ = v; }
    int getDataBits() const { return dataBits_; }
    void setDataBits(int v) { dataBits_ = v; }
    int getStopBits() const { return stopBits_; }
    void setStopBits(int v) { stopBits_ = v; }
    int getParity() const { return parity_; }
    void setParity(int v) { parity_ = v; }
    int getInputTerminator() const { return inputTerminator_; }
    void setInputTerminator(int v) { inputTerminator_ = v; }
    ConfigHelper::DecimalSeparator getDecimalSeparator() const { return decimalSeparator_; }
    void setDecimalSeparator(ConfigHelper::DecimalSeparator v) { decimalSeparator_ = v; }
    ConfigHelper::StartWith getStartWith() const { return startWith_; }
    void setStartWith(ConfigHelper::StartWith v) { startWith_ = v; }
    ConfigHelper::OutputTerminator getOutputTerminator() const { return outputTerminator_; }
    void setOutputTerminator(ConfigHelper::OutputTerminator v) { outputTerminator_ = v; }
    ConfigHelper::OutputTerminator getOutputTerminator2() const { return outputTerminator2_; }
    void setOutputTerminator2(ConfigHelper::OutputTerminator v) { outputTerminator2_ = v; }
    const QString& getEveryXValues() const { return everyXValues_; }
    void setEveryXValues(const QString& v) { everyXValues_ = v; }
    ConfigHelper::Connect getConnect() const { return connect_; }
    void setConnect(ConfigHelper::Connect v) { connect_ = v; }
    ConfigHelper::MathOperation getMathOperation() const { return mathOperation_; }
    void setMathOperation(ConfigHelper::MathOperation v) { mathOperation_ = v; }
    const QString& getMathOperand() const { return mathOperand_; }
    void setMathOperand(const QString& v) { mathOperand_ = v; }
    const QString& getDecimalPlaces() const { return decimalPlaces_; }
    void setDecimalPlaces(const QString& v) { decimalPlaces_ = v; }
    ConfigHelper::RoundingMethod getRoundingMethod() const { return roundingMethod_; }
    void setRoundingMethod(ConfigHelper::RoundingMethod v) { roundingMethod_ = v; }
    ConfigHelper::Sound getSound() const { return sound_; }
    void setSound(ConfigHelper::Sound v) { sound_ = v; }
    ConfigHelper::KeyboardType getKeyboardType() const { return keyboardType_; }
    void setKeyboardType(ConfigHelper::KeyboardType v) { keyboardType_ = v; }
    const QString& getDelay() const { return delay_; }
    void setDelay(const QString& v) { delay_ = v; }
    const std::optional<QString>& getPrevPort() const { return prevPort_; }
    void setPrevPort(std::optional<QString> v) { prevPort_ = std::move(v); }
    ConfigHelper::EditOperation getEditOperation() const { return editOperation_; }
    void setEditOperation(ConfigHelper::EditOperation v) { editOperation_ = v; }
    ConfigHelper::EditPosition getEditPosition() const { return editPosition_; }
    void setEditPosition(ConfigHelper::EditPosition v) { editPosition_ = v; }
    const QString& getEditNumCharacters() const { return editNumCharacters_; }
    void setEditNumCharacters(const QString& v) { editNumCharacters_ = v; }
    const QString& getRemoveCharacters() const { return removeCharacters_; }
    void setRemoveCharacters(const QString& v) { removeCharacters_ = v; }
    const QString& getCustomRegEx() const { return customRegEx_; }
    void setCustomRegEx(const QString& v) { customRegEx_ = v; }
    const QString& getIgnoreTimeLimit() const { return ignoreTimeLimit_; }
    void setIgnoreTimeLimit(const QString& v) { ignoreTimeLimit_ = v; }
    const QString& getIgnoreDifference() const { return ignoreDifference_; }
    void setIgnoreDifference(const QString& v) { ignoreDifference_ = v; }

    // The request command as typed (escapes \r \n \t \xHH \\), and the
    // milliseconds between requests as typed; empty texts mean the
    // instrument's own command and never.
    const QString& getDataCommand() const { return dataCommand_; }
    void setDataCommand(const QString& v) { dataCommand_ = v; }
    const QString& getRequestInterval() const { return requestInterval_; }
    void setRequestInterval(const QString& v) { requestInterval_ = v; }
    // The bytes a run sends to request a reading: the typed command decoded,
    // else the instrument's own; empty when there is nothing to send.
    std::string requestBytes() const;
    // 0 (never) when the interval is empty or not valid.
    int getRequestIntervalAsInt() const;

    // What is typed for each reading; empty: the value between the start key
    // and the terminators. Checked with OutputTemplate::valid.
    const QString& getOutputTemplate() const { return outputTemplate_; }
    void setOutputTemplate(const QString& v) { outputTemplate_ = v; }
    // The window (title or program, "*" wildcards) that must have the
    // keyboard focus for a value to be typed; empty: any window.
    const QString& getTypeOnlyInto() const { return typeOnlyInto_; }
    void setTypeOnlyInto(const QString& v) { typeOnlyInto_ = v; }
    // Seconds a value waits for that window's focus, as typed; empty: none.
    const QString& getTypeOnlyIntoHoldSeconds() const { return typeOnlyIntoHoldSeconds_; }
    void setTypeOnlyIntoHoldSeconds(const QString& v) { typeOnlyIntoHoldSeconds_ = v; }
    int getTypeOnlyIntoHoldSecondsAsInt() const;

    // 20 when the delay is not a whole number.
    int getDelayAsInt() const;
    std::optional<int> getDecimalPlacesAsInt() const;
    // 0 when the text is empty or not a whole number.
    int getEveryXValuesAsInt() const;
    int getEditNumCharactersAsInt() const;
    // Throws std::invalid_argument unless the operand is a decimal number;
    // ask only when mathOperationEnabled() holds.
    Decimal getMathOperandAsBigDecimal() const;
    bool roundingEnabled() const;
    // Division is never done without a number of decimal places.
    bool mathOperationEnabled() const;

  private:
    // A listener list that copies as empty, so that no two records share one.
    class Listeners {
      public:
        Listeners() = default;
        Listeners(const Listeners&) {}
        Listeners& operator=(const Listeners&) { return *this; }
        ListenerId add(const QString& property, PropertyChangeListener listener);
        void remove(const QString& property, ListenerId id);
        void fire(const QString& property, Instrument newValue) const;

      private:
        struct Entry {
            ListenerId id;
            QString property;
            PropertyChangeListener listener;
        };
        std::vector<Entry> entries_;
        ListenerId nextId_ = 1;
    };

    QString port_;
    std::optional<Instrument> instrument_;
    int bitRate_ = 0;
    int dataBits_ = 0;
    int stopBits_ = 0;
    int parity_ = 0;
    int inputTerminator_ = 0;
    ConfigHelper::DecimalSeparator decimalSeparator_ = ConfigHelper::DecimalSeparator::DOT;
    ConfigHelper::StartWith startWith_ = ConfigHelper::StartWith::NONE;
    ConfigHelper::OutputTerminator outputTerminator_ = ConfigHelper::OutputTerminator::NONE;
    ConfigHelper::OutputTerminator outputTerminator2_ = ConfigHelper::OutputTerminator::NONE;
    QString everyXValues_;
    ConfigHelper::Connect connect_ = ConfigHelper::Connect::MANUAL;
    ConfigHelper::MathOperation mathOperation_ = ConfigHelper::MathOperation::NONE;
    QString mathOperand_;
    QString decimalPlaces_;
    ConfigHelper::RoundingMethod roundingMethod_ = ConfigHelper::RoundingMethod::HALF_UP;
    ConfigHelper::Sound sound_ = ConfigHelper::Sound::NONE;
    ConfigHelper::KeyboardType keyboardType_ = ConfigHelper::KeyboardType::QUERTY;
    QString delay_ = ConfigHelper::Delay::getDefault();
    std::optional<QString> prevPort_;
    ConfigHelper::EditOperation editOperation_ = ConfigHelper::EditOperation::REMOVE;
    ConfigHelper::EditPosition editPosition_ = ConfigHelper::EditPosition::FIRST;
    QString editNumCharacters_;
    QString removeCharacters_;
    QString customRegEx_;
    QString ignoreTimeLimit_;
    QString ignoreDifference_;
    QString dataCommand_;
    QString requestInterval_;
    QString readingLog_;
    QString outputTemplate_;
    QString typeOnlyInto_;
    QString typeOnlyIntoHoldSeconds_;
    Listeners propertyChangeSupport_;
};
