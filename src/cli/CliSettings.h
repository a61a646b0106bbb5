#pragma once
// The settings a console command works with: a freshly loaded record, the
// instrument's factory line settings, then every --set key=value in order.

#include "config/Config.h"

#include <QString>
#include <QStringList>

#include <optional>

// Arguments of the form --name VALUE, repeated options allowed, and flags.
class CliArguments {
  public:
    // Throws std::invalid_argument naming anything not in the two lists.
    CliArguments(const QStringList& args, const QStringList& valueOptions,
                 const QStringList& flags);

    std::optional<QString> value(const QString& option) const;
    QStringList values(const QString& option) const;
    bool flag(const QString& flag) const { return flags_.contains(flag); }

  private:
    QList<std::pair<QString, QString>> values_;
    QStringList flags_;
};

// Throws std::invalid_argument with a message for the user: an unknown
// instrument, a --set without "=", an unknown key or a value its option refuses.
Config cliConfig(const std::optional<QString>& instrument, const QStringList& assignments);

// Prints "valtyp-cli: " and the message to standard error.
void printError(const QString& message);
