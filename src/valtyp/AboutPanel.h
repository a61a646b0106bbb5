#pragma once
// The about tab: what the program is, with the running version in front.

#include <QString>

#include <functional>

class QWidget;

namespace AboutPanel {

// "Version <VERSION> [<EDITION> ]<LANGUAGE> <OS name> <OS architecture>";
// the edition only in the HUB edition.
QString versionLine();

// The panel "aboutPanel" holding the read-only pane "aboutPane"; an activated
// link goes to openLink.
QWidget* build(std::function<void(const QString& address)> openLink);

}  // namespace AboutPanel
