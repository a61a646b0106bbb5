#include "config/ConfigKeys.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QSet>

#include <functional>

using namespace ConfigHelper;

namespace {

ConfigKeys::LoadResult loadFrom(const QMap<QString, QString>& stored,
                                const QStringList& ports = {}) {
    return ConfigKeys::load(
        [&](const QString& key) -> std::optional<QString> {
            if (stored.contains(key)) return stored.value(key);
            return std::nullopt;
        },
        ports);
}

}  // namespace

TEST(ConfigKeys, EmptyStoreLoadsTheLoadingDefaults) {
    const auto [c, valid] = loadFrom({});
    EXPECT_TRUE(valid);
    EXPECT_EQ(c.getInstrument(), Instrument::GENERIC);
    EXPECT_EQ(c.getBitRate(), 7);
    EXPECT_EQ(c.getDataBits(), 3);
    EXPECT_EQ(c.getStopBits(), 0);
    EXPECT_EQ(c.getParity(), 0);
    EXPECT_EQ(c.getInputTerminator(), 13);
    EXPECT_FALSE(c.minimizeToTray);
    EXPECT_FALSE(c.notifyWhenMinimizedToTray);
    EXPECT_TRUE(c.checkForUpdates);
    EXPECT_FALSE(c.abortAutoStartWhenPrevPortNotAvailable);
    EXPECT_EQ(c.getDelay(), "20");
    EXPECT_EQ(c.getPort(), "");
    EXPECT_EQ(c.getPrevPort(), QString());
    EXPECT_FALSE(c.stableOnly);
    EXPECT_EQ(c.getReadingLog(), "");
}

TEST(ConfigKeys, InvalidValuesAreReplacedAndReportedOnce) {
    const auto [c, valid] = loadFrom({{"instrument", "generic"},
                                      {"delay", "1001"},
                                      {"bitRate", "15"},
                                      {"inputTerminator", "256"},
                                      {"roundingMethod", "HALF_UP"},
                                      {"decimalPlaces", "3"}});
    EXPECT_FALSE(valid);
    EXPECT_EQ(c.getInstrument(), Instrument::GENERIC);
    EXPECT_EQ(c.getDelay(), "20");
    EXPECT_EQ(c.getBitRate(), 7);
    EXPECT_EQ(c.getInputTerminator(), 13);
    EXPECT_EQ(c.getDecimalPlaces(), "3");
}

TEST(ConfigKeys, UnreadableBooleansFallBackWithoutCountingAsInvalid) {
    const auto [c, valid] = loadFrom({{"checkForUpdates", "FALSE"}, {"minimizeToTray", "yes"}});
    EXPECT_TRUE(valid);
    EXPECT_FALSE(c.checkForUpdates);
    EXPECT_FALSE(c.minimizeToTray);
}

TEST(ConfigKeys, PortOnlyWithAPortList) {
    EXPECT_EQ(loadFrom({{"port", "/dev/ttyS3"}}).config.getPort(), "");
    const auto withList = loadFrom({{"port", "/dev/ttyS3"}}, {"/dev/ttyS0", "/dev/ttyS3"});
    EXPECT_EQ(withList.config.getPort(), "/dev/ttyS3");
    EXPECT_EQ(withList.config.getPrevPort(), QString("/dev/ttyS3"));
    const auto firstOfList = loadFrom({{"prevPort", "/dev/ttyUSB0"}}, {"/dev/ttyS0"});
    EXPECT_EQ(firstOfList.config.getPort(), "/dev/ttyS0");
    EXPECT_EQ(firstOfList.config.getPrevPort(), QString("/dev/ttyUSB0"));
}

TEST(ConfigKeys, SaveWritesPortTwiceThenEveryKeyInOrderAndLoadsBackTheSame) {
    Config c = loadFrom({}).config;
    c.setPort("/dev/ttyUSB1");
    c.setPrevPort(QString("/dev/ttyS0"));
    c.setInstrument(Instrument::KERN_MPS);
    c.setMathOperation(MathOperation::DIVIDE);
    c.setMathOperand("2.5");
    c.setRemoveCharacters("+ =:#!\\");
    c.ignoreDuplicates = true;
    c.stableOnly = true;
    c.setReadingLog("/srv/audit, balance 2");
    c.setOutputTemplate("{value}{TAB}{date:dd.MM.yyyy}{{x}}{ENTER}");
    c.setTypeOnlyInto("Calc — *.ods");
    c.setTypeOnlyIntoHoldSeconds("30");

    QStringList order;
    QMap<QString, QString> stored;
    ConfigKeys::save(c, [&](const QString& k, const QString& v) {
        order << k;
        stored[k] = v;
    });
    ASSERT_EQ(order.size(), 41);
    EXPECT_EQ(order.mid(0, 4), QStringList({"port", "prevPort", "instrument", "bitRate"}));
    EXPECT_EQ(order.mid(32), QStringList({"ignoreDifference", "dataCommand", "requestInterval",
                                          "reconnect", "stableOnly", "readingLog", "outputTemplate",
                                          "typeOnlyInto", "typeOnlyIntoHoldSeconds"}));
    EXPECT_EQ(stored["outputTemplate"], "{value}{TAB}{date:dd.MM.yyyy}{{x}}{ENTER}");
    EXPECT_EQ(stored["typeOnlyInto"], "Calc — *.ods");
    EXPECT_EQ(stored["prevPort"], "/dev/ttyUSB1");  // the port in use becomes the previous one
    EXPECT_EQ(stored["instrument"], "KERN_MPS");
    EXPECT_EQ(stored["bitRate"], "7");
    EXPECT_EQ(stored["ignoreDuplicates"], "true");
    EXPECT_EQ(stored["mathOperation"], "DIVIDE");
    EXPECT_EQ(stored["stableOnly"], "true");

    const auto [back, valid] = loadFrom(stored, {"/dev/ttyUSB1"});
    EXPECT_TRUE(valid);
    EXPECT_FALSE(back.hasChanged(c));
}

TEST(ConfigKeys, ARecordWithoutPortSavesNoPortKeys) {
    QStringList order;
    ConfigKeys::save(loadFrom({}).config, [&](const QString& k, const QString&) { order << k; });
    EXPECT_FALSE(order.contains("port"));
    EXPECT_FALSE(order.contains("prevPort"));
    EXPECT_EQ(order.size(), 39);
}

TEST(ConfigKeys, LoadOrderListsEveryKeyOnce) {
    const QStringList& keys = ConfigKeys::loadOrder();
    EXPECT_EQ(keys.size(), 41);
    EXPECT_EQ(keys.mid(0, 3), QStringList({"port", "prevPort", "instrument"}));
    EXPECT_EQ(keys.mid(32), QStringList({"customRegEx", "dataCommand", "requestInterval",
                                         "reconnect", "stableOnly", "readingLog", "outputTemplate",
                                         "typeOnlyInto", "typeOnlyIntoHoldSeconds"}));
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), 41);
}

TEST(ConfigKeys, ApplyingOneSettingChecksIt) {
    Config c;
    EXPECT_TRUE(ConfigKeys::applySetting(c, "everyXValues", "3"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "everyXValues", "1"));
    EXPECT_EQ(c.getEveryXValues(), "3");
    EXPECT_TRUE(ConfigKeys::applySetting(c, "keyboardType", "GERMAN"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "keyboardType", "german"));
    EXPECT_THROW(ConfigKeys::applySetting(c, "nonsense", "1"), std::invalid_argument);
    // A template that would not parse, and a hold past an hour, are refused.
    EXPECT_TRUE(ConfigKeys::applySetting(c, "outputTemplate", "{value}{ENTER}"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "outputTemplate", "{value"));
    EXPECT_EQ(c.getOutputTemplate(), "{value}{ENTER}");
    EXPECT_TRUE(ConfigKeys::applySetting(c, "typeOnlyIntoHoldSeconds", "3600"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "typeOnlyIntoHoldSeconds", "3601"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "typeOnlyIntoHoldSeconds", "-1"));
    EXPECT_EQ(c.getTypeOnlyIntoHoldSecondsAsInt(), 3600);
    EXPECT_EQ(ConfigKeys::storedValue(c, "keyboardType"), "GERMAN");
}

TEST(ConfigKeys, RequestSettingsAreCheckedWhenLoadingAndDecodeToBytes) {
    struct Case {
        QString dataCommand;
        QString requestInterval;
        bool valid;
        std::string bytes;  // what a run sends, when valid
        int interval;
    };
    const Case cases[] = {
        {"", "", true, "", 0},
        {"Q\\r\\n", "100", true, "Q\r\n", 100},
        {"SI\\r\\n", "3600000", true, "SI\r\n", 3'600'000},
        {"\\x1B\\x7fp\\t\\\\", "0", true, std::string("\x1B\x7Fp\t\\", 5), 0},
        {"\\xFF", "1000", true, "\xFF", 1000},
        {"\\q", "", false, "", 0},                  // unknown escape
        {"1\\", "", false, "", 0},                  // escape cut off
        {"\\x1", "", false, "", 0},                 // one hex digit
        {"\\xG0", "", false, "", 0},                // no hex digit
        {QString(QChar(0x100)), "", false, "", 0},  // not a byte
        {"", "99", false, "", 0},
        {"", "3600001", false, "", 0},
        {"", "-100", false, "", 0},
        {"", "1s", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataCommand.toStdString() + " / " + c.requestInterval.toStdString());
        const auto [config, valid] = loadFrom({{"dataCommand", c.dataCommand},
                                               {"requestInterval", c.requestInterval},
                                               {"instrument", "GENERIC"}});
        EXPECT_EQ(valid, c.valid);
        if (!c.valid) {
            EXPECT_TRUE(config.getDataCommand().isEmpty());
            EXPECT_TRUE(config.getRequestInterval().isEmpty());
            continue;
        }
        EXPECT_EQ(config.getDataCommand(), c.dataCommand);
        EXPECT_EQ(config.requestBytes(), c.bytes);
        EXPECT_EQ(config.getRequestIntervalAsInt(), c.interval);
    }
}

TEST(ConfigKeys, RequestsAndReconnectDefaults) {
    const auto [loaded, valid] = loadFrom({{"instrument", "MITUTOYO"}});
    EXPECT_TRUE(loaded.reconnect);
    // An empty command sends the instrument's own.
    EXPECT_EQ(loaded.requestBytes(), "1\r");
    EXPECT_EQ(loadFrom({{"reconnect", "false"}}).config.reconnect, false);
    EXPECT_EQ(getDefaultConfig(Instrument::MITUTOYO).getRequestInterval(), "1000");
    EXPECT_EQ(getDefaultConfig(Instrument::MITUTOYO_LSM_6200).getRequestInterval(), "");

    Config a = loaded;
    for (auto change : std::initializer_list<std::function<void(Config&)>>{
             [](Config& c) { c.reconnect = false; }, [](Config& c) { c.setDataCommand("Q\\r"); },
             [](Config& c) { c.setRequestInterval("500"); }}) {
        Config b = a;
        change(b);
        EXPECT_TRUE(a.hasChanged(b));
        QMap<QString, QString> stored;
        ConfigKeys::save(b, [&](const QString& k, const QString& v) { stored[k] = v; });
        EXPECT_FALSE(loadFrom(stored).config.hasChanged(b));
    }
}
