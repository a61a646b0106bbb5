#include "config/ConfigKeys.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QSet>

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

    QStringList order;
    QMap<QString, QString> stored;
    ConfigKeys::save(c, [&](const QString& k, const QString& v) {
        order << k;
        stored[k] = v;
    });
    ASSERT_EQ(order.size(), 35);
    EXPECT_EQ(order.mid(0, 4), QStringList({"port", "prevPort", "instrument", "bitRate"}));
    EXPECT_EQ(order.mid(32), QStringList({"ignoreDifference", "stableOnly", "readingLog"}));
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
    EXPECT_EQ(order.size(), 33);
}

TEST(ConfigKeys, LoadOrderListsEveryKeyOnce) {
    const QStringList& keys = ConfigKeys::loadOrder();
    EXPECT_EQ(keys.size(), 35);
    EXPECT_EQ(keys.mid(0, 3), QStringList({"port", "prevPort", "instrument"}));
    EXPECT_EQ(keys.mid(32), QStringList({"customRegEx", "stableOnly", "readingLog"}));
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), 35);
}

TEST(ConfigKeys, ApplyingOneSettingChecksIt) {
    Config c;
    EXPECT_TRUE(ConfigKeys::applySetting(c, "everyXValues", "3"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "everyXValues", "1"));
    EXPECT_EQ(c.getEveryXValues(), "3");
    EXPECT_TRUE(ConfigKeys::applySetting(c, "keyboardType", "GERMAN"));
    EXPECT_FALSE(ConfigKeys::applySetting(c, "keyboardType", "german"));
    EXPECT_THROW(ConfigKeys::applySetting(c, "nonsense", "1"), std::invalid_argument);
    EXPECT_EQ(ConfigKeys::storedValue(c, "keyboardType"), "GERMAN");
}
