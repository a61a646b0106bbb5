// Settings export files and their import, on real files of both stores.

#include "BackendFixture.h"
#include "QtPrinters.h"
#include "config/Instrument.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/PreferencesErrors.h"
#include "valtyp/prefs/SettingsTransfer.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace ConfigHelper;

namespace {

QByteArray exportFile(const QByteArray& nodes, const char* rootType = "user") {
    return QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
               "<!DOCTYPE preferences SYSTEM "
               "\"http://java.sun.com/dtd/preferences.dtd\">\n"
               "<preferences EXTERNAL_XML_VERSION=\"1.0\">\n  <root type=\"") +
           rootType + "\">\n    <map/>\n" + nodes + "  </root>\n</preferences>\n";
}

class SettingsTransferTest : public BackendTest {
  protected:
    AbstractPreferences& valtyp() { return root().node(ConfigStore::nodePath); }
    QString path(const char* name) const { return files_.filePath(name); }

    // Settings far from the defaults, so that a value lost on the way shows.
    static Config unusualSettings() {
        Config c = getDefaultConfig(Instrument::SARTORIUS);
        c.setInstrument(Instrument::SARTORIUS);
        c.setPort("/dev/ttyUSB3");
        c.setDelay("35");
        c.setMathOperation(MathOperation::DIVIDE);
        c.setMathOperand("1000");
        c.setDecimalPlaces("3");
        c.setRemoveCharacters("kg");
        c.setCustomRegEx(R"(N\s+([-+]?[0-9.]+))");
        c.setIgnoreTimeLimit("250");
        c.setIgnoreDifference("0.5");
        c.ignoreDuplicates = true;
        return c;
    }

    Config loaded() { return ConfigStore::loadConfig(valtyp(), {"/dev/ttyUSB3"}).config; }

    QTemporaryDir files_;
};

}  // namespace

TEST_P(SettingsTransferTest, ExportThenImportIntoAFreshStoreGivesTheSameSettings) {
    const Config settings = unusualSettings();
    ASSERT_TRUE(ConfigStore::saveConfig(settings, valtyp()));
    SettingsTransfer(valtyp()).exportTo(path("Valtyp.xml"));

    root().node("/com").removeNode();
    root().flush();
    reopen();
    ASSERT_FALSE(root().nodeExists(ConfigStore::nodePath));
    SettingsTransfer(valtyp()).importFrom(path("Valtyp.xml"));
    reopen();
    EXPECT_FALSE(loaded().hasChanged(settings));
    EXPECT_EQ(loaded().getCustomRegEx(), settings.getCustomRegEx());
}

TEST_P(SettingsTransferTest, AFailedExportLeavesAnEarlierFileAsItWas) {
    writeFile(path("Valtyp.xml"), "an earlier export\n");
    // XML cannot hold this character, so the export fails half-way.
    valtyp().put("removeCharacters", QString(QChar(0x01)));
    EXPECT_THROW(SettingsTransfer(valtyp()).exportTo(path("Valtyp.xml")), std::exception);
    EXPECT_EQ(fileBytes(path("Valtyp.xml")), "an earlier export\n");
    EXPECT_EQ(QDir(files_.path()).entryList(QDir::Files), QStringList{"Valtyp.xml"});

    EXPECT_THROW(SettingsTransfer(valtyp()).exportTo(path("missing/folder/Valtyp.xml")),
                 std::exception);
}

TEST_P(SettingsTransferTest, ImportTakesOnlyAnExportOfTheSettingsNode) {
    const QByteArray chainOpen = "<node name=\"com\"><map/><node name=\"belmaro\"><map/>";
    const QByteArray chainClose = "</node></node>\n";
    const QByteArray valtypWith =
        "<node name=\"Valtyp\"><map>"
        "<entry key=\"delay\" value=\"77\"/></map></node>";
    struct Case {
        const char* what;
        QByteArray file;
        const char* refusal;  // part of the message; nullptr: accepted
    };
    const std::vector<Case> cases = {
        {"another tool's export of the node", exportFile(chainOpen + valtypWith + chainClose),
         nullptr},
        {"a system tree of the node", exportFile(chainOpen + valtypWith + chainClose, "system"),
         nullptr},
        {"another program's node",
         exportFile("<node name=\"com\"><map/><node name=\"other\"><map>"
                    "<entry key=\"delay\" value=\"77\"/></map></node></node>\n"),
         "The file holds settings of /com/other, not of /com/belmaro/Valtyp"},
        {"settings of a node above",
         exportFile("<node name=\"com\"><map/><node name=\"belmaro\"><map>"
                    "<entry key=\"k\" value=\"v\"/></map>" +
                    valtypWith + chainClose),
         "The file holds settings of /com/belmaro, not only of /com/belmaro/Valtyp"},
        {"a sibling beside the node",
         exportFile(chainOpen + valtypWith + "<node name=\"Other\"><map/></node>" + chainClose),
         "The file holds settings of /com/belmaro/Other, not of /com/belmaro/Valtyp"},
        {"a node below it",
         exportFile(chainOpen +
                    "<node name=\"Valtyp\"><map/><node name=\"x\"><map/></node></node>" +
                    chainClose),
         "The file holds settings of /com/belmaro/Valtyp/x, not only of /com/belmaro/Valtyp"},
        {"the path stopping short",
         exportFile("<node name=\"com\"><map/><node name=\"belmaro\"><map/></node></node>\n"),
         "The file holds no settings of /com/belmaro/Valtyp"},
        {"keys of the root",
         exportFile("").replace("<map/>", "<map><entry key=\"k\" value=\"v\"/></map>"),
         "The file holds settings of /, not only of /com/belmaro/Valtyp"},
        {"not a preferences export", "<?xml version=\"1.0\"?><settings/>",
         "Not a preferences export"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        valtyp().put("delay", "20");
        valtyp().flush();
        writeFile(path("in.xml"), c.file);
        const QStringList before = snapshot();
        try {
            SettingsTransfer(valtyp()).importFrom(path("in.xml"));
            EXPECT_TRUE(c.refusal == nullptr) << "accepted";
            reopen();
            EXPECT_EQ(valtyp().get("delay"), "77");
        } catch (const std::exception& e) {
            ASSERT_NE(c.refusal, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
            reopen();
            EXPECT_EQ(snapshot(), before);
        }
    }
}

TEST_P(SettingsTransferTest, AMissingFileIsNamedInTheFailure) {
    try {
        SettingsTransfer(valtyp()).importFrom(path("absent.xml"));
        ADD_FAILURE() << "imported a missing file";
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString(e.what()).startsWith(path("absent.xml") + ": ")) << e.what();
    }
}

TEST_P(SettingsTransferTest, TheSharedFileTakesAnImportInOneWriteAllKeysOrNone) {
    if (GetParam() != Backend::SharedFile) GTEST_SKIP() << "the rewrites of the shared file";
    ASSERT_TRUE(ConfigStore::saveConfig(unusualSettings(), valtyp()));
    SettingsTransfer(valtyp()).exportTo(path("Valtyp.xml"));
    const Config other = getDefaultConfig(Instrument::AND);
    ASSERT_TRUE(ConfigStore::saveConfig(other, valtyp()));
    const QByteArray before = fileBytes(backingFile());

    // The disk fills up at the first rewrite of the file: nothing of the import stays.
    int writes = 0;
    {
        ScopedReplaceHook diskFull([&] {
            ++writes;
            throw BackingStoreException("write: No space left on device");
        });
        EXPECT_THROW(SettingsTransfer(valtyp()).importFrom(path("Valtyp.xml")),
                     BackingStoreException);
    }
    EXPECT_EQ(fileBytes(backingFile()), before);
    EXPECT_EQ(valtyp().get("delay"), other.getDelay()) << "nor in the node a later save writes";
    valtyp().flush();
    EXPECT_EQ(fileEntries(backingFile()).value("com.belmaro.Valtyp.delay"), other.getDelay());

    writes = 0;
    {
        ScopedReplaceHook count([&] { ++writes; });
        SettingsTransfer(valtyp()).importFrom(path("Valtyp.xml"));
    }
    EXPECT_EQ(writes, 1);
    reopen();
    EXPECT_FALSE(loaded().hasChanged(unusualSettings()));
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsTransferTest,
                         ::testing::Values(Backend::UserSettings, Backend::SharedFile),
                         backendName);
