// The update check: version comparison, the tag lookup, and the whole check
// against an HTTPS server of the test's own.

#include "FrameFixture.h"
#include "PseudoTerminal.h"
#include "TestHttpsServer.h"

#include "valtyp/Texts.h"
#include "valtyp/util/ReadRemoteUpdate.h"
#include "valtyp/util/UpdateWorker.h"
#include "valtyp/util/UpdateWorkerView.h"

#include <QElapsedTimer>
#include <QLabel>

using Texts::text;

namespace {

struct Comparison {
    const char* remote;
    const char* current;
    bool newer;
};

// What the view is told, in order.
class StatusLine : public UpdateWorkerView {
  public:
    void setText(const QString& text) override { texts << text; }
    QStringList texts;
};

QByteArray document(const char* tags) {
    return QByteArray("<?xml version=\"1.0\"?>\n<valtyp>\n") + tags + "\n</valtyp>\n";
}

const QByteArray regularNewer =
    document("<version2_en>2017.1.4.0</version2_en><date_en>20180105</date_en>");

}  // namespace

TEST(ReadRemoteUpdate, CompareVersionsFollowsTheDottedRules) {
    const Comparison cases[] = {
        {"2017.1.4.0", "2017.1.3.5", true},
        {"2017.1.3.5", "2017.1.3.5", false},
        {"2016.9.9.9", "2017.1.3.5", false},
        {"2017.1.3.10", "2017.1.3.5", true},  // numbers, not text
        {"2017.1.3.4", "2017.1.3.10", false},
        {"2018.0.0.0", "2017.9.9.9", true},  // the first difference decides
        {"2017.0.9.9", "2017.1.0.0", false},
        {"2017.2", "2017.1.3.5", false},  // one dot: both as numbers; current is none
        {"2017.2", "2017.1", true},
        {"2017.1", "2017.2", false},
        {"2018", "2017.5", true},
        {"2017.1.3", "2017.1.3.5", false},  // too few components
        {"2017.1.3.5", "2017.1", true},     // current has at most one dot
        {"2017.1.3.x", "2017.1.3.5", false},
        {"2017.1.3.5.1", "2017.1.3.5", false},  // the rest after the third dot is no number
        {"", "2017.1.3.5", false},
        {"2017.1.4.0", "", false},
        {"abc", "2017.1.3.5", false},
    };
    for (const Comparison& c : cases) {
        EXPECT_EQ(ReadRemoteUpdate::compareVersions(c.remote, c.current), c.newer)
            << c.remote << " against " << c.current;
    }
}

TEST(ReadRemoteUpdate, TagsAreFoundByTextPerEdition) {
    struct Case {
        const char* content;
        const char* edition;
        const char* version;
        QDate date;
    };
    const Case cases[] = {
        {"<version2_en>2017.1.4.0</version2_en><date_en>20180105</date_en>", "", "2017.1.4.0",
         QDate(2018, 1, 5)},
        {"x<version2_en>1.2.3.4</version2_en> <version2_en>9.9.9.9</version2_en>",
         "",
         "1.2.3.4",
         {}},
        {"<version2_hub_en>2017.2.0.0</version2_hub_en><date_hub_en>20180201</date_hub_en>"
         "<version2_en>2017.1.4.0</version2_en>",
         "HUB", "2017.2.0.0", QDate(2018, 2, 1)},
        {"<version2_en>2017.1.4.0</version2_en><date_en>20180105</date_en>", "HUB", "", {}},
        {"<version2_hub_en>2017.2.0.0</version2_hub_en>", "", "", {}},
        {"</version2_en>2017.1.4.0<version2_en>", "", "", {}},  // closing tag first
        {"<version2_en>2017.1.4.0", "", "", {}},                // never closed
        {"<version2_de>2017.1.4.0</version2_de>", "", "", {}},  // another language
        {"<version2_en>1.0.0.0</version2_en><date_en>2018-01-05</date_en>", "", "1.0.0.0", {}},
    };
    for (const Case& c : cases) {
        const ReadRemoteUpdate read =
            ReadRemoteUpdate::fromContent(c.content, "2017.1.3.5", "en", c.edition);
        EXPECT_EQ(read.getRemoteVersion(), c.version) << c.content << " / " << c.edition;
        EXPECT_EQ(read.getRemoteReleaseDate(), c.date) << c.content;
    }
    const ReadRemoteUpdate read = ReadRemoteUpdate::fromContent(
        "<a_fr>un</a_fr><a_en>one</a_en><b_en></b_en>", "1", "en", "");
    EXPECT_EQ(read.findXML("a", "en"), "one");
    EXPECT_EQ(read.findXML("a", "fr"), "un");
    EXPECT_EQ(read.findXML("b", "en"), "");
}

TEST(UpdateWorker, ChecksAgainstAnHttpsServerAndSaysOnlyTheKnownTexts) {
    widgetApp();
    struct Case {
        const char* name;
        int status;
        QByteArray body;
        const char* edition;
        const TestHttpsServer::Identity* identity;
        const char* finalKey;
    };
    const QByteArray hubNewer = document(
        "<version2_en>2017.1.3.5</version2_en><version2_hub_en>2017.1.4.0</version2_hub_en>");
    const QByteArray padding(ReadRemoteUpdate::maxContentBytes - regularNewer.size(), ' ');
    const TestHttpsServer::Identity* trusted = &TestHttpsServer::trusted();
    const Case cases[] = {
        {"newer", 200, regularNewer, "", trusted, "update.available"},
        {"same", 200, document("<version2_en>2017.1.3.5</version2_en>"), "", trusted,
         "VideriRaZivFrame2.statusJLabel.text"},
        {"older", 200, document("<version2_en>2016.9.9.9</version2_en>"), "", trusted,
         "VideriRaZivFrame2.statusJLabel.text"},
        {"no tags", 200, "<html>a portal page</html>", "", trusted,
         "VideriRaZivFrame2.statusJLabel.text"},
        {"hub newer", 200, hubNewer, "HUB", trusted, "update.available.hub"},
        {"hub reads only its tags", 200, regularNewer, "HUB", trusted,
         "VideriRaZivFrame2.statusJLabel.text"},
        {"regular ignores hub tags", 200, hubNewer, "", trusted,
         "VideriRaZivFrame2.statusJLabel.text"},
        {"exactly the limit", 200, regularNewer + padding, "", trusted, "update.available"},
        {"over the limit", 200, regularNewer + padding + ' ', "", trusted, "update.check.failed"},
        {"not found", 404, regularNewer, "", trusted, "update.check.failed"},
        {"untrusted certificate", 200, regularNewer, "", &TestHttpsServer::stranger(),
         "update.check.failed"},
    };
    for (const Case& c : cases) {
        TestHttpsServer server(*c.identity);
        server.answer(c.status, c.body);
        StatusLine line;
        UpdateWorker worker(line, {server.url(),
                                   "2017.1.3.5",
                                   "en",
                                   c.edition,
                                   {TestHttpsServer::trusted().certificate}});
        worker.execute();
        ASSERT_TRUE(processUntil([&] { return worker.isDone(); }, 20000)) << c.name;
        EXPECT_EQ(line.texts, (QStringList{text("checking.for.update"), text(c.finalKey)}))
            << c.name;
        EXPECT_EQ(server.requests(), c.identity == trusted ? 1 : 0) << c.name;
    }
}

TEST(UpdateWorker, RefusesAddressesThatAreNotHttps) {
    widgetApp();
    for (const char* address : {"http://127.0.0.1:1/version.xml", "file:///etc/hostname", ""}) {
        StatusLine line;
        UpdateWorker worker(line, {address, "2017.1.3.5", "en", "", {}});
        worker.execute();
        ASSERT_TRUE(processUntil([&] { return worker.isDone(); }));
        EXPECT_EQ(line.texts.value(1), text("update.check.failed")) << address;
        EXPECT_FALSE(worker.getUpdate().has_value());
    }
}

TEST(UpdateWorker, AServerThatAcceptsButNeverAnswersFailsAfterTheTimeOut) {
    widgetApp();
    TestHttpsServer server;
    server.silent();
    StatusLine line;
    UpdateWorker worker(
        line, {server.url(), "2017.1.3.5", "en", "", {TestHttpsServer::trusted().certificate}});
    QElapsedTimer waited;
    waited.start();
    worker.execute();
    ASSERT_TRUE(processUntil([&] { return worker.isDone(); }, 20000));
    EXPECT_EQ(line.texts, (QStringList{text("checking.for.update"), text("update.check.failed")}));
    EXPECT_EQ(server.requests(), 1) << "the request got through; the answer never came";
    EXPECT_GE(waited.elapsed(), ReadRemoteUpdate::readTimeoutMs - 500);
}

class UpdateCheckInWindow : public FrameTest {
  protected:
    FrameServices services() override {
        FrameServices s = FrameTest::services();
        s.updateCheck = [](UpdateWorkerView& view) {
            UpdateWorker::Settings settings = UpdateWorker::programSettings();
            settings.extraCaCertificates = {TestHttpsServer::trusted().certificate};
            return std::make_unique<UpdateWorker>(view, settings);
        };
        return s;
    }
};

TEST_F(UpdateCheckInWindow,
       RunsOnlyWhenTheDrawIsZeroAndTheFlagIsSetAndShowsTheResultInTheStatusLine) {
    PseudoTerminal line;
    TestHttpsServer server;
    server.answer(200, regularNewer);
    const ScopedEnv address("VALTYP_UPDATE_URL", server.url().toLatin1());
    auto status = [&] { return child<QLabel>("statusJLabel")->text(); };
    for (int draw : {1, 2, 3, 0}) {
        draws = {draw};
        open({line.portPath()});
        EXPECT_TRUE(draws.empty()) << "one draw per start";
        if (draw == 0) {
            EXPECT_TRUE(processUntil([&] { return status() == text("update.available"); }))
                << status().toStdString();
        }
        EXPECT_EQ(server.requests(), draw == 0 ? 1 : 0) << draw;
        frame.reset();
    }
    store("checkForUpdates", "false");
    draws = {0};
    open({line.portPath()});
    EXPECT_EQ(draws.size(), 1u) << "no draw at all with the check switched off";
    QCoreApplication::processEvents();
    EXPECT_EQ(status(), text("VideriRaZivFrame2.statusJLabel.text"));
    EXPECT_EQ(server.requests(), 1);
}

TEST_F(UpdateCheckInWindow, ClosingTheWindowDuringACheckEndsItAtOnce) {
    PseudoTerminal line;
    TestHttpsServer server;
    server.silent();
    const ScopedEnv address("VALTYP_UPDATE_URL", server.url().toLatin1());
    draws = {0};
    open({line.portPath()});
    ASSERT_TRUE(processUntil([&] { return server.requests() == 1; }));
    QElapsedTimer closing;
    closing.start();
    frame.reset();
    EXPECT_LT(closing.elapsed(), ReadRemoteUpdate::readTimeoutMs / 2)
        << "the window waited for the network";
}
