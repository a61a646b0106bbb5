#include "valtyp/TextFieldUpdate.h"

#include "config/OutputTemplate.h"
#include "config/RequestOptions.h"
#include "valtyp/Dialogs.h"
#include "valtyp/Texts.h"

#include <QLineEdit>
#include <QTimer>

using namespace ConfigHelper;

TextFieldUpdate::TextFieldUpdate(QLineEdit& field, Context context, Rule rule)
    : field_(field), context_(std::move(context)), rule_(rule) {}

QString TextFieldUpdate::normalized() const {
    QString text = field_.text();
    if (rule_.commaIsPoint) text.replace(u',', u'.');
    return text;
}

bool TextFieldUpdate::verify(const QString& text) const {
    return rule_.accepts(text);
}

bool TextFieldUpdate::update() {
    const QString text = normalized();
    if (!verify(text)) return false;
    (context_.config.*rule_.store)(text);
    return true;
}

bool TextFieldUpdate::shouldYieldFocus() {
    if (update()) return true;
    if (context_.isClosing()) return false;
    const QString explained = rule_.explain ? rule_.explain(normalized()) : QString();
    context_.dialogs.error(Texts::text("error"),
                           explained.isEmpty() ? Texts::text(rule_.messageKey) : explained);
    field_.clear();
    // After the event that asked: the focus may be on its way elsewhere.
    QTimer::singleShot(0, &field_, [field = &field_, selectTab = context_.selectTab] {
        if (selectTab) selectTab();
        field->setFocus(Qt::OtherFocusReason);
    });
    return false;
}

RemoveCharactersTextFieldUpdate::RemoveCharactersTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(field, std::move(context),
                      {&RemoveCharacters::valid, &Config::setRemoveCharacters,
                       "error.edit.removeCharacters", false}) {}

MathOperandTextFieldUpdate::MathOperandTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(field, std::move(context),
                      {&MathOperand::valid, &Config::setMathOperand, "error.math.operand", true}) {}

EveryXValuesTextFieldUpdate::EveryXValuesTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(
          field, std::move(context),
          {&EveryXValues::valid, &Config::setEveryXValues, "error.edit.everyXValues", false}) {}

EditNumCharactersTextFieldUpdate::EditNumCharactersTextFieldUpdate(QLineEdit& field,
                                                                   Context context)
    : TextFieldUpdate(field, std::move(context),
                      {&EditNumCharacters::valid, &Config::setEditNumCharacters,
                       "error.edit.numCharacters", false}) {}

DecimalTextFieldUpdate::DecimalTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(
          field, std::move(context),
          {&DecimalPlaces::valid, &Config::setDecimalPlaces, "error.decimal.places", false}) {}

DataCommandTextFieldUpdate::DataCommandTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(field, std::move(context),
                      {&DataCommand::valid, &Config::setDataCommand, "error.dataCommand", false}) {}

RequestIntervalTextFieldUpdate::RequestIntervalTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(
          field, std::move(context),
          {&RequestInterval::valid, &Config::setRequestInterval, "error.requestInterval", false}) {}

OutputTemplateTextFieldUpdate::OutputTemplateTextFieldUpdate(QLineEdit& field, Context context)
    : TextFieldUpdate(field, std::move(context),
                      {&OutputTemplate::valid, &Config::setOutputTemplate, "error.outputTemplate",
                       false, &OutputTemplateTextFieldUpdate::explain}) {}

QString OutputTemplateTextFieldUpdate::explain(const QString& text) {
    try {
        OutputTemplate::parse(text);
        return {};
    } catch (const TemplateError& e) {
        const QString position = QString::number(e.position());
        switch (e.kind()) {
            case TemplateError::Kind::UnknownField:
                return Texts::text("error.outputTemplate.unknownField").arg(position, e.name());
            case TemplateError::Kind::UnbalancedOpen:
                return Texts::text("error.outputTemplate.unbalancedOpen").arg(position);
            case TemplateError::Kind::UnbalancedClose:
                return Texts::text("error.outputTemplate.unbalancedClose").arg(position);
            case TemplateError::Kind::FormatNotAllowed:
                return Texts::text("error.outputTemplate.format").arg(position, e.name());
        }
    }
    return Texts::text("error.outputTemplate");
}

TypeOnlyIntoHoldSecondsTextFieldUpdate::TypeOnlyIntoHoldSecondsTextFieldUpdate(QLineEdit& field,
                                                                               Context context)
    : TextFieldUpdate(field, std::move(context),
                      {&TypeOnlyIntoHoldSeconds::valid, &Config::setTypeOnlyIntoHoldSeconds,
                       "error.typeOnlyIntoHoldSeconds", false}) {}
