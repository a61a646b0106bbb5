#include "valtyp/AboutPanel.h"

#include "Serialio/SystemProperties.h"
#include "valtyp/Texts.h"

#include <QLocale>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

namespace AboutPanel {

namespace {

QString property(const char* key) {
    return QString::fromStdString(Serialio::SystemProperties::get(key, ""));
}

}  // namespace

QString versionLine() {
    QString line = QStringLiteral("Version ") + property("VERSION") + u' ';
    if (property("EDITION") == u"HUB") line += property("EDITION") + u' ';
    line += QLocale::languageToCode(QLocale().language()).toUpper() + u' ' +
            property("JSP_OSNAME") + u' ' + property("JSP_OSARCH");
    return line;
}

QWidget* build(std::function<void(const QString& address)> openLink) {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("aboutPanel"));
    auto* aboutPane = new QTextBrowser(panel);
    aboutPane->setObjectName(QStringLiteral("aboutPane"));
    // Links go to the user's browser, never into the pane itself.
    aboutPane->setOpenLinks(false);
    aboutPane->setOpenExternalLinks(false);
    aboutPane->setHtml(Texts::text("VideriRaZivFrame2.aboutPane.text"));
    QTextCursor start(aboutPane->document());
    start.insertText(versionLine() + u'\n', QTextCharFormat());  // plain, whatever follows
    aboutPane->moveCursor(QTextCursor::Start);
    QObject::connect(aboutPane, &QTextBrowser::anchorClicked, aboutPane,
                     [openLink = std::move(openLink)](const QUrl& link) {
                         if (openLink) openLink(link.toString());
                     });
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(aboutPane);
    return panel;
}

}  // namespace AboutPanel
