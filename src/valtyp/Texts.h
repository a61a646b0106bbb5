#pragma once
// The window's texts, from the bundle "valtyp.Valtyp".

#include "config/ResourceBundle.h"

#include <QString>

namespace Texts {

inline const ResourceBundle& bundle() {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"));
}

inline QString text(const char* key) {
    return bundle().getString(QString::fromLatin1(key));
}

}  // namespace Texts
