#pragma once
// The window icons of each edition, compiled into the program.

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

#include <optional>

namespace Icons {

// An image of the program by file name; when it is missing, says so on the
// error output and answers none.
std::optional<QPixmap> createImageIcon(const QString& path, const QString& description);

// The edition's icons in the order 32, 24, 20, 16 pixels, missing ones left out.
QList<QPixmap> windowIcons(bool hubEdition);
QIcon windowIcon(bool hubEdition);
// The desktop's themed icon of the edition where one is installed (all sizes,
// drawn for the desktop's scale), else the built-in windowIcon().
QIcon themedWindowIcon(bool hubEdition);
QString themeIconName(bool hubEdition);

}  // namespace Icons
