#pragma once
// Cutting and filtering the extracted value before it is processed further.

#include "config/ConfigHelper.h"

#include <QString>

class Config;

// Keeps or removes a fixed number of characters at the start or the end.
class Editor {
  public:
    explicit Editor(const Config& config);
    Editor(ConfigHelper::EditOperation operation, ConfigHelper::EditPosition position,
           int numCharacters);

    QString edit(const QString& value) const;

  private:
    ConfigHelper::EditOperation editOperation_;
    ConfigHelper::EditPosition editPosition_;
    int numCharacters_;
};

// Deletes every occurrence of the listed characters (a plain set; case matters).
class Remover {
  public:
    explicit Remover(const Config& config);
    explicit Remover(QString removeCharacters);

    QString removeCharacters(const QString& value) const;

  private:
    QString removeCharacters_;
};
