#include "config/ConfigKeys.h"

#include "config/OutputTemplate.h"
#include "config/RequestOptions.h"
#include "config/TextNumbers.h"

#include <stdexcept>
#include <vector>

using namespace ConfigHelper;

namespace ConfigKeys {

namespace {

struct Setting {
    const char* key;
    std::function<QString(const Config&)> get;
    std::function<bool(Config&, const QString&)> set;  // false: value refused
    QString loadingDefault;
    bool checked = true;  // booleans fall back to their default without counting as invalid
};

template <class E>
Setting enumSetting(const char* key, E (Config::*getter)() const, void (Config::*setter)(E)) {
    return {key, [getter](const Config& c) { return Options<E>::name((c.*getter)()); },
            [setter](Config& c, const QString& v) {
                const auto value = Options<E>::find(v);
                if (value) (c.*setter)(*value);
                return value.has_value();
            },
            Options<E>::name(Options<E>::getDefault())};
}

// Line settings are stored as the position of the option in its table.
template <class E>
Setting indexSetting(const char* key, int (Config::*getter)() const, void (Config::*setter)(int)) {
    return {key, [getter](const Config& c) { return QString::number((c.*getter)()); },
            [setter](Config& c, const QString& v) {
                const auto index = parseWholeNumber(v);
                if (!index || !Options<E>::validOrdinal(*index)) return false;
                (c.*setter)(*index);
                return true;
            },
            QString::number(Options<E>::defaultOrdinal())};
}

template <class Rule>
Setting textSetting(const char* key, const QString& (Config::*getter)() const,
                    void (Config::*setter)(const QString&)) {
    return {key, [getter](const Config& c) { return (c.*getter)(); },
            [setter](Config& c, const QString& v) {
                if (!Rule::valid(v)) return false;
                (c.*setter)(v);
                return true;
            },
            Rule::getDefault()};
}

Setting boolSetting(const char* key, bool Config::*field, bool loadingDefault) {
    return {key,
            [field](const Config& c) {
                return c.*field ? QStringLiteral("true") : QStringLiteral("false");
            },
            [field](Config& c, const QString& v) {
                if (v.compare(u"true", Qt::CaseInsensitive) == 0) {
                    c.*field = true;
                } else if (v.compare(u"false", Qt::CaseInsensitive) == 0) {
                    c.*field = false;
                } else {
                    return false;
                }
                return true;
            },
            loadingDefault ? QStringLiteral("true") : QStringLiteral("false"), false};
}

Setting instrumentSetting() {
    return {"instrument",
            [](const Config& c) {
                const auto i = c.getInstrument();
                return i ? Options<Instrument>::name(*i) : QString();
            },
            [](Config& c, const QString& v) {
                const auto i = Options<Instrument>::find(v);
                if (i) c.setInstrument(*i);
                return i.has_value();
            },
            Options<Instrument>::name(Options<Instrument>::getDefault())};
}

Setting inputTerminatorSetting() {
    return {"inputTerminator",
            [](const Config& c) { return QString::number(c.getInputTerminator()); },
            [](Config& c, const QString& v) {
                const auto code = parseWholeNumber(v);
                if (!code || !InputTerminatorCode::valid(*code)) return false;
                c.setInputTerminator(*code);
                return true;
            },
            QString::number(InputTerminatorCode::getDefault())};
}

// Any folder name; the empty text turns the reading log off.
Setting readingLogSetting() {
    return {"readingLog", [](const Config& c) { return c.getReadingLog(); },
            [](Config& c, const QString& v) {
                c.setReadingLog(v);
                return true;
            },
            QString()};
}

// Every setting but "port" and "prevPort", in load order.
const std::vector<Setting>& settings() {
    static const std::vector<Setting> table = {
        instrumentSetting(),
        indexSetting<BitRates>("bitRate", &Config::getBitRate, &Config::setBitRate),
        indexSetting<DataBits>("dataBits", &Config::getDataBits, &Config::setDataBits),
        indexSetting<StopBits>("stopBits", &Config::getStopBits, &Config::setStopBits),
        indexSetting<Parity>("parity", &Config::getParity, &Config::setParity),
        enumSetting("decimalSeparator", &Config::getDecimalSeparator, &Config::setDecimalSeparator),
        inputTerminatorSetting(),
        enumSetting("startWith", &Config::getStartWith, &Config::setStartWith),
        enumSetting("outputTerminator", &Config::getOutputTerminator, &Config::setOutputTerminator),
        enumSetting("outputTerminator2", &Config::getOutputTerminator2,
                    &Config::setOutputTerminator2),
        textSetting<EveryXValues>("everyXValues", &Config::getEveryXValues,
                                  &Config::setEveryXValues),
        enumSetting("connect", &Config::getConnect, &Config::setConnect),
        textSetting<MathOperand>("mathOperand", &Config::getMathOperand, &Config::setMathOperand),
        enumSetting("mathOperation", &Config::getMathOperation, &Config::setMathOperation),
        textSetting<DecimalPlaces>("decimalPlaces", &Config::getDecimalPlaces,
                                   &Config::setDecimalPlaces),
        enumSetting("roundingMethod", &Config::getRoundingMethod, &Config::setRoundingMethod),
        enumSetting("sound", &Config::getSound, &Config::setSound),
        enumSetting("keyboardType", &Config::getKeyboardType, &Config::setKeyboardType),
        textSetting<Delay>("delay", &Config::getDelay, &Config::setDelay),
        boolSetting("minimizeToTray", &Config::minimizeToTray, false),
        boolSetting("notifyWhenMinimizedToTray", &Config::notifyWhenMinimizedToTray, false),
        boolSetting("checkForUpdates", &Config::checkForUpdates, true),
        boolSetting("abortAutoStartWhenPrevPortNotAvailable",
                    &Config::abortAutoStartWhenPrevPortNotAvailable, false),
        boolSetting("ignoreDuplicates", &Config::ignoreDuplicates, false),
        enumSetting("editOperation", &Config::getEditOperation, &Config::setEditOperation),
        enumSetting("editPosition", &Config::getEditPosition, &Config::setEditPosition),
        textSetting<EditNumCharacters>("editNumCharacters", &Config::getEditNumCharacters,
                                       &Config::setEditNumCharacters),
        textSetting<RemoveCharacters>("removeCharacters", &Config::getRemoveCharacters,
                                      &Config::setRemoveCharacters),
        textSetting<IgnoreTimeLimit>("ignoreTimeLimit", &Config::getIgnoreTimeLimit,
                                     &Config::setIgnoreTimeLimit),
        textSetting<IgnoreDifference>("ignoreDifference", &Config::getIgnoreDifference,
                                      &Config::setIgnoreDifference),
        textSetting<CustomRegEx>("customRegEx", &Config::getCustomRegEx, &Config::setCustomRegEx),
        // Requests and reconnecting.
        textSetting<DataCommand>("dataCommand", &Config::getDataCommand, &Config::setDataCommand),
        textSetting<RequestInterval>("requestInterval", &Config::getRequestInterval,
                                     &Config::setRequestInterval),
        boolSetting("reconnect", &Config::reconnect, true),
        // Trustworthy readings: typing only stable ones, and the reading log's folder.
        boolSetting("stableOnly", &Config::stableOnly, false),
        readingLogSetting(),
        // What is typed for a reading, and where.
        textSetting<OutputTemplate>("outputTemplate", &Config::getOutputTemplate,
                                    &Config::setOutputTemplate),
        textSetting<TypeOnlyInto>("typeOnlyInto", &Config::getTypeOnlyInto,
                                  &Config::setTypeOnlyInto),
        textSetting<TypeOnlyIntoHoldSeconds>("typeOnlyIntoHoldSeconds",
                                             &Config::getTypeOnlyIntoHoldSeconds,
                                             &Config::setTypeOnlyIntoHoldSeconds),
    };
    return table;
}

const Setting* findSetting(const QString& key) {
    for (const Setting& s : settings()) {
        if (key == QLatin1StringView(s.key)) return &s;
    }
    return nullptr;
}

const Setting& settingOrThrow(const QString& key) {
    if (const Setting* s = findSetting(key)) return *s;
    throw std::invalid_argument(QStringLiteral("Unknown setting: %1").arg(key).toStdString());
}

const QString portKey = QStringLiteral("port");
const QString prevPortKey = QStringLiteral("prevPort");

}  // namespace

const QStringList& loadOrder() {
    static const QStringList keys = [] {
        QStringList k{portKey, prevPortKey};
        for (const Setting& s : settings()) k << QString::fromLatin1(s.key);
        return k;
    }();
    return keys;
}

const QStringList& saveOrder() {
    // The order in which the window writes its settings; "port" and
    // "prevPort" come first when the record has a port.
    static const QStringList keys = {
        "instrument", "bitRate", "dataBits", "stopBits", "parity", "inputTerminator",
        "decimalSeparator", "sound", "startWith", "outputTerminator", "outputTerminator2",
        "everyXValues", "connect", "mathOperation", "mathOperand", "decimalPlaces",
        "roundingMethod", "keyboardType", "delay", "minimizeToTray", "notifyWhenMinimizedToTray",
        "checkForUpdates", "abortAutoStartWhenPrevPortNotAvailable", "ignoreDuplicates",
        "editOperation", "editPosition", "editNumCharacters", "removeCharacters", "customRegEx",
        "ignoreTimeLimit", "ignoreDifference",
        // Requests and reconnecting.
        "dataCommand", "requestInterval", "reconnect", "stableOnly", "readingLog", "outputTemplate",
        "typeOnlyInto", "typeOnlyIntoHoldSeconds"};
    return keys;
}

LoadResult load(const Reader& stored, const QStringList& portList) {
    LoadResult result{Config(), true};
    Config& config = result.config;
    if (!portList.isEmpty()) {
        config.setPort(stored(portKey).value_or(portList.first()));
    }
    config.setPrevPort(stored(prevPortKey).value_or(config.getPort()));
    for (const Setting& s : settings()) {
        const QString value = stored(QString::fromLatin1(s.key)).value_or(s.loadingDefault);
        if (s.set(config, value)) continue;
        s.set(config, s.loadingDefault);
        if (s.checked) result.allValid = false;
    }
    return result;
}

void save(const Config& config, const Writer& put) {
    if (!config.getPort().isEmpty()) {
        put(portKey, config.getPort());
        put(prevPortKey, config.getPort());
    }
    for (const QString& key : saveOrder()) put(key, settingOrThrow(key).get(config));
}

bool applySetting(Config& config, const QString& key, const QString& value) {
    if (key == portKey) {
        config.setPort(value);
        return true;
    }
    if (key == prevPortKey) {
        config.setPrevPort(value);
        return true;
    }
    return settingOrThrow(key).set(config, value);
}

QString storedValue(const Config& config, const QString& key) {
    if (key == portKey) return config.getPort();
    if (key == prevPortKey) return config.getPrevPort().value_or(QString());
    return settingOrThrow(key).get(config);
}

}  // namespace ConfigKeys
