#pragma once
// Web links in the window's labels and texts, opened in the user's standard
// browser. A linkable label carries its address in the text itself:
// <html><a href="ADDRESS">VISIBLE</a></html>.

#include "valtyp/util/LinkRunner.h"

#include <QObject>
#include <QString>

#include <functional>

class QLabel;

namespace OpenHyperlinkInBrowser {

inline constexpr const char* anchorOpening = "<a href=\"";
inline constexpr const char* anchorClose = "\">";

// True when the desktop has a way to open an address in a browser.
bool isBrowsingSupported();

// True when the text has all four markers of the link form.
bool containsHyperlink(const QString& text);
// The address between the anchor opening and the anchor close that follows
// it; empty when there is none.
QString getPlainLink(const QString& text);
QString htmlIfy(const QString& text);
// The anchor of the address, showing the address itself.
QString linkIfy(const QString& address);

// Opens the address in the background; a failure, or an address that is not
// a web address, is reported through the dialogs.
void openHyperlink(const QString& address, Dialogs& dialogs, const LinkRunner::Opener& opener);

// Opens the address of a linkable label when the label is clicked.
class LinkMouseListener : public QObject {
  public:
    using Open = std::function<void(const QString& address)>;
    explicit LinkMouseListener(Open open, QObject* parent = nullptr);

    // A click on a label whose text holds a link opens that link.
    void mouseClicked(QLabel& label);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Open open_;
};

// Wraps a non-empty plain text into the link form and lets the listener take
// the label's clicks. For a desktop where browsing is supported.
void makeLinkable(QLabel& label, LinkMouseListener* listener);

}  // namespace OpenHyperlinkInBrowser
