#include "BackendFixture.h"
#include "QtPrinters.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

class StoreTree : public BackendTest {};

}  // namespace

TEST_P(StoreTree, FlushedKeysSurviveTheNextStartAndRemovalKeepsSiblings) {
    root().node("a").put("x", "1");
    root().node("a/b").put("x", "2");
    root().node("a/c").put("x", "3");
    root().node("a/b/d").put("y", "4");
    root().put("top", "t");
    root().flush();
    reopen();
    EXPECT_EQ(snapshot(), QStringList({"/ top=t", "/a x=1", "/a/b x=2", "/a/b/d y=4", "/a/c x=3"}));
    EXPECT_EQ(root().node("a").childrenNames(), QStringList({"b", "c"}));

    root().node("a/b").removeNode();
    root().flush();
    reopen();
    EXPECT_EQ(snapshot(), QStringList({"/ top=t", "/a x=1", "/a/c x=3"}));
    EXPECT_FALSE(root().nodeExists("/a/b/d"));

    root().node("a").remove("x");
    root().flush();
    reopen();
    EXPECT_EQ(snapshot(), QStringList({"/ top=t", "/a/c x=3"}));
}

TEST_P(StoreTree, SyncReadsWhatAnotherWriterFlushed) {
    AbstractPreferences& mine = root().node("/com/belmaro/Valtyp");
    mine.put("delay", "20");
    mine.flush();

    // Another process (another user of the shared file) writes; a longer
    // value, so that the file differs in size as well as in time.
    const int status = runInChild([this] {
        reopen();
        root().node("/com/belmaro/Valtyp").put("delay", "500");
        root().flush();
        return 0;
    });
    ASSERT_TRUE(exitedWith(status, 0)) << status;
    EXPECT_EQ(mine.get("delay"), "20");
    mine.sync();
    EXPECT_EQ(mine.get("delay"), "500");
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreTree,
                         ::testing::Values(Backend::UserSettings, Backend::SharedFile),
                         backendName);

TEST(UserSettingsStore, LivesInTheUsersConfigurationFolderAsNestedGroups) {
    QTemporaryDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path().toUtf8());
    SettingsPreferencesFactory factory;
    const QString file = dir.filePath("Belmaro/Valtyp.conf");
    EXPECT_EQ(factory.fileName(), file);

    AbstractPreferences& node = factory.userRoot().node("/com/belmaro/Valtyp");
    node.put("bitRate", "7");
    node.put("a/b\\c%d", "slashes stay in the key");
    node.flush();

    QSettings written(file, QSettings::IniFormat);
    EXPECT_EQ(written.value("com/belmaro/Valtyp/bitRate").toString(), "7");
    written.beginGroup("com/belmaro/Valtyp");
    EXPECT_TRUE(written.childGroups().isEmpty()) << "a key's slash became a group";
    written.endGroup();
    EXPECT_EQ(node.keys(), QStringList({"a/b\\c%d", "bitRate"}));
    EXPECT_EQ(node.get("a/b\\c%d"), "slashes stay in the key");
}

TEST(UserSettingsStore, HandEditedListValueReadsAsText) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Valtyp.conf");
    writeFile(file, "[com]\nbelmaro\\Valtyp\\removeCharacters=a, b\n");
    SettingsPreferencesFactory factory(file);
    EXPECT_EQ(factory.userRoot().node("/com/belmaro/Valtyp").get("removeCharacters"), "a, b");
}
