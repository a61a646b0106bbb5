#include "BackendFixture.h"
#include "QtPrinters.h"
#include "valtyp/prefs/PreferencesErrors.h"
#include "valtyp/prefs/PreferencesXml.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

QByteArray exported(AbstractPreferences& node) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    node.exportNode(buffer);
    return bytes;
}

// An export in the common layout, as another tool writes it.
QByteArray preferencesFile(const QByteArray& nodes, const QByteArray& prolog = {}) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n" +
           (prolog.isEmpty()
                ? QByteArray(
                      "<!DOCTYPE preferences SYSTEM \"http://java.sun.com/dtd/preferences.dtd\">\n")
                : prolog) +
           "<preferences EXTERNAL_XML_VERSION=\"1.0\">\n<root type=\"user\">\n<map/>\n" + nodes +
           "</root>\n</preferences>\n";
}

// The Valtyp node with the given map content.
QByteArray valtypNode(const QByteArray& mapContent) {
    return "<node name=\"com\"><map/><node name=\"belmaro\"><map/><node name=\"Valtyp\">\n<map>\n" +
           mapContent + "</map>\n</node></node></node>\n";
}

class FailingDevice : public QIODevice {
  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override {
        setErrorString("No space left on device");
        return -1;
    }
};

class XmlExportImport : public BackendTest {
  protected:
    void import(const QByteArray& bytes) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        PreferencesXml::importPreferences(buffer, root(), root());
    }

    // The import must be refused with a message holding `expected`, storing nothing.
    void expectRefused(const QByteArray& bytes, const std::string& expected) {
        const QStringList before = snapshot();
        try {
            import(bytes);
            ADD_FAILURE() << "accepted a file that should be refused: " << expected;
        } catch (const InvalidPreferencesFormatException& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_EQ(snapshot(), before);
        reopen();
        EXPECT_EQ(snapshot(), before) << "the stored file changed";
    }

    AbstractPreferences& valtyp() { return root().node("/com/belmaro/Valtyp"); }
};

}  // namespace

TEST_P(XmlExportImport, ExportWritesTheCommonLayoutDownToTheNode) {
    valtyp().put("bitRate", "7");
    valtyp().put("removeCharacters", "<a & \"b\">");
    root()
        .node("/com/belmaro/Valtyp/child")
        .put("ignored", "x");                 // a child is not part of the export
    root().node("/com").put("ignored", "x");  // nor are the ancestors' keys

    EXPECT_EQ(
        QString::fromUtf8(exported(valtyp())),
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<!DOCTYPE preferences SYSTEM \"http://java.sun.com/dtd/preferences.dtd\">\n"
        "<preferences EXTERNAL_XML_VERSION=\"1.0\">\n"
        "  <root type=\"user\">\n"
        "    <map/>\n"
        "    <node name=\"com\">\n"
        "      <map/>\n"
        "      <node name=\"belmaro\">\n"
        "        <map/>\n"
        "        <node name=\"Valtyp\">\n"
        "          <map>\n"
        "            <entry key=\"bitRate\" value=\"7\"/>\n"
        "            <entry key=\"removeCharacters\" value=\"&lt;a &amp; &quot;b&quot;&gt;\"/>\n"
        "          </map>\n"
        "        </node>\n"
        "      </node>\n"
        "    </node>\n"
        "  </root>\n"
        "</preferences>\n");
}

TEST_P(XmlExportImport, ExportThenImportRestoresEveryValue) {
    const QStringList values = {
        "",
        "  leading and trailing  ",
        "a, b",
        "@Variant(x)",
        "back\\slash/and%25",
        "line\nbreak\r\tand tab",
        "<&>\"'",
        QString::fromUtf8("\u00fc\u20ac\U0001F600"),
    };
    for (int i = 0; i < values.size(); ++i) valtyp().put(QStringLiteral("key%1").arg(i), values[i]);
    valtyp().put("key/with\\separators", "v");
    valtyp().flush();
    const QByteArray file = exported(valtyp());
    const QStringList before = snapshot();

    root().node("/com").removeNode();
    root().flush();
    reopen();
    ASSERT_FALSE(root().nodeExists("/com/belmaro/Valtyp"));
    import(file);
    valtyp().flush();
    reopen();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(exported(valtyp()), file);
}

TEST_P(XmlExportImport, ImportSetsOnlyTheEntriesTheFileHolds) {
    valtyp().put("bitRate", "7");
    valtyp().put("delay", "20");
    valtyp().put("sound", "NONE");
    root().node("/other").put("k", "v");

    // Comments and another tool's spacing are fine; "system" trees land in the one tree.
    import(
        preferencesFile(valtypNode("<!-- two settings -->\n<entry key=\"delay\" value=\"35\" />\n"
                                   "<entry key=\"parity\" value=\"2\"></entry>\n")));
    EXPECT_EQ(valtyp().get("bitRate"), "7");
    EXPECT_EQ(valtyp().get("delay"), "35");
    EXPECT_EQ(valtyp().get("sound"), "NONE");
    EXPECT_EQ(valtyp().get("parity"), "2");
    EXPECT_EQ(root().node("/other").get("k"), "v");

    QByteArray systemTree = preferencesFile(valtypNode("<entry key=\"sound\" value=\"COWBELL\"/>"));
    systemTree.replace("type=\"user\"", "type=\"system\"");
    import(systemTree);
    EXPECT_EQ(valtyp().get("sound"), "COWBELL");
}

TEST_P(XmlExportImport, RefusesFilesThatAreNotSettingsExportsAndStoresNothing) {
    valtyp().put("bitRate", "7");
    valtyp().flush();
    const QByteArray goodEntry = "<entry key=\"bitRate\" value=\"3\"/>\n";

    expectRefused("", "Malformed XML at line 1");
    expectRefused(preferencesFile(valtypNode(goodEntry)).replace("</map>", "</mop>"),
                  "Malformed XML at line");
    expectRefused(preferencesFile(valtypNode(goodEntry)).append("<more/>"), "Malformed XML");
    expectRefused("<?xml version=\"1.0\"?><settings><root type=\"user\"/></settings>",
                  "Not a preferences export: the root element is <settings>, not <preferences>");
    expectRefused(preferencesFile(valtypNode(goodEntry))
                      .replace("<!DOCTYPE preferences", "<!DOCTYPE settings"),
                  "Not a preferences export: the document type is settings");
    expectRefused("<preferences EXTERNAL_XML_VERSION=\"1.0\"/>", "<preferences> holds no <root>");
    expectRefused(preferencesFile(valtypNode(goodEntry)).replace("type=\"user\"", "type=\"admin\""),
                  "<root> must have the type \"user\" or \"system\"");
    expectRefused(preferencesFile(valtypNode(goodEntry)).replace("\"1.0\">", "\"2.0\">"),
                  "format version 2.0 is not supported");
    expectRefused(preferencesFile(valtypNode(goodEntry + "<entry key=\"delay\"/>\n")),
                  "<entry> lacks the attribute value");
    expectRefused(preferencesFile(valtypNode(goodEntry + "<value>1</value>\n")),
                  "Unexpected element <value> in <map>");
    expectRefused(preferencesFile(valtypNode(goodEntry) + "<node name=\"a/b\"><map/></node>\n"),
                  "Invalid node name \"a/b\"");
    expectRefused(preferencesFile(valtypNode(goodEntry) + "stray text\n"),
                  "Unexpected text \"stray text\"");
    expectRefused(preferencesFile(valtypNode(goodEntry + "<entry key=\"k\" value=\"" +
                                             QByteArray(8193, 'v') + "\"/>\n")),
                  "Value too long for key k");

    QByteArray deep;
    for (int i = 0; i < 100; ++i) deep += "<node name=\"n\">";
    for (int i = 0; i < 100; ++i) deep += "</node>";
    expectRefused(preferencesFile(valtypNode(goodEntry) + deep), "Nodes nested too deeply");
}

TEST_P(XmlExportImport, DottedNamesAreRefusedWhereTheStoreCannotHoldThem) {
    valtyp().put("bitRate", "7");
    valtyp().flush();
    const QByteArray goodEntry = "<entry key=\"bitRate\" value=\"3\"/>\n";
    const QByteArray dottedKey =
        preferencesFile(valtypNode(goodEntry + "<entry key=\"my.key\" value=\"1\"/>\n"));
    const QByteArray dottedNode =
        preferencesFile(valtypNode(goodEntry) +
                        "<node name=\"com.belmaro\"><map><entry key=\"k\" value=\"v\"/></map>"
                        "</node>\n");
    if (GetParam() == Backend::SharedFile) {
        expectRefused(dottedKey, "The settings file cannot hold a key containing \".\": my.key");
        expectRefused(dottedNode,
                      "The settings file cannot hold a node name containing \".\": com.belmaro");
    } else {
        import(dottedKey);
        EXPECT_EQ(valtyp().get("my.key"), "1");
        EXPECT_EQ(valtyp().get("bitRate"), "3");
    }
}

TEST_P(XmlExportImport, RefusesEntityTricksAndOversizedFiles) {
    valtyp().put("bitRate", "7");
    valtyp().flush();

    QByteArray laughs = "<!DOCTYPE preferences [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += QStringLiteral("<!ENTITY lol%1 \"").arg(i).toLatin1();
        for (int j = 0; j < 10; ++j) laughs += QStringLiteral("&lol%1;").arg(i - 1).toLatin1();
        laughs += "\">\n";
    }
    laughs += "]>\n";
    expectRefused(
        preferencesFile(valtypNode("<entry key=\"bitRate\" value=\"&lol9;\"/>\n"), laughs),
        "Entity declarations are not allowed");

    expectRefused(
        preferencesFile(valtypNode("<entry key=\"bitRate\" value=\"&x;\"/>\n"),
                        "<!DOCTYPE preferences [ <!ENTITY x SYSTEM \"file:///etc/passwd\"> ]>\n"),
        "Entity declarations are not allowed");
    expectRefused(preferencesFile(valtypNode("<entry key=\"bitRate\" value=\"3\"/>&undeclared;\n")),
                  "Undeclared entity &undeclared;");

    // Well-formed but padded past the limit: refused by its size alone.
    const QByteArray padding = "<!--" + QByteArray(PreferencesXml::maxImportBytes, ' ') + "-->\n";
    expectRefused(preferencesFile(valtypNode("<entry key=\"bitRate\" value=\"3\"/>\n" + padding)),
                  "The file is larger than 1048576 bytes");
    // Just under the limit is read.
    QByteArray fits = preferencesFile(valtypNode("<entry key=\"bitRate\" value=\"3\"/>\n"));
    fits.insert(fits.indexOf("<preferences"),
                "<!--" + QByteArray(PreferencesXml::maxImportBytes - fits.size() - 7, ' ') + "-->");
    ASSERT_EQ(fits.size(), PreferencesXml::maxImportBytes);
    import(fits);
    EXPECT_EQ(valtyp().get("bitRate"), "3");
}

TEST_P(XmlExportImport, ExportFailuresAreReported) {
    valtyp().put("control", QStringLiteral("a\x01z"));
    try {
        exported(valtyp());
        FAIL() << "a control character was exported";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(),
                     "The value of \"control\" holds a character that XML cannot represent");
    }

    valtyp().remove("control");
    FailingDevice device;
    device.open(QIODevice::WriteOnly);
    try {
        valtyp().exportNode(device);
        FAIL() << "a failing device went unnoticed";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Unable to write the export: No space left on device");
    }

    AbstractPreferences& gone = root().node("/gone");
    gone.removeNode();
    EXPECT_THROW(exported(gone), std::logic_error);
}

INSTANTIATE_TEST_SUITE_P(Stores, XmlExportImport,
                         ::testing::Values(Backend::UserSettings, Backend::SharedFile),
                         backendName);
