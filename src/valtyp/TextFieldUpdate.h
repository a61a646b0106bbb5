#pragma once
// The validators of the free-text settings fields: whether the keyboard
// focus may leave a field, storing its text when it is acceptable and
// otherwise saying why, clearing it and keeping the focus there.

#include "config/Config.h"

#include <QString>
#include <QStringView>

#include <functional>

class Dialogs;
class QLineEdit;

class TextFieldUpdate {
  public:
    struct Context {
        Config& config;
        Dialogs& dialogs;
        std::function<bool()> isClosing;
        std::function<void()> selectTab;  // the tab of the field, posted after a refusal
    };

    virtual ~TextFieldUpdate() = default;

    QLineEdit& field() const { return field_; }

    // Whether the text is acceptable.
    bool verify(const QString& text) const;
    // Stores the field's text when it is acceptable; says nothing otherwise.
    bool update();
    // Stores the text and lets the focus go; or, unless the window is
    // closing, shows the message, clears the field and keeps the focus.
    bool shouldYieldFocus();

  protected:
    struct Rule {
        bool (*accepts)(QStringView text);
        void (Config::*store)(const QString& text);
        const char* messageKey;
        bool commaIsPoint;  // "1,5" means 1.5
        // Where the message depends on the text (a position in it); none:
        // the message of messageKey.
        QString (*explain)(const QString& text) = nullptr;
    };
    TextFieldUpdate(QLineEdit& field, Context context, Rule rule);

  private:
    QString normalized() const;

    QLineEdit& field_;
    Context context_;
    Rule rule_;
};

class RemoveCharactersTextFieldUpdate : public TextFieldUpdate {
  public:
    RemoveCharactersTextFieldUpdate(QLineEdit& field, Context context);
};

class MathOperandTextFieldUpdate : public TextFieldUpdate {
  public:
    MathOperandTextFieldUpdate(QLineEdit& field, Context context);
};

class EveryXValuesTextFieldUpdate : public TextFieldUpdate {
  public:
    EveryXValuesTextFieldUpdate(QLineEdit& field, Context context);
};

class EditNumCharactersTextFieldUpdate : public TextFieldUpdate {
  public:
    EditNumCharactersTextFieldUpdate(QLineEdit& field, Context context);
};

class DecimalTextFieldUpdate : public TextFieldUpdate {
  public:
    DecimalTextFieldUpdate(QLineEdit& field, Context context);
};

// The request command and its interval, on the input tab.
class DataCommandTextFieldUpdate : public TextFieldUpdate {
  public:
    DataCommandTextFieldUpdate(QLineEdit& field, Context context);
};

class RequestIntervalTextFieldUpdate : public TextFieldUpdate {
  public:
    RequestIntervalTextFieldUpdate(QLineEdit& field, Context context);
};

// The output template: a refusal names what is wrong and where.
class OutputTemplateTextFieldUpdate : public TextFieldUpdate {
  public:
    OutputTemplateTextFieldUpdate(QLineEdit& field, Context context);
    // The message for a template that does not parse; empty when it does.
    static QString explain(const QString& text);
};

class TypeOnlyIntoHoldSecondsTextFieldUpdate : public TextFieldUpdate {
  public:
    TypeOnlyIntoHoldSecondsTextFieldUpdate(QLineEdit& field, Context context);
};
