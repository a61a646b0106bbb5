#include "valtyp/plus/InstrumentTypeListener.h"

#include <QPointer>
#include <QWidget>

namespace InstrumentTypeListener {

void listen(QWidget& control, Config& config) {
    using ConfigHelper::InstrumentType;
    if (const auto instrument = config.getInstrument()) {
        propertyChange(control,
                       Options<InstrumentType>::name(ConfigHelper::getInstrumentType(*instrument)));
    }
    QPointer<QWidget> alive(&control);
    for (InstrumentType type : Options<InstrumentType>::values()) {
        config.addPropertyChangeListener(Options<InstrumentType>::name(type),
                                         [alive](const QString& name, auto, auto) {
                                             if (alive) propertyChange(*alive, name);
                                         });
    }
}

void propertyChange(QWidget& control, const QString& name) {
    if (name == u"NUMBER") {
        control.setEnabled(true);
    } else if (name == u"TEXT") {
        control.setEnabled(false);
    }
}

}  // namespace InstrumentTypeListener
