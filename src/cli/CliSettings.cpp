#include "cli/CliSettings.h"

#include "config/ConfigKeys.h"

#include <cstdio>
#include <stdexcept>

using namespace ConfigHelper;

CliArguments::CliArguments(const QStringList& args, const QStringList& valueOptions,
                           const QStringList& flags) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (flags.contains(a)) {
            flags_ << a;
        } else if (valueOptions.contains(a)) {
            if (i + 1 == args.size()) {
                throw std::invalid_argument((a + QStringLiteral(" needs a value")).toStdString());
            }
            values_.append({a, args[++i]});
        } else {
            throw std::invalid_argument(
                QStringLiteral("unknown argument: %1").arg(a).toStdString());
        }
    }
}

std::optional<QString> CliArguments::value(const QString& option) const {
    std::optional<QString> last;
    for (const auto& [name, v] : values_) {
        if (name == option) last = v;
    }
    return last;
}

QStringList CliArguments::values(const QString& option) const {
    QStringList all;
    for (const auto& [name, v] : values_) {
        if (name == option) all << v;
    }
    return all;
}

Config cliConfig(const std::optional<QString>& instrumentName, const QStringList& assignments) {
    // The values a first start without stored settings would load.
    Config config = ConfigKeys::load([](const QString&) { return std::nullopt; }, {}).config;
    if (instrumentName) {
        const auto instrument = Options<Instrument>::find(*instrumentName);
        if (!instrument) {
            throw std::invalid_argument(
                QStringLiteral("unknown instrument: %1").arg(*instrumentName).toStdString());
        }
        config.setInstrument(*instrument);
    }
    const Config factory = getDefaultConfig(*config.getInstrument());
    config.setBitRate(factory.getBitRate());
    config.setDataBits(factory.getDataBits());
    config.setStopBits(factory.getStopBits());
    config.setParity(factory.getParity());
    config.setInputTerminator(factory.getInputTerminator());
    config.setRequestInterval(factory.getRequestInterval());

    for (const QString& assignment : assignments) {
        const qsizetype eq = assignment.indexOf(u'=');
        if (eq <= 0) {
            throw std::invalid_argument(
                QStringLiteral("--set needs key=value, got: %1").arg(assignment).toStdString());
        }
        const QString key = assignment.left(eq);
        const QString value = assignment.mid(eq + 1);
        if (!ConfigKeys::applySetting(config, key, value)) {
            throw std::invalid_argument(
                QStringLiteral("invalid value for %1: \"%2\"").arg(key, value).toStdString());
        }
    }
    return config;
}

void printError(const QString& message) {
    std::fprintf(stderr, "valtyp-cli: %s\n", message.toLocal8Bit().constData());
}
