#include "valtyp/FocusVeto.h"

#include "valtyp/TextFieldUpdate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabBar>

namespace {

// The control a mouse press gives the focus to (or a tab bar, which switches
// the page without taking the focus); none for a press on a label or on
// empty space, which moves nothing.
QWidget* pressTarget(QWidget* pressed) {
    for (QWidget* w = pressed; w != nullptr; w = w->parentWidget()) {
        if (!w->isEnabled()) return nullptr;
        if (qobject_cast<QTabBar*>(w) != nullptr) return w;
        if ((w->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) return w;
        if (w->isWindow()) return nullptr;
    }
    return nullptr;
}

bool movesFocusOrPage(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;  // with Ctrl: the next or previous tab
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return key.modifiers().testFlag(Qt::ControlModifier);
        default:
            return false;
    }
}

bool leftForAnotherWindow(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
           reason == Qt::MenuBarFocusReason;
}

}  // namespace

FocusVeto::FocusVeto(QWidget& window) : QObject(&window), window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

void FocusVeto::guard(TextFieldUpdate& validator) {
    QObject* field = &validator.field();
    validators_.insert(field, &validator);
    connect(field, &QObject::destroyed, this, [this, field] { validators_.remove(field); });
}

TextFieldUpdate* FocusVeto::focusedField() const {
    return validators_.value(QApplication::focusWidget(), nullptr);
}

bool FocusVeto::ask(TextFieldUpdate& validator) {
    asking_ = true;
    const bool yields = validator.shouldYieldFocus();
    asking_ = false;
    return yields;
}

bool FocusVeto::leaves(QObject* watched, QEvent* event, TextFieldUpdate& focused) const {
    switch (event->type()) {
        case QEvent::KeyPress:
            return watched == &focused.field() && movesFocusOrPage(*static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* pressed = qobject_cast<QWidget*>(watched);
            if (pressed == nullptr || pressed->window() != &window_) return false;
            QWidget* target = pressTarget(pressed);
            return target != nullptr && target != &focused.field();
        }
        default:
            return false;
    }
}

bool FocusVeto::eventFilter(QObject* watched, QEvent* event) {
    if (asking_) return false;
    if (event->type() == QEvent::FocusOut) {
        TextFieldUpdate* validator = validators_.value(watched, nullptr);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (validator == nullptr || leftForAnotherWindow(reason)) return false;
        ask(*validator);  // a refusal brings the focus back by itself
        return false;
    }
    TextFieldUpdate* focused = focusedField();
    if (focused == nullptr || !leaves(watched, event, *focused)) return false;
    // Swallowing the event keeps both the focus and the page where they are.
    return !ask(*focused);
}
