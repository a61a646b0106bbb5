// Web links: the link form of label texts, opening only web addresses, the
// clickable status line and the about tab.

#include "FrameFixture.h"
#include "PseudoTerminal.h"

#include "Serialio/SystemProperties.h"
#include "valtyp/Texts.h"
#include "valtyp/util/JLabelHtml.h"
#include "valtyp/util/LinkRunner.h"
#include "valtyp/util/OpenHyperlinkInBrowser.h"

#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>

#include <sys/utsname.h>

using namespace OpenHyperlinkInBrowser;

namespace {

void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

const QString failureText = QString::fromLatin1(LinkRunner::failureText);

}  // namespace

TEST(OpenHyperlinkInBrowser, LinkFormHelpers) {
    const QString link = R"(<html><a href="https://example.org/a">here</a></html>)";
    EXPECT_TRUE(containsHyperlink(link));
    for (const QString& missing :
         {QString(R"(<a href="https://example.org/a">here</a></html>)"),
          QString(R"(<html><a href="https://example.org/a">here</a>)"),
          QString(R"(<html><a href=https://example.org/a">here</a></html>)"),
          QString(R"(<html><a href="https://example.org/a>here</a></html>)"),
          QString("plain text")}) {
        EXPECT_FALSE(containsHyperlink(missing)) << missing.toStdString();
    }
    EXPECT_EQ(getPlainLink(link), "https://example.org/a");
    EXPECT_EQ(
        getPlainLink(R"(x">y<a href="https://a.example/">a</a><a href="https://b.example/">)"),
        "https://a.example/")
        << "the first anchor, up to the close that follows it";
    EXPECT_EQ(getPlainLink("no anchor"), "");
    EXPECT_EQ(htmlIfy("text"), "<html>text</html>");
    EXPECT_EQ(linkIfy("https://example.org/"),
              R"(<a href="https://example.org/">https://example.org/</a>)");
    EXPECT_TRUE(containsHyperlink(htmlIfy(linkIfy("https://example.org/"))));
    EXPECT_EQ(getPlainLink(htmlIfy(linkIfy("https://example.org/"))), "https://example.org/");
}

TEST(OpenHyperlinkInBrowser, OpensOnlyWebAddressesAndReportsAFailure) {
    widgetApp();
    struct Case {
        const char* address;
        bool browserWorks;
        bool opened;  // handed to the browser
        bool failureShown;
    };
    const Case cases[] = {
        {"https://example.org/download", true, true, false},
        {"http://example.org/", true, true, false},
        {"https://example.org/", false, true, true},
        {"file:///usr/bin/xterm", true, false, true},
        {"javascript:alert(1)", true, false, true},
        {"/usr/bin/xterm", true, false, true},
        {"", true, false, true},
    };
    for (const Case& c : cases) {
        RecordingBrowser browser;
        browser.works = c.browserWorks;
        ScriptedDialogs dialogs;
        openHyperlink(c.address, dialogs, browser.opener());
        ASSERT_TRUE(processUntil([&] {
            return !dialogs.shown.empty() || !browser.opened().empty();
        })) << c.address;
        QCoreApplication::processEvents();  // the runner's end, and its deletion
        QCoreApplication::processEvents();
        EXPECT_EQ(browser.opened(),
                  c.opened ? std::vector<QUrl>{QUrl(c.address)} : std::vector<QUrl>{})
            << c.address;
        ASSERT_EQ(dialogs.shown.size(), c.failureShown ? 1u : 0u) << c.address;
        if (c.failureShown) {
            EXPECT_EQ(dialogs.shown[0].kind, "error");
            EXPECT_EQ(dialogs.shown[0].title, "A problem occured");
            EXPECT_EQ(dialogs.shown[0].text, failureText);
        }
    }
}

TEST(JLabelHtml, AClickOpensTheLinkOfItsCurrentTextOnlyWhereBrowsingIsSupported) {
    widgetApp();
    QStringList opened;
    JLabelHtml label([&](const QString& address) { opened << address; });
    label.resize(200, 20);
    label.setText("Values received: 3");
    click(&label);
    EXPECT_TRUE(opened.isEmpty()) << "a plain message is no link";
    label.setText(htmlIfy(linkIfy("https://example.org/new")));
    click(&label);
    EXPECT_EQ(opened, QStringList{"https://example.org/new"});

    QLabel address("https://example.org/page");
    LinkMouseListener listener([&](const QString& a) { opened << a; });
    makeLinkable(address, &listener);
    EXPECT_EQ(address.text(), htmlIfy(linkIfy("https://example.org/page")));
    click(&address);
    EXPECT_EQ(opened.last(), "https://example.org/page");

    JLabelHtml plain{{}};
    plain.resize(200, 20);
    plain.setText(htmlIfy(linkIfy("https://example.org/new")));
    click(&plain);
    EXPECT_EQ(opened.size(), 2) << "without a browser nothing is opened";
}

TEST_F(FrameTest, StatusLineOpensTheDownloadLinkOfTheUpdateText) {
    PseudoTerminal line;
    open({line.portPath()});
    frame->setText(Texts::text("update.available"));
    click(child<QLabel>("statusJLabel"));
    ASSERT_TRUE(processUntil([&] { return !browser->opened().empty(); }));
    EXPECT_EQ(browser->opened()[0].toString(), getPlainLink(Texts::text("update.available")));
    EXPECT_EQ(browser->opened()[0].scheme(), "https");
}

TEST_F(FrameTest, AboutTabStartsWithTheVersionLineOfItsEditionAndOpensItsLinks) {
    PseudoTerminal line;
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    const QString arch = QString::fromLatin1(system.machine);
    for (const char* edition : {"", "HUB"}) {
        const ScopedEnv programData("ProgramData", dir.path().toLocal8Bit());
        ASSERT_TRUE(QDir().mkpath(dir.filePath("Belmaro/ValtypHUB")));
        if (*edition) Serialio::SystemProperties::set("EDITION", edition);
        open({line.portPath()});
        Serialio::SystemProperties::clear("EDITION");
        auto* pane = child<QTextBrowser>("aboutPane");
        ASSERT_NE(pane, nullptr);
        const QString expected = *edition ? "Version 2017.1.3.5 HUB EN Linux " + arch
                                          : "Version 2017.1.3.5 EN Linux " + arch;
        EXPECT_EQ(pane->toPlainText().section('\n', 0, 0), expected);
        EXPECT_EQ(pane->textCursor().position(), 0);
        EXPECT_TRUE(pane->toPlainText().section('\n', 1).contains("serial")) << "the about text";
        frame.reset();
    }
    open({line.portPath()});
    tabs()->setCurrentWidget(child<QWidget>("aboutPanel"));
    auto* pane = child<QTextBrowser>("aboutPane");
    // Click the first link of the text where it is drawn.
    QString link;
    QTextCursor onLink(pane->document());
    for (QTextBlock b = pane->document()->begin(); b.isValid() && link.isEmpty(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor()) {
                link = it.fragment().charFormat().anchorHref();
                onLink.setPosition(it.fragment().position() + 1);
                break;
            }
        }
    }
    ASSERT_FALSE(link.isEmpty()) << "the about text links the project's page";
    pane->ensureCursorVisible();
    pane->setTextCursor(onLink);
    pane->ensureCursorVisible();
    const QPoint at = pane->cursorRect(onLink).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, pane->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(pane->viewport(), &event);
    }
    ASSERT_TRUE(processUntil([&] { return !browser->opened().empty(); }));
    EXPECT_EQ(browser->opened()[0], QUrl(link));
    EXPECT_TRUE(pane->toPlainText().startsWith("Version ")) << "the pane shows its own text still";
}
