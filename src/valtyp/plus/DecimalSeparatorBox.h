#pragma once
// The decimal-separator chooser: every separator option, the record's own
// chosen; off while a text instrument is chosen.

#include "config/Config.h"

#include <QComboBox>

class DecimalSeparatorBox : public QComboBox {
  public:
    explicit DecimalSeparatorBox(Config& config, QWidget* parent = nullptr);

    ConfigHelper::DecimalSeparator separator() const;
};
