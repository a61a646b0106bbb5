#include "config/OptionTable.h"

#include "config/ResourceBundle.h"

#include <stdexcept>

QString resolveDisplayText(const DisplayText& display) {
    if (display.source == DisplayText::Source::Fixed) return QString::fromUtf8(display.text);
    return ResourceBundle::getBundle(QStringLiteral("valtyp.config.ConfigBundle"))
        .getString(QString::fromLatin1(display.text));
}

void throwNoSuchConstant(const char* typeName, QStringView name) {
    throw std::invalid_argument(QStringLiteral("No constant %1 in %2")
                                    .arg(name, QLatin1StringView(typeName))
                                    .toStdString());
}
