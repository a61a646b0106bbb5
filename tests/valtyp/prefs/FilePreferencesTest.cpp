#include "PrefsTestSupport.h"
#include "QtPrinters.h"
#include "valtyp/prefs/PreferencesErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <functional>

namespace {

class FilePreferencesTest : public ::testing::Test {
  protected:
    QString path(const QString& name = QStringLiteral("prefs.txt")) const {
        return dir_.filePath(name);
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(FilePreferencesTest, FileComesFromThePropertyElseDotFileprefsInHome) {
    QLoggingCategory::setFilterRules("valtyp.prefs.debug=true");
    LogCapture log;
    {
        ScopedProperty home("user.home", dir_.path().toStdString());
        ScopedProperty unset(FilePreferencesFactory::SYSTEM_PROPERTY_FILE, std::nullopt);
        FilePreferencesFactory factory;
        EXPECT_EQ(factory.getPreferencesFile(), dir_.filePath(".fileprefs"));
        EXPECT_TRUE(log.contains("Preferences file is " + dir_.filePath(".fileprefs")));
        QLoggingCategory::setFilterRules({});
    }
    {
        ScopedProperty home("user.home", dir_.path().toStdString());
        ScopedProperty empty(FilePreferencesFactory::SYSTEM_PROPERTY_FILE, "");
        FilePreferencesFactory factory;
        EXPECT_EQ(factory.getPreferencesFile(), dir_.filePath(".fileprefs"));
    }
    {
        // A relative path is kept in its absolute form, and kept once resolved.
        ScopedProperty relative(FilePreferencesFactory::SYSTEM_PROPERTY_FILE, "sub/p.txt");
        FilePreferencesFactory factory;
        const QString resolved = factory.getPreferencesFile();
        EXPECT_EQ(resolved, QDir::current().absoluteFilePath("sub/p.txt"));
        ScopedProperty changed(FilePreferencesFactory::SYSTEM_PROPERTY_FILE, "other.txt");
        EXPECT_EQ(factory.getPreferencesFile(), resolved);
    }
}

TEST_F(FilePreferencesTest, PutWritesOneLinePerKeyAndKeepsEveryOtherLine) {
    writeFile(path(),
              "com.belmaro.Valtyp.parity=2\n"
              "com.belmaro.Valtyp.bitRate=3\n"
              "com.belmaro.ValtypOther.bitRate=5\n"
              "com.belmaro.Valtyp.child.bitRate=6\n"
              "rootKey=r\n");
    FileStore store(path());
    store.node("/com/belmaro/Valtyp").put("bitRate", "7");

    const QStringList lines = fileLines(path());
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "#FilePreferences");
    EXPECT_TRUE(lines[1].startsWith(u'#')) << lines[1].toStdString();
    EXPECT_EQ(lines.mid(2),
              QStringList({"com.belmaro.Valtyp.bitRate=7", "com.belmaro.Valtyp.child.bitRate=6",
                           "com.belmaro.Valtyp.parity=2", "com.belmaro.ValtypOther.bitRate=5",
                           "rootKey=r"}));
    EXPECT_EQ(store.root().get("rootKey"), "r");
}

TEST_F(FilePreferencesTest, NodeAndItsChildKeepTheirKeysApart) {
    {
        FileStore store(path());
        store.node("a").put("x", "1");
        store.node("a/b").put("x", "2");
        store.node("a/b").put("y", "3");
        store.root().put("x", "0");
    }
    const Properties entries = fileEntries(path());
    EXPECT_EQ(entries.keys(), QStringList({"a.b.x", "a.b.y", "a.x", "x"}));
    EXPECT_EQ(entries.value("a.x"), "1");
    EXPECT_EQ(entries.value("a.b.x"), "2");

    FileStore again(path());
    EXPECT_EQ(again.node("a").keys(), QStringList({"x"}));
    EXPECT_EQ(again.node("a").get("x"), "1");
    EXPECT_EQ(again.node("a/b").keys(), QStringList({"x", "y"}));
    EXPECT_EQ(again.node("a/b").get("x"), "2");
    EXPECT_EQ(again.root().keys(), QStringList({"x"}));
    // Names the file knows count as children even before they are opened.
    EXPECT_EQ(again.root().childrenNames(), QStringList({"a"}));
    EXPECT_TRUE(again.root().nodeExists("a/b"));
    EXPECT_FALSE(again.root().nodeExists("a/c"));

    again.node("a").remove("x");
    EXPECT_EQ(fileEntries(path()).keys(), QStringList({"a.b.x", "a.b.y", "x"}));
}

TEST_F(FilePreferencesTest, RemovingANodeDropsItsLinesAndItsDescendantsButNotItsSiblings) {
    writeFile(path(),
              "s.own=s\n"
              "s.one.k=1\n"
              "s.one.deep.k=d\n"  // never opened by this process
              "s.onex.k=x\n"
              "s.two.k=2\n");
    FileStore store(path());
    AbstractPreferences& one = store.node("/s/one");
    one.removeNode();
    EXPECT_EQ(fileEntries(path()).keys(), QStringList({"s.onex.k", "s.own", "s.two.k"}));
    EXPECT_EQ(store.node("s").childrenNames(), QStringList({"onex", "two"}));
    EXPECT_FALSE(store.root().nodeExists("s/one"));

    // The removed node stays a valid object that refuses further use.
    EXPECT_THROW(one.get("k"), std::logic_error);
    EXPECT_THROW(one.put("k", "v"), std::logic_error);
    EXPECT_THROW(one.node("deep"), std::logic_error);
    EXPECT_NO_THROW(one.flush());
    EXPECT_FALSE(one.nodeExists(""));
    // A node opened again under the same name starts empty.
    EXPECT_EQ(store.node("s/one").keys(), QStringList());
}

TEST_F(FilePreferencesTest, NewNodeSeesStoredKeysWithoutSyncAndSyncKeepsUnwrittenOnes) {
    QLoggingCategory::setFilterRules("valtyp.prefs.debug=true");
    LogCapture log;
    FileStore writer(path());
    writer.node("/com/belmaro/Valtyp").put("delay", "35");

    FileStore reader(path());
    AbstractPreferences& node = reader.node("/com/belmaro/Valtyp");
    QLoggingCategory::setFilterRules({});
    EXPECT_EQ(node.get("delay"), "35");
    EXPECT_TRUE(log.contains("Instantiating node Valtyp"));

    // Another process changes the file; sync reads it, and keys of this node
    // that the file lacks stay.
    writer.node("/com/belmaro/Valtyp").put("delay", "40");
    writer.node("/com/belmaro/Valtyp").put("sound", "BEEP");
    EXPECT_EQ(node.get("delay"), "35");
    writeFile(path(), fileBytes(path()).replace("com.belmaro.Valtyp.delay=40\n", ""));
    node.sync();
    EXPECT_EQ(node.get("sound"), "BEEP");
    EXPECT_EQ(node.get("delay"), "35");
}

TEST_F(FilePreferencesTest, MissingFoldersAreCreatedOnFirstWrite) {
    const QString deep = path("one/two/three/prefs.txt");
    FileStore store(deep);
    EXPECT_EQ(store.node("x").get("k"), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(deep));
    store.node("x").put("k", "v");
    EXPECT_EQ(fileEntries(deep).value("x.k"), "v");
}

TEST_F(FilePreferencesTest, ADamagedLineIsSkippedAndEveryOtherUsersEntryKept) {
    const QByteArray damaged =
        "#FilePreferences\nstation1.Valtyp.delay=35\ncom.belmaro.Valtyp.bad=\\u12G4\n"
        "com.belmaro.Valtyp.bitRate=7\nstation2.Valtyp.port=/dev/ttyS1\n";
    writeFile(path(), damaged);
    LogCapture log;
    FileStore store(path());
    AbstractPreferences& valtyp = store.node("/com/belmaro/Valtyp");
    EXPECT_EQ(valtyp.get("bitRate"), "7");
    EXPECT_EQ(valtyp.get("bad"), std::nullopt);
    EXPECT_TRUE(log.contains("Malformed \\uXXXX escape in line 3"))
        << log.lines().join('\n').toStdString();

    valtyp.put("parity", "2");
    EXPECT_EQ(fileEntries(path()).keys(),
              QStringList({"com.belmaro.Valtyp.bitRate", "com.belmaro.Valtyp.parity",
                           "station1.Valtyp.delay", "station2.Valtyp.port"}));
    EXPECT_EQ(fileBytes(path() + ".damaged"), damaged);  // the unreadable line, for a human
    EXPECT_TRUE(log.contains("is damaged"));
}

TEST_F(FilePreferencesTest, KeysAndNodeNamesWithADotAreRefused) {
    FileStore store(path());
    AbstractPreferences& valtyp = store.node("/com/belmaro/Valtyp");
    valtyp.put("bitRate", "7");
    const QByteArray before = fileBytes(path());
    const std::string key = "The settings file cannot hold a key containing \".\": ";
    const std::string name = "The settings file cannot hold a node name containing \".\": ";
    struct Case {
        std::function<void()> call;
        std::string message;
    };
    const Case cases[] = {
        {[&] { valtyp.put("my.key", "v"); }, key + "my.key"},
        {[&] {
             valtyp.putAll({{"delay", "35"}, {"a.b", "1"}});
         },
         key + "a.b"},
        {[&] { store.root().node("com.belmaro"); }, name + "com.belmaro"},
        {[&] { store.root().node("/a/b.c/d"); }, name + "b.c"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
    EXPECT_EQ(valtyp.get("delay"), std::nullopt);  // refused as a whole
    EXPECT_EQ(fileBytes(path()), before);
    EXPECT_EQ(store.root().childrenNames(), QStringList({"a", "com"}));
}

TEST_F(FilePreferencesTest, UnreadableFileFailsFlushesButNotPutsOrReads) {
    // A folder where the file should be cannot be read, even by root.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("prefs.txt"));
    LogCapture log;
    FileStore store(path());
    AbstractPreferences& node = store.node("/com/belmaro/Valtyp");
    EXPECT_EQ(node.get("bitRate"), std::nullopt);
    EXPECT_TRUE(log.contains("Unable to read the settings file"));

    node.put("bitRate", "7");
    EXPECT_TRUE(log.contains("Unable to flush after putting bitRate"));
    EXPECT_EQ(node.get("bitRate"), "7");  // kept in memory
    node.remove("bitRate");
    EXPECT_TRUE(log.contains("Unable to flush after removing bitRate"));

    try {
        node.flush();
        FAIL() << "flush of an unreadable file must fail";
    } catch (const BackingStoreException& e) {
        EXPECT_EQ(std::string(e.what()), "read " + path().toStdString() + ": Is a directory");
    }
    EXPECT_THROW(node.removeNode(), BackingStoreException);
}

TEST_F(FilePreferencesTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    FileStore store(path());
    store.node("n").put("k", "old");
    const QByteArray before = fileBytes(path());

    {
        ScopedReplaceHook diskFull(
            [] { throw BackingStoreException("write: No space left on device"); });
        LogCapture log;
        store.node("n").put("k", "new");
        EXPECT_TRUE(log.contains("Unable to flush after putting k"));
        EXPECT_EQ(fileBytes(path()), before);
        EXPECT_FALSE(QFileInfo::exists(path() + ".tmp"));
        EXPECT_THROW(store.node("n").flush(), BackingStoreException);
    }
    EXPECT_EQ(fileBytes(path()), before);
}

TEST_F(FilePreferencesTest, PathsAndLimits) {
    FileStore store(path());
    AbstractPreferences& root = store.root();
    AbstractPreferences& deep = root.node("a/b/c");
    EXPECT_EQ(&root.node("/a/b/c"), &deep);
    EXPECT_EQ(&root.node("a").node("b/c"), &deep);
    EXPECT_EQ(&deep.node("/"), &root);
    EXPECT_EQ(&deep.node(""), &deep);
    EXPECT_EQ(deep.absolutePath(), "/a/b/c");
    EXPECT_EQ(deep.name(), "c");
    EXPECT_EQ(root.absolutePath(), "/");
    EXPECT_EQ(static_cast<FilePreferences&>(deep).getPath(), "a.b.c.");
    EXPECT_EQ(static_cast<FilePreferences&>(root).getPath(), "");

    EXPECT_THROW(root.node("a//b"), std::invalid_argument);
    EXPECT_THROW(root.node("a/"), std::invalid_argument);
    EXPECT_THROW(root.node("//a"), std::invalid_argument);
    EXPECT_THROW(root.node(QString(81, u'n')), std::invalid_argument);
    EXPECT_NO_THROW(root.node(QString(80, u'n')));
    EXPECT_THROW(root.removeNode(), std::logic_error);
    EXPECT_THROW(deep.put(QString(81, u'k'), "v"), std::invalid_argument);
    EXPECT_THROW(deep.put("k", QString(8193, u'v')), std::invalid_argument);
    EXPECT_NO_THROW(deep.put("k", QString(8192, u'v')));
}
