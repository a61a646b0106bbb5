#include "valtyp/util/OpenHyperlinkInBrowser.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStandardPaths>

namespace OpenHyperlinkInBrowser {

namespace {

const QString opening = QString::fromLatin1(anchorOpening);
const QString closing = QString::fromLatin1(anchorClose);

}  // namespace

bool isBrowsingSupported() {
    // Qt opens addresses on a Unix desktop through the freedesktop opener, or
    // the browser the user named.
    return !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty() ||
           !qEnvironmentVariableIsEmpty("BROWSER") ||
           !qEnvironmentVariableIsEmpty("DEFAULT_BROWSER");
}

bool containsHyperlink(const QString& text) {
    return text.contains(u"<html>") && text.contains(u"</html>") && text.contains(opening) &&
           text.contains(closing);
}

QString getPlainLink(const QString& text) {
    const qsizetype open = text.indexOf(opening);
    if (open < 0) return {};
    const qsizetype start = open + opening.size();
    const qsizetype end = text.indexOf(closing, start);
    if (end < 0) return {};
    return text.mid(start, end - start);
}

QString htmlIfy(const QString& text) {
    return QStringLiteral("<html>") + text + QStringLiteral("</html>");
}

QString linkIfy(const QString& address) {
    return opening + address + closing + address + QStringLiteral("</a>");
}

void openHyperlink(const QString& address, Dialogs& dialogs, const LinkRunner::Opener& opener) {
    LinkRunner::start(address, dialogs, opener);
}

LinkMouseListener::LinkMouseListener(Open open, QObject* parent)
    : QObject(parent), open_(std::move(open)) {}

void LinkMouseListener::mouseClicked(QLabel& label) {
    const QString text = label.text();
    // A label showing a plain message is not a link.
    if (!containsHyperlink(text)) return;
    open_(getPlainLink(text));
}

bool LinkMouseListener::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* label = qobject_cast<QLabel*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (label && mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            mouseClicked(*label);
        }
    }
    return QObject::eventFilter(watched, event);
}

void makeLinkable(QLabel& label, LinkMouseListener* listener) {
    const QString text = label.text();
    if (!text.isEmpty() && !containsHyperlink(text)) label.setText(htmlIfy(linkIfy(text)));
    // The label's own link handling stays off: the listener opens the address.
    label.setOpenExternalLinks(false);
    label.installEventFilter(listener);
}

}  // namespace OpenHyperlinkInBrowser
