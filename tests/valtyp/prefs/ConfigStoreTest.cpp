#include "PrefsTestSupport.h"
#include "QtPrinters.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/SettingsPreferences.h"

#include <QBuffer>
#include <QDir>
#include <QSettings>

#include <gtest/gtest.h>

#include <map>

using namespace ConfigHelper;

namespace {

// A node that notes every write and flush, to see the order of a save.
class RecordingNode final : public AbstractPreferences {
  public:
    RecordingNode() : AbstractPreferences(nullptr, QString()) {}
    QStringList calls;

  protected:
    std::optional<QString> getSpi(const QString& key) override {
        const auto it = values_.find(key);
        return it == values_.end() ? std::nullopt : std::optional(it->second);
    }
    void putSpi(const QString& key, const QString& value) override {
        calls << key + u'=' + value;
        values_[key] = value;
    }
    void removeSpi(const QString& key) override { values_.erase(key); }
    QStringList keysSpi() override { return {}; }
    QStringList childrenNamesSpi() override { return {}; }
    std::unique_ptr<AbstractPreferences> childSpi(const QString&) override { return nullptr; }
    void removeNodeSpi() override {}
    void syncSpi() override {}
    void flushSpi() override { calls << "flush"; }

  private:
    std::map<QString, QString> values_;
};

class ConfigStoreTest : public ::testing::Test {
  protected:
    QString path() const { return dir_.filePath("prefs.txt"); }
    AbstractPreferences& node() { return store_.node(ConfigStore::nodePath); }

    QTemporaryDir dir_;
    FileStore store_{path()};
};

const QStringList twoPorts = {"/dev/ttyS0", "/dev/ttyUSB0"};

}  // namespace

TEST_F(ConfigStoreTest, EmptyStoreLoadsTheLoadingDefaults) {
    const auto [config, allValid] = ConfigStore::loadConfig(node(), {});
    EXPECT_TRUE(allValid);
    EXPECT_EQ(config.getInstrument(), Instrument::GENERIC);
    EXPECT_EQ(config.getBitRate(), 7);
    EXPECT_EQ(config.getDataBits(), 3);
    EXPECT_EQ(config.getStopBits(), 0);
    EXPECT_EQ(config.getParity(), 0);
    EXPECT_EQ(config.getInputTerminator(), 13);
    EXPECT_FALSE(config.minimizeToTray);
    EXPECT_FALSE(config.notifyWhenMinimizedToTray);
    EXPECT_TRUE(config.checkForUpdates);
    EXPECT_FALSE(config.abortAutoStartWhenPrevPortNotAvailable);
    EXPECT_EQ(config.getDelay(), "20");
    EXPECT_EQ(config.getPort(), "");
    EXPECT_EQ(config.getPrevPort(), "");
}

TEST_F(ConfigStoreTest, PortIsReadOnlyWithPortsAndPreviousPortFollowsIt) {
    auto loaded = ConfigStore::loadConfig(node(), twoPorts).config;
    EXPECT_EQ(loaded.getPort(), "/dev/ttyS0");
    EXPECT_EQ(loaded.getPrevPort(), "/dev/ttyS0");

    node().put("port", "/dev/ttyUSB7");  // need not be listed any more
    loaded = ConfigStore::loadConfig(node(), twoPorts).config;
    EXPECT_EQ(loaded.getPort(), "/dev/ttyUSB7");
    EXPECT_EQ(loaded.getPrevPort(), "/dev/ttyUSB7");

    node().put("prevPort", "/dev/ttyS9");
    loaded = ConfigStore::loadConfig(node(), twoPorts).config;
    EXPECT_EQ(loaded.getPrevPort(), "/dev/ttyS9");

    loaded = ConfigStore::loadConfig(node(), {}).config;
    EXPECT_EQ(loaded.getPort(), "");
    EXPECT_EQ(loaded.getPrevPort(), "/dev/ttyS9");
}

TEST_F(ConfigStoreTest, InvalidValuesFallBackToDefaultsWithOneFalseAnswer) {
    node().put("instrument", "NO_SUCH_SCALE");
    auto result = ConfigStore::loadConfig(node(), {});
    EXPECT_FALSE(result.allValid);
    EXPECT_EQ(result.config.getInstrument(), Instrument::GENERIC);

    node().remove("instrument");
    node().put("delay", "1001");
    result = ConfigStore::loadConfig(node(), {});
    EXPECT_FALSE(result.allValid);
    EXPECT_EQ(result.config.getDelay(), "20");

    // Many bad values still make one answer; good ones beside them load.
    node().put("bitRate", "99");
    node().put("parity", "odd");
    node().put("inputTerminator", "256");
    node().put("keyboardType", "DVORAK");
    node().put("sound", "COWBELL");
    result = ConfigStore::loadConfig(node(), {});
    EXPECT_FALSE(result.allValid);
    EXPECT_EQ(result.config.getBitRate(), 7);
    EXPECT_EQ(result.config.getParity(), 0);
    EXPECT_EQ(result.config.getInputTerminator(), 13);
    EXPECT_EQ(result.config.getKeyboardType(), KeyboardType::QUERTY);
    EXPECT_EQ(result.config.getSound(), Sound::COWBELL);
}

TEST_F(ConfigStoreTest, SaveWritesPortTwiceThenEveryKeyInOrderThenFlushes) {
    Config config;
    config.setInstrument(Instrument::KERN_MPS);
    config.setPort("/dev/ttyUSB0");
    config.setPrevPort(QString("/dev/ttyS0"));
    RecordingNode recorder;
    ASSERT_TRUE(ConfigStore::saveConfig(config, recorder));

    QStringList keys;
    for (const QString& call : recorder.calls) keys << call.section(u'=', 0, 0);
    EXPECT_EQ(
        keys.join(u' '),
        "port prevPort instrument bitRate dataBits stopBits parity inputTerminator "
        "decimalSeparator sound startWith outputTerminator outputTerminator2 everyXValues "
        "connect mathOperation mathOperand decimalPlaces roundingMethod keyboardType delay "
        "minimizeToTray notifyWhenMinimizedToTray checkForUpdates "
        "abortAutoStartWhenPrevPortNotAvailable ignoreDuplicates editOperation editPosition "
        "editNumCharacters removeCharacters customRegEx ignoreTimeLimit ignoreDifference "
        "dataCommand requestInterval reconnect stableOnly readingLog outputTemplate typeOnlyInto "
        "typeOnlyIntoHoldSeconds flush");
    // The port in use becomes the previous port; the record's own is not written.
    EXPECT_EQ(recorder.calls.mid(0, 4), QStringList({"port=/dev/ttyUSB0", "prevPort=/dev/ttyUSB0",
                                                     "instrument=KERN_MPS", "bitRate=0"}));
    EXPECT_TRUE(recorder.calls.contains("minimizeToTray=true"));

    // Without a port neither port key is written.
    config.setPort("");
    RecordingNode portless;
    ASSERT_TRUE(ConfigStore::saveConfig(config, portless));
    EXPECT_EQ(portless.calls.first(), "instrument=KERN_MPS");
    EXPECT_EQ(portless.calls.mid(1), recorder.calls.mid(3));
}

TEST_F(ConfigStoreTest, SavedRecordLoadsBackUnchanged) {
    Config config = ConfigStore::loadConfig(node(), twoPorts).config;
    config.setPort("/dev/ttyUSB0");
    config.setInstrument(Instrument::KERN_MPS);
    config.setBitRate(4);
    config.setInputTerminator(10);
    config.setMathOperation(MathOperation::DIVIDE);
    config.setMathOperand("2.5");
    config.setDecimalPlaces("2");
    config.setRemoveCharacters("kg =:");
    config.minimizeToTray = true;
    config.checkForUpdates = false;
    ASSERT_TRUE(ConfigStore::saveConfig(config, node()));
    EXPECT_TRUE(fileLines(path()).contains("com.belmaro.Valtyp.bitRate=4"));

    FileStore nextStart(path());
    const auto [loaded, allValid] =
        ConfigStore::loadConfig(nextStart.node(ConfigStore::nodePath), twoPorts);
    EXPECT_TRUE(allValid);
    EXPECT_FALSE(loaded.hasChanged(config));
    EXPECT_EQ(loaded.getPrevPort(), "/dev/ttyUSB0");
}

TEST_F(ConfigStoreTest, ASaveRewritesTheSharedFileOnceWhileAPutStillWritesAtOnce) {
    int replaced = 0;
    ScopedReplaceHook count([&] { ++replaced; });
    Config config;
    config.setPort("/dev/ttyUSB0");
    config.setDelay("35");
    ASSERT_TRUE(ConfigStore::saveConfig(config, node()));
    EXPECT_EQ(replaced, 1);
    const Properties saved = fileEntries(path());
    EXPECT_EQ(saved.size(), ConfigKeys::saveOrder().size() + 2);  // with port and prevPort
    EXPECT_EQ(saved.value("com.belmaro.Valtyp.delay"), "35");
    EXPECT_EQ(saved.value("com.belmaro.Valtyp.prevPort"), "/dev/ttyUSB0");

    node().put("delay", "40");
    EXPECT_EQ(replaced, 2);
    EXPECT_EQ(fileEntries(path()).value("com.belmaro.Valtyp.delay"), "40");
}

TEST_F(ConfigStoreTest, StoreFailureIsReportedOnStandardErrorAndToTheCaller) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("broken.txt"));
    FileStore broken(dir_.filePath("broken.txt"));
    Config config;
    LogCapture log;  // keeps the store's own warnings off the error output
    ::testing::internal::CaptureStderr();
    QString failure;
    EXPECT_FALSE(ConfigStore::saveConfig(config, broken.node(ConfigStore::nodePath), &failure));
    const std::string reason =
        "read " + dir_.filePath("broken.txt").toStdString() + ": Is a directory";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "saveConfig exception: " + reason + "\n");
    EXPECT_EQ(failure.toStdString(), reason);

    config.setCustomRegEx(QString(9000, u'x'));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ConfigStore::saveConfig(config, node()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "saveConfig exception: Value too long for key customRegEx\n");
}

TEST(ConfigStoreEdition, HubEditionUsesTheMachineWideFile) {
    {
        ScopedProperty edition("EDITION", std::nullopt);
        EXPECT_EQ(ConfigStore::hubPreferencesFile(), std::nullopt);
    }
    {
        ScopedProperty edition("EDITION", "hub");
        EXPECT_EQ(ConfigStore::hubPreferencesFile(), std::nullopt);
    }
    ScopedProperty edition("EDITION", "HUB");
    {
        ScopedEnv programData("ProgramData", "C:/ProgramData");
        EXPECT_EQ(ConfigStore::hubPreferencesFile(), "C:/ProgramData/Belmaro/ValtypHUB/prefs.txt");
    }
    {
        ScopedEnv programData("ProgramData", std::nullopt);
        EXPECT_EQ(ConfigStore::hubPreferencesFile(), "/var/lib/Belmaro/ValtypHUB/prefs.txt");
    }
}

// The process-wide store is chosen once per start, so each start runs in a
// child process of its own.
TEST(ConfigStoreEdition, EachEditionSavesWhereTheNextStartLooks) {
    QTemporaryDir dir;
    ScopedEnv programData("ProgramData", dir.path().toUtf8());
    ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    const QString hubFile = dir.filePath("Belmaro/ValtypHUB/prefs.txt");
    const QString userFile = dir.filePath("config/Belmaro/Valtyp.conf");

    const int hub = runInChild([] {
        Serialio::SystemProperties::set("EDITION", "HUB");
        AbstractPreferences& node = ConfigStore::settingsNode();
        Config config;
        config.setBitRate(7);
        if (node.absolutePath() != ConfigStore::nodePath || !ConfigStore::saveConfig(config, node))
            return 1;
        // Imports go to the same store.
        QBuffer xml;
        xml.setData(
            "<preferences><root type=\"user\"><node name=\"com\"><node name=\"belmaro\"><node "
            "name=\"Valtyp\"><map><entry key=\"delay\" value=\"35\"/></map></node></node></node>"
            "</root></preferences>");
        xml.open(QIODevice::ReadOnly);
        AbstractPreferences::importPreferences(xml);
        return 0;
    });
    EXPECT_TRUE(exitedWith(hub, 0)) << hub;
    EXPECT_TRUE(fileLines(hubFile).contains("com.belmaro.Valtyp.bitRate=7"));
    EXPECT_EQ(fileEntries(hubFile).value("com.belmaro.Valtyp.delay"), "35");
    EXPECT_FALSE(QFile::exists(userFile));

    const int regular = runInChild([] {
        Serialio::SystemProperties::clear("EDITION");
        Config config;
        config.setBitRate(5);
        return ConfigStore::saveConfig(config, ConfigStore::settingsNode()) ? 0 : 1;
    });
    EXPECT_TRUE(exitedWith(regular, 0)) << regular;
    EXPECT_EQ(
        QSettings(userFile, QSettings::IniFormat).value("com/belmaro/Valtyp/bitRate").toString(),
        "5");
    EXPECT_TRUE(fileLines(hubFile).contains("com.belmaro.Valtyp.bitRate=7"));
}
