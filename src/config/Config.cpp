#include "config/Config.h"

#include "config/OutputTemplate.h"
#include "config/RequestOptions.h"

#include "config/TextNumbers.h"

#include <algorithm>
#include <tuple>
#include <utility>

Config::Config(bool minimizeToTray, bool notifyWhenMinimizedToTray, bool checkForUpdates,
               bool abortAutoStartWhenPrevPortNotAvailable, bool ignoreDuplicates, QString port,
               std::optional<Instrument> instrument, int bitRate, int dataBits, int stopBits,
               int parity, int inputTerminator, ConfigHelper::DecimalSeparator decimalSeparator,
               ConfigHelper::StartWith startWith, ConfigHelper::OutputTerminator outputTerminator,
               ConfigHelper::OutputTerminator outputTerminator2, QString everyXValues,
               ConfigHelper::Connect connect, ConfigHelper::MathOperation mathOperation,
               QString mathOperand, QString decimalPlaces,
               ConfigHelper::RoundingMethod roundingMethod, ConfigHelper::Sound sound,
               ConfigHelper::KeyboardType keyboardType, QString delay,
               ConfigHelper::EditOperation editOperation, ConfigHelper::EditPosition editPosition,
               QString editNumCharacters, QString removeCharacters, QString customRegEx,
               QString ignoreTimeLimit, QString ignoreDifference)
    : minimizeToTray(minimizeToTray),
      notifyWhenMinimizedToTray(notifyWhenMinimizedToTray),
      checkForUpdates(checkForUpdates),
      abortAutoStartWhenPrevPortNotAvailable(abortAutoStartWhenPrevPortNotAvailable),
      ignoreDuplicates(ignoreDuplicates),
      port_(std::move(port)),
      instrument_(instrument),
      bitRate_(bitRate),
      dataBits_(dataBits),
      stopBits_(stopBits),
      parity_(parity),
      inputTerminator_(inputTerminator),
      decimalSeparator_(decimalSeparator),
      startWith_(startWith),
      outputTerminator_(outputTerminator),
      outputTerminator2_(outputTerminator2),
      everyXValues_(std::move(everyXValues)),
      connect_(connect),
      mathOperation_(mathOperation),
      mathOperand_(std::move(mathOperand)),
      decimalPlaces_(std::move(decimalPlaces)),
      roundingMethod_(roundingMethod),
      sound_(sound),
      keyboardType_(keyboardType),
      delay_(std::move(delay)),
      editOperation_(editOperation),
      editPosition_(editPosition),
      editNumCharacters_(std::move(editNumCharacters)),
      removeCharacters_(std::move(removeCharacters)),
      customRegEx_(std::move(customRegEx)),
      ignoreTimeLimit_(std::move(ignoreTimeLimit)),
      ignoreDifference_(std::move(ignoreDifference)) {}

Config Config::copyConfig() const {
    Config copy(*this);
    copy.prevPort_.reset();
    return copy;
}

bool Config::hasChanged(const Config& o) const {
    const auto settings = [](const Config& c) {
        return std::tie(c.port_, c.instrument_, c.bitRate_, c.dataBits_, c.stopBits_, c.parity_,
                        c.inputTerminator_, c.decimalSeparator_, c.startWith_, c.outputTerminator_,
                        c.outputTerminator2_, c.everyXValues_, c.connect_, c.mathOperation_,
                        c.mathOperand_, c.decimalPlaces_, c.roundingMethod_, c.sound_,
                        c.keyboardType_, c.delay_, c.editOperation_, c.editPosition_,
                        c.editNumCharacters_, c.removeCharacters_, c.customRegEx_,
                        c.ignoreTimeLimit_, c.ignoreDifference_, c.minimizeToTray,
                        c.notifyWhenMinimizedToTray, c.checkForUpdates,
                        c.abortAutoStartWhenPrevPortNotAvailable, c.ignoreDuplicates, c.reconnect,
                        c.dataCommand_, c.requestInterval_);
    };
    const auto traceability = [](const Config& c) { return std::tie(c.stableOnly, c.readingLog_); };
    const auto typing = [](const Config& c) {
        return std::tie(c.outputTemplate_, c.typeOnlyInto_, c.typeOnlyIntoHoldSeconds_);
    };
    return settings(*this) != settings(o) || traceability(*this) != traceability(o) ||
           typing(*this) != typing(o);
}

void Config::setInstrument(Instrument instrument) {
    instrument_ = instrument;
    using ConfigHelper::InstrumentType;
    propertyChangeSupport_.fire(
        Options<InstrumentType>::name(ConfigHelper::getInstrumentType(instrument)), instrument);
}

Config::ListenerId Config::addPropertyChangeListener(const QString& property,
                                                     PropertyChangeListener listener) {
    return propertyChangeSupport_.add(property, std::move(listener));
}

void Config::removePropertyChangeListener(const QString& property, ListenerId id) {
    propertyChangeSupport_.remove(property, id);
}

Config::ListenerId Config::Listeners::add(const QString& property,
                                          PropertyChangeListener listener) {
    const ListenerId id = nextId_++;
    entries_.push_back({id, property, std::move(listener)});
    return id;
}

void Config::Listeners::remove(const QString& property, ListenerId id) {
    std::erase_if(entries_, [&](const Entry& e) { return e.id == id && e.property == property; });
}

void Config::Listeners::fire(const QString& property, Instrument newValue) const {
    // A listener may add or remove listeners while being told; work on a snapshot.
    const std::vector<Entry> snapshot = entries_;
    for (const Entry& e : snapshot) {
        if (e.property == property) e.listener(property, std::nullopt, newValue);
    }
}

int Config::getDelayAsInt() const {
    if (auto delay = parseWholeNumber(delay_)) return *delay;
    return *parseWholeNumber(ConfigHelper::Delay::getDefault());
}

std::optional<int> Config::getDecimalPlacesAsInt() const {
    return parseWholeNumber(decimalPlaces_);
}

int Config::getEveryXValuesAsInt() const {
    return parseWholeNumber(everyXValues_).value_or(0);
}

int Config::getEditNumCharactersAsInt() const {
    return parseWholeNumber(editNumCharacters_).value_or(0);
}

Decimal Config::getMathOperandAsBigDecimal() const {
    const QByteArray operand = mathOperand_.toLatin1();
    return Decimal::parse(std::string_view(operand.constData(), operand.size()));
}

bool Config::roundingEnabled() const {
    const auto places = getDecimalPlacesAsInt();
    return places && *places >= 0 && *places <= 7;
}

bool Config::mathOperationEnabled() const {
    using ConfigHelper::MathOperation;
    if (mathOperation_ == MathOperation::NONE || mathOperand_.isEmpty()) return false;
    if (mathOperation_ == MathOperation::MULTIPLY) return true;
    return roundingEnabled();
}

std::string Config::requestBytes() const {
    if (!dataCommand_.isEmpty())
        return ConfigHelper::DataCommand::decode(dataCommand_).value_or("");
    if (!instrument_) return {};
    return ConfigHelper::getDataCommand(*instrument_).toLatin1().toStdString();
}

int Config::getRequestIntervalAsInt() const {
    return ConfigHelper::RequestInterval::toMilliseconds(requestInterval_).value_or(0);
}

int Config::getTypeOnlyIntoHoldSecondsAsInt() const {
    return ConfigHelper::TypeOnlyIntoHoldSeconds::toSeconds(typeOnlyIntoHoldSeconds_);
}
