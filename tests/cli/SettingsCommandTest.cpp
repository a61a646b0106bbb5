// valtyp-cli settings show, export and import, each run as its own process on
// real store files in a temporary home.

#include "CliProcess.h"
#include "SettingsExportFile.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SettingsCommandTest : public ::testing::Test {
  protected:
    // The processes run with a home and data folder of their own.
    CliResult run(const QStringList& args, bool hub = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.filePath("config"));
        env.insert("ProgramData", home_.filePath("data"));
        env.remove("EDITION");
        if (hub) env.insert("EDITION", "HUB");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VALTYP_CLI), args);
        CliResult r;
        if (!p.waitForStarted() || !p.waitForFinished(60000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    QString file(const char* name) const { return home_.filePath(name); }
    QString userStore() const { return home_.filePath("config/Belmaro/Valtyp.conf"); }
    QString hubStore() const { return home_.filePath("data/Belmaro/ValtypHUB/prefs.txt"); }

    QTemporaryDir home_;
};

}  // namespace

TEST_F(SettingsCommandTest, ImportShowAndExportMoveSettingsBetweenStores) {
    ASSERT_TRUE(writeBytes(
        file("in.xml"), settingsExport("<entry key=\"delay\" value=\"77\"/>\n"
                                       "<entry key=\"customRegEx\" value=\"N\\s+([0-9.]+)\"/>\n")));
    CliResult r = run({"settings", "import", file("in.xml")}, true);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(file("in.xml").toUtf8() + "\n")) << r.out.toStdString();
    // The HUB edition wrote its shared file; the user's own store is untouched.
    EXPECT_TRUE(readBytes(hubStore()).contains("com.belmaro.Valtyp.delay=77"));
    EXPECT_FALSE(QFile::exists(userStore()));

    r = run({"settings", "show"}, true);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "customRegEx=N\\s+([0-9.]+)\ndelay=77\n");

    r = run({"settings", "export", file("hub.xml")}, true);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(file("hub.xml").toUtf8() + "\n"));
    ASSERT_EQ(run({"settings", "import", file("hub.xml")}).exitCode, 0);
    EXPECT_EQ(run({"settings", "show"}).out, "customRegEx=N\\s+([0-9.]+)\ndelay=77\n");
}

TEST_F(SettingsCommandTest, ExportReplacesAFileOnlyWithForce) {
    ASSERT_TRUE(
        writeBytes(file("in.xml"), settingsExport("<entry key=\"delay\" value=\"77\"/>\n")));
    ASSERT_EQ(run({"settings", "import", file("in.xml")}).exitCode, 0);
    ASSERT_TRUE(writeBytes(file("out.xml"), "keep me\n"));

    CliResult r = run({"settings", "export", file("out.xml")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("--force")) << r.err.toStdString();
    EXPECT_EQ(readBytes(file("out.xml")), "keep me\n");

    r = run({"settings", "export", file("out.xml"), "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(readBytes(file("out.xml")).contains("<entry key=\"delay\" value=\"77\"/>"));
}

TEST_F(SettingsCommandTest, ARefusedImportSaysWhyAndLeavesTheStoreUnchanged) {
    ASSERT_TRUE(
        writeBytes(file("in.xml"), settingsExport("<entry key=\"delay\" value=\"77\"/>\n")));
    for (const bool hub : {false, true}) {
        SCOPED_TRACE(hub ? "shared file" : "user store");
        ASSERT_EQ(run({"settings", "import", file("in.xml")}, hub).exitCode, 0);
        const QString store = hub ? hubStore() : userStore();
        const QByteArray before = readBytes(store);
        struct Case {
            QByteArray file;
            QByteArray message;
        };
        const Case cases[] = {
            {"<?xml version=\"1.0\"?><settings/>\n",
             "valtyp-cli: Import failed\nNot a preferences export: the root element is "
             "<settings>, not <preferences>"},
            {QByteArray(settingsExport("<entry key=\"delay\" value=\"5\"/>"))
                 .replace("belmaro", "other"),
             "valtyp-cli: Import failed\nThe file holds settings of /com/other, not of "
             "/com/belmaro/Valtyp"},
        };
        for (const Case& c : cases) {
            ASSERT_TRUE(writeBytes(file("bad.xml"), c.file));
            const CliResult r = run({"settings", "import", file("bad.xml")}, hub);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
            EXPECT_EQ(readBytes(store), before);
        }
        EXPECT_EQ(run({"settings", "show"}, hub).out, "delay=77\n");
    }
}

TEST_F(SettingsCommandTest, RefusesWrongUse) {
    for (const QStringList& args :
         {QStringList{"settings"}, QStringList{"settings", "list"},
          QStringList{"settings", "import"}, QStringList{"settings", "export", "a", "--fast"}}) {
        const CliResult r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: valtyp-cli settings")) << r.err.toStdString();
    }
}
