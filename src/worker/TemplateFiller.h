#pragma once
// What a run types for each record: the processed value, framed by the start
// key and terminators, or the output template filled in from the record.
// Built once per run, so the template is parsed once, not per reading.

#include "config/OutputTemplate.h"
#include "config/RecordPattern.h"
#include "worker/Keybot.h"

#include <QLocale>
#include <QString>

#include <optional>

class Config;
class DataLine;

// The key map a run types with: the instrument's, or with a template the
// complete one, since the template's own text and the date and time hold
// characters (":", "/", letters) that a numeric instrument never sends.
ConfigHelper::KeyMapType keyMapTypeFor(const Config& config);

class TemplateFiller {
  public:
    // Throws ConfigHelper::TemplateError for a template that does not parse
    // and std::invalid_argument for an expression that does not compile.
    explicit TemplateFiller(const Config& config, QLocale locale = QLocale::system());

    bool hasTemplate() const { return !template_.isEmpty(); }
    // Empty when the record has no value left to type (none was found, the
    // duplicate filter or the stable-only rule took it).
    TypingJob jobFor(const DataLine& record) const;

  private:
    QString group(const DataLine& record, int number) const;

    ConfigHelper::OutputTemplate template_;
    std::optional<RecordPattern> pattern_;  // only when the template asks for groups
    QString port_;
    QString instrument_;
    QLocale locale_;
};
