#pragma once
// Controls that only make sense for instruments delivering numbers: they
// follow the instrument type the settings record announces, on for
// "NUMBER", off for "TEXT", and keep their values meanwhile.

#include "config/Config.h"

#include <QString>

class QWidget;

namespace InstrumentTypeListener {

// From now on the control follows every instrument change of `config`,
// starting with the instrument chosen now. The record may outlive the
// control or the other way round.
void listen(QWidget& control, Config& config);

// One change notification, by the name it was announced under.
void propertyChange(QWidget& control, const QString& name);

}  // namespace InstrumentTypeListener
