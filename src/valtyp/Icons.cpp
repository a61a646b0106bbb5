#include "valtyp/Icons.h"

#include <QFile>

#include <iostream>

namespace Icons {

std::optional<QPixmap> createImageIcon(const QString& path, const QString& description) {
    const QString resource = QStringLiteral(":/icons/") + path;
    QPixmap image;
    if (!QFile::exists(resource) || !image.load(resource)) {
        std::cerr << "Couldn't find file: " << path.toStdString() << std::endl;
        return std::nullopt;
    }
    (void)description;  // an icon list has no place for it
    return image;
}

QList<QPixmap> windowIcons(bool hubEdition) {
    const QString stem = hubEdition ? QStringLiteral("ValtypHUB") : QStringLiteral("Valtyp");
    QList<QPixmap> icons;
    for (int size : {32, 24, 20, 16}) {
        if (auto icon = createImageIcon(stem + QString::number(size) + QStringLiteral(".png"),
                                        QStringLiteral("Valtyp"))) {
            icons << *icon;
        }
    }
    return icons;
}

QIcon windowIcon(bool hubEdition) {
    QIcon icon;
    for (const QPixmap& image : windowIcons(hubEdition)) icon.addPixmap(image);
    return icon;
}

QString themeIconName(bool hubEdition) {
    return hubEdition ? QStringLiteral("com.belmaro.ValtypHUB")
                      : QStringLiteral("com.belmaro.Valtyp");
}

QIcon themedWindowIcon(bool hubEdition) {
    return QIcon::fromTheme(themeIconName(hubEdition), windowIcon(hubEdition));
}

}  // namespace Icons
