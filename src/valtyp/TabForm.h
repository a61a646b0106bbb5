#pragma once
// What every settings tab builds its form from: controls named after their
// field, with their texts from "valtyp.Valtyp", and rows of a label and a
// control that assistive technology reads as one.

#include "config/ConfigHelper.h"

#include <QComboBox>
#include <QString>

#include <initializer_list>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace TabForm {

// "VideriRaZivFrame2.<field><suffix>" from the bundle.
QString frameText(const QString& field, const char* suffix);
inline QString frameText(const char* field, const char* suffix) {
    return frameText(QLatin1StringView(field), suffix);
}

// Gives a control its field name and its tool tip.
void name(QWidget& control, const char* field);
template <class W>
W* named(W* control, const char* field) {
    name(*control, field);
    return control;
}

// A push button, its text "<field>.text".
QPushButton* button(const char* field, QWidget* parent);
// A check box, its text "<field>.text".
QCheckBox* checkBox(const char* field, bool checked, QWidget* parent);

// A chooser of all options of a table, the one at `selected` chosen (the
// default when that is no position of the table).
template <class E>
QComboBox* optionBox(const char* field, int selected, QWidget* parent) {
    auto* box = named(new QComboBox(parent), field);
    for (E value : Options<E>::values()) box->addItem(Options<E>::toString(value));
    box->setCurrentIndex(Options<E>::validOrdinal(selected) ? selected
                                                            : Options<E>::defaultOrdinal());
    return box;
}
template <class E>
QComboBox* optionBox(const char* field, E selected, QWidget* parent) {
    return optionBox<E>(field, Options<E>::ordinal(selected), parent);
}

// The option a chooser made of optionBox shows.
template <class E>
E selected(const QComboBox& box) {
    return Options<E>::fromOrdinal(box.currentIndex()).value_or(Options<E>::getDefault());
}

// The words of a label, without the colon that ends it on screen.
QString labelWords(const QString& labelText);

// Adds a row "label | control [| extra]" to a grid of three columns: the
// label right-aligned, named after `labelField`, its text "<labelField>.text";
// the control takes the label's words as its accessible name, so a screen
// reader says what it is rather than what it shows.
QLabel* addRow(QGridLayout& grid, const char* labelField, QWidget* control,
               QWidget* extra = nullptr);
// A row of a control that carries its own text (a check box).
void addRow(QGridLayout& grid, QWidget* control, QWidget* extra = nullptr);
// A titled group of related settings, "<field>.text" its title.
QGroupBox* group(const char* field, QWidget* parent);
// A grid for one form: the controls' column takes the spare width.
QGridLayout* formGrid(QWidget* parent);

// Keyboard focus moves through the controls in the order given.
void focusInOrder(std::initializer_list<QWidget*> controls);

}  // namespace TabForm
