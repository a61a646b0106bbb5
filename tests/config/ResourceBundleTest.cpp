#include "config/BundleKeys.h"
#include "config/ResourceBundle.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <future>
#include <vector>

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("Bundle.properties"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

}  // namespace

TEST(ResourceBundle, EveryListedKeyHasATextInItsBundle) {
    for (const auto& list : BundleKeys::all) {
        const ResourceBundle& bundle = ResourceBundle::getBundle(qs(list.baseName));
        EXPECT_EQ(bundle.baseName(), qs(list.baseName));
        QSet<QString> seen;
        for (std::string_view key : list.keys) {
            EXPECT_FALSE(seen.contains(qs(key))) << "listed twice: " << key;
            seen.insert(qs(key));
            ASSERT_TRUE(bundle.containsKey(qs(key))) << list.baseName << " lacks " << key;
            EXPECT_FALSE(bundle.getString(qs(key)).trimmed().isEmpty())
                << list.baseName << " has no text for " << key;
        }
    }
}

TEST(ResourceBundle, IsLoadedOncePerProcessFromAnyThread) {
    const QString name = qs(BundleKeys::configBundleName);
    std::vector<std::future<const ResourceBundle*>> lookups;
    for (int i = 0; i < 8; ++i) {
        lookups.push_back(
            std::async(std::launch::async, [&name] { return &ResourceBundle::getBundle(name); }));
    }
    const ResourceBundle* first = &ResourceBundle::getBundle(name);
    for (auto& lookup : lookups) EXPECT_EQ(lookup.get(), first);
    EXPECT_NE(&ResourceBundle::getBundle(qs(BundleKeys::workerBundleName)), first);
}

TEST(ResourceBundle, MissingKeyNamesKeyAndBundle) {
    const ResourceBundle& worker = ResourceBundle::getBundle("valtyp.worker.WorkerBundle");
    try {
        (void)worker.getString("no_such_key");
        FAIL() << "no error for a missing key";
    } catch (const MissingResourceException& e) {
        EXPECT_STREQ(e.what(),
                     "Can't find resource for bundle valtyp.worker.WorkerBundle, key no_such_key");
        EXPECT_EQ(e.bundleName(), "valtyp.worker.WorkerBundle");
        EXPECT_EQ(e.key(), "no_such_key");
    }
    EXPECT_FALSE(worker.containsKey("no_such_key"));
}

TEST(ResourceBundle, UnknownBaseNameIsAMissingBundle) {
    for (const char* name : {"valtyp.NoSuchBundle", "valtyp/Valtyp", ""}) {
        try {
            (void)ResourceBundle::getBundle(name);
            FAIL() << "no error for " << name;
        } catch (const MissingResourceException& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(
                QStringLiteral("Can't find bundle for base name %1").arg(name)))
                << e.what();
            EXPECT_TRUE(e.key().isEmpty());
        }
    }
}

TEST(ResourceBundle, LoadsFromAFileForTests) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, "# test\nhello = Hello\\, operator\nempty=\n");
    const ResourceBundle bundle = ResourceBundle::fromFile("valtyp.Test", path);
    EXPECT_EQ(bundle.baseName(), "valtyp.Test");
    EXPECT_EQ(bundle.getString("hello"), "Hello, operator");
    EXPECT_EQ(bundle.getString("empty"), QString());
    EXPECT_EQ(bundle.keys(), (QStringList{"empty", "hello"}));
}

TEST(ResourceBundle, DamagedOrAbsentFileFails) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString damaged = writeFile(dir, "good=1\nbad=\\uXYZW\n");
    try {
        (void)ResourceBundle::fromFile("valtyp.Valtyp", damaged);
        FAIL() << "no error for a damaged bundle";
    } catch (const std::invalid_argument& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(
            "Damaged bundle valtyp.Valtyp: Malformed \\uXXXX escape in line 2"))
            << e.what();
    }
    EXPECT_THROW((void)ResourceBundle::fromFile("valtyp.Valtyp", dir.filePath("absent.properties")),
                 MissingResourceException);
}
