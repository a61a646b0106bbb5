// The program as a user runs it: an instrument simulator on a
// pseudo-terminal, valtyp started on its port with automatic start, and a
// real window on the X server that receives the keystrokes.

#include "SimulatorProcess.h"
#include "TypingTarget.h"

#include "config/Instrument.h"
#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/SettingsPreferences.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <signal.h>

namespace {

// The settings a user would have chosen: the instrument, automatic start,
// Enter after each value.
void seedSettings(const QString& configHome,
                  const QList<std::pair<QString, QString>>& instrumentSettings = {
                      {"instrument", "KERN_MPS"}, {"inputTerminator", "10"}}) {
    ASSERT_TRUE(QDir().mkpath(configHome + "/Belmaro"));
    SettingsPreferencesFactory store(configHome + "/Belmaro/Valtyp.conf");
    AbstractPreferences& node = store.userRoot().node(QLatin1StringView(ConfigStore::nodePath));
    for (const auto& [key, value] : instrumentSettings) node.put(key, value);
    const std::pair<const char*, const char*> settings[] = {
        {"connect", "AUTO"},
        {"outputTerminator", "ENTER"},
        {"delay", "2"},
        {"minimizeToTray", "true"},
        {"abortAutoStartWhenPrevPortNotAvailable", "true"},
        {"checkForUpdates", "false"}};
    for (const auto& [key, value] : settings) node.put(key, value);
    node.flush();
}

// The values typed, each ended by Enter; a value still being typed is left out.
QStringList typedValues(const QStringList& tokens) {
    QStringList values;
    QString current;
    for (const QString& token : tokens) {
        if (token == TypingTarget::key("Return")) {
            values << current;
            current.clear();
        } else {
            current += token;
        }
    }
    return values;
}

// Starts valtyp on the port with the seeded settings and returns the values typed into the
// target; ends the program as a session end would.
QStringList valuesTypedFrom(const QString& configHome, const QString& port, TypingTarget& target,
                            int tokens) {
    QProcess valtyp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("XDG_CONFIG_HOME", configHome);
    valtyp.setProcessEnvironment(environment);
    valtyp.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    valtyp.start(QStringLiteral(VALTYP_PROGRAM), {port});
    if (!valtyp.waitForStarted(10000)) return {};
    const QStringList values = typedValues(target.received(tokens, std::chrono::seconds(30)));
    ::kill(static_cast<pid_t>(valtyp.processId()), SIGTERM);
    EXPECT_TRUE(valtyp.waitForFinished(20000));
    EXPECT_EQ(valtyp.exitCode(), 0);
    return values;
}

}  // namespace

TEST(ProgramOnXvfb, AnInstrumentThatOnlyAnswersWhenAskedIsAskedAndItsReadingsTyped) {
    QTemporaryDir configHome;
    ASSERT_TRUE(configHome.isValid());
    // The Mitutoyo's factory settings, as the Defaults button gives them.
    const Config defaults = getDefaultConfig(ConfigHelper::Instrument::MITUTOYO);
    seedSettings(configHome.path(),
                 {{"instrument", "MITUTOYO"},
                  {"bitRate", QString::number(defaults.getBitRate())},
                  {"dataBits", QString::number(defaults.getDataBits())},
                  {"stopBits", QString::number(defaults.getStopBits())},
                  {"parity", QString::number(defaults.getParity())},
                  {"inputTerminator", QString::number(defaults.getInputTerminator())},
                  {"requestInterval", defaults.getRequestInterval()}});
    TypingTarget target;
    SimulatorProcess simulator("MITUTOYO", 0, {"--respond-to", "1\\r"});
    ASSERT_FALSE(simulator.portPath().isEmpty());
    // The first two requested readings, each ended by Enter.
    const QStringList values = valuesTypedFrom(configHome.path(), simulator.portPath(), target, 15);
    ASSERT_GE(values.size(), 2) << values.join('|').toStdString();
    for (const QString& value : values) {
        EXPECT_TRUE(value == "1.1920" || value == "-1.1805") << value.toStdString();
    }
    EXPECT_FALSE(target.lostFocus());
}

TEST(ProgramOnXvfb, AutomaticStartTypesTheSimulatorsReadingsIntoTheFocusedWindow) {
    QTemporaryDir configHome;
    ASSERT_TRUE(configHome.isValid());
    seedSettings(configHome.path());
    TypingTarget target;
    SimulatorProcess simulator("KERN_MPS", 150);
    ASSERT_FALSE(simulator.portPath().isEmpty());

    QProcess valtyp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    valtyp.setProcessEnvironment(environment);
    valtyp.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    valtyp.start(QStringLiteral(VALTYP_PROGRAM), {simulator.portPath()});
    ASSERT_TRUE(valtyp.waitForStarted(10000));

    const QStringList values = typedValues(target.received(16, std::chrono::seconds(30)));
    ASSERT_GE(values.size(), 2) << values.join('|').toStdString();
    for (const QString& value : values) {
        EXPECT_TRUE(value == "3.3" || value == "60.24") << value.toStdString();
    }
    EXPECT_FALSE(target.lostFocus());

    // Ending the program as a session end would: it closes like its window.
    ::kill(static_cast<pid_t>(valtyp.processId()), SIGTERM);
    ASSERT_TRUE(valtyp.waitForFinished(20000));
    EXPECT_EQ(valtyp.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(valtyp.exitCode(), 0);
    SettingsPreferencesFactory saved(configHome.path() + "/Belmaro/Valtyp.conf");
    EXPECT_EQ(saved.userRoot().node(QLatin1StringView(ConfigStore::nodePath)).get("port"),
              simulator.portPath());
}
