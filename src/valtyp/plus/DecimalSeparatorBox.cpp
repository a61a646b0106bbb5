#include "valtyp/plus/DecimalSeparatorBox.h"

#include "valtyp/plus/InstrumentTypeListener.h"

using ConfigHelper::DecimalSeparator;

DecimalSeparatorBox::DecimalSeparatorBox(Config& config, QWidget* parent) : QComboBox(parent) {
    for (DecimalSeparator s : Options<DecimalSeparator>::values()) {
        addItem(Options<DecimalSeparator>::toString(s));
    }
    setCurrentIndex(Options<DecimalSeparator>::ordinal(config.getDecimalSeparator()));
    InstrumentTypeListener::listen(*this, config);
}

DecimalSeparator DecimalSeparatorBox::separator() const {
    return Options<DecimalSeparator>::fromOrdinal(currentIndex())
        .value_or(Options<DecimalSeparator>::getDefault());
}
