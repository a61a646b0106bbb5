#pragma once
// Lets a validated text field keep the keyboard focus while its text is
// refused. Qt moves the focus first and tells afterwards, so the veto sits
// in front: it asks the field's validator before a Tab or Shift+Tab leaves
// the field, before a click lands on another control or on a tab, and
// before a key switches the tab. A focus that goes anyway (a page hidden
// under the field) is checked afterwards and brought back when refused.
// Focus taken by a dialog or another window is no leaving.

#include <QHash>
#include <QObject>

class QWidget;
class TextFieldUpdate;

class FocusVeto : public QObject {
  public:
    // Watches the application's events for the fields of `window`.
    explicit FocusVeto(QWidget& window);

    // The validator decides for its field from now on, as long as the field
    // exists; it lives as long as the field does.
    void guard(TextFieldUpdate& validator);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TextFieldUpdate* focusedField() const;
    bool leaves(QObject* watched, QEvent* event, TextFieldUpdate& focused) const;
    bool ask(TextFieldUpdate& validator);

    QWidget& window_;
    QHash<const QObject*, TextFieldUpdate*> validators_;
    bool asking_ = false;  // a refusal's dialog runs its own events
};
