#include "valtyp/util/JLabelHtml.h"

JLabelHtml::JLabelHtml(OpenHyperlinkInBrowser::LinkMouseListener::Open open, QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::AutoText);
    if (!open) return;
    OpenHyperlinkInBrowser::makeLinkable(
        *this, new OpenHyperlinkInBrowser::LinkMouseListener(std::move(open), this));
}
