#pragma once
// A text label that opens the link its text carries when clicked, where the
// desktop can open a browser; elsewhere it is plain text.

#include "valtyp/util/OpenHyperlinkInBrowser.h"

#include <QLabel>

class JLabelHtml : public QLabel {
  public:
    // Without a way to open links (none given) the label stays plain.
    explicit JLabelHtml(OpenHyperlinkInBrowser::LinkMouseListener::Open open,
                        QWidget* parent = nullptr);
};
