#include "valtyp/TabForm.h"

#include "valtyp/Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace TabForm {

QString frameText(const QString& field, const char* suffix) {
    return Texts::bundle().getString(QStringLiteral("VideriRaZivFrame2.") + field +
                                     QLatin1StringView(suffix));
}

void name(QWidget& control, const char* field) {
    control.setObjectName(QLatin1StringView(field));
    control.setToolTip(frameText(field, ".toolTipText"));
}

QPushButton* button(const char* field, QWidget* parent) {
    return named(new QPushButton(frameText(field, ".text"), parent), field);
}

QCheckBox* checkBox(const char* field, bool checked, QWidget* parent) {
    auto* box = named(new QCheckBox(frameText(field, ".text"), parent), field);
    box->setChecked(checked);
    return box;
}

QString labelWords(const QString& labelText) {
    QString words = labelText.trimmed();
    if (words.endsWith(u':')) words.chop(1);
    return words.trimmed();
}

QLabel* addRow(QGridLayout& grid, const char* labelField, QWidget* control, QWidget* extra) {
    const int row = grid.rowCount();
    auto* label = new QLabel(frameText(labelField, ".text"), grid.parentWidget());
    label->setObjectName(QLatin1StringView(labelField));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(control);
    control->setAccessibleName(labelWords(label->text()));
    // An editable chooser's text field is what a screen reader lands on.
    if (auto* box = qobject_cast<QComboBox*>(control); box != nullptr && box->lineEdit() != nullptr)
        box->lineEdit()->setAccessibleName(control->accessibleName());
    grid.addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid.addWidget(control, row, 1);
    if (extra != nullptr) grid.addWidget(extra, row, 2);
    return label;
}

void addRow(QGridLayout& grid, QWidget* control, QWidget* extra) {
    const int row = grid.rowCount();
    grid.addWidget(control, row, 1);
    if (extra != nullptr) grid.addWidget(extra, row, 2);
}

QGroupBox* group(const char* field, QWidget* parent) {
    auto* box = new QGroupBox(frameText(field, ".text"), parent);
    box->setObjectName(QLatin1StringView(field));
    return box;
}

QGridLayout* formGrid(QWidget* parent) {
    auto* grid = new QGridLayout(parent);
    grid->setColumnStretch(1, 1);
    return grid;
}

void focusInOrder(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous != nullptr) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

}  // namespace TabForm
